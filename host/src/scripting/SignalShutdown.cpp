#include "host/SignalShutdown.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstdio>

namespace host {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int g_pipe[2] = {-1, -1};

// Async-signal-safe: one write of one byte, errno kept.
void OnSignal(int signal) {
  const int saved = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &number, 1);
  errno = saved;
}

}  // namespace

struct SignalShutdown::Impl {
  std::function<void(int)> onSignal;
  std::unique_ptr<QSocketNotifier> notifier;
  bool reacted = false;
};

SignalShutdown::SignalShutdown(std::function<void(int)> onSignal) : m(std::make_unique<Impl>()) {
  m->onSignal = std::move(onSignal);
  if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::perror("pchost: signal pipe");
    return;
  }
  m->notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
  QObject::connect(m->notifier.get(), &QSocketNotifier::activated, [impl = m.get()] {
    unsigned char number = 0;
    while (::read(g_pipe[0], &number, 1) == 1) {
      if (impl->reacted) continue;
      impl->reacted = true;
      // From now on any of them ends the process at once.
      for (int signal : kSignals) ::signal(signal, SIG_DFL);
      impl->onSignal(number);
    }
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // Only the first signal is ours: a second one that comes before the main
  // thread has read the first finds the default action.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  for (int signal : kSignals) sigaction(signal, &action, nullptr);
}

SignalShutdown::~SignalShutdown() {
  for (int signal : kSignals) ::signal(signal, SIG_DFL);
  m->notifier.reset();
  for (int& fd : g_pipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

}  // namespace host
