// Ends the host in order on SIGTERM, SIGINT and SIGHUP: the signal handler
// only writes the signal's number to a pipe; the main thread reads it from
// its event loop and runs the reaction there, where anything may be done.
#pragma once

#include <functional>
#include <memory>

#include "host/HostApi.h"

namespace host {

class HOST_EXPORT SignalShutdown {
 public:
  // Installs the handlers. onSignal runs on the main thread, from the event
  // loop (also from a loop a command runs while it pumps messages), once
  // for the first of these signals; after it, any of them ends the process
  // as it would without the handler. One instance at a time; needs a
  // QCoreApplication.
  explicit SignalShutdown(std::function<void(int signal)> onSignal);
  // Puts the default handlers back.
  ~SignalShutdown();
  SignalShutdown(const SignalShutdown&) = delete;
  SignalShutdown& operator=(const SignalShutdown&) = delete;

 private:
  struct Impl;
  std::unique_ptr<Impl> m;
};

}  // namespace host
