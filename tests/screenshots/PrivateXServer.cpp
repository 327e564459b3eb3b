#include "PrivateXServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <vector>

namespace screenshots_test {

PrivateXServer::PrivateXServer() : PrivateXServer("Xvfb", {"-screen", "0", "1280x1024x24"}) {}

PrivateXServer::PrivateXServer(const std::string& program, const std::vector<std::string>& arguments) {
  int fds[2];
  if (pipe(fds) != 0) return;
  m_pid = fork();
  if (m_pid == 0) {
    close(fds[0]);
    const int devnull = open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      dup2(devnull, STDOUT_FILENO);
      dup2(devnull, STDERR_FILENO);
    }
    const std::string fd = std::to_string(fds[1]);
    // The server writes the display number to the descriptor once it is ready.
    std::vector<std::string> args{program, "-displayfd", fd, "-nolisten", "tcp"};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execvp(program.c_str(), argv.data());
    _exit(127);
  }
  close(fds[1]);
  if (m_pid < 0) {
    close(fds[0]);
    return;
  }
  std::string number;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd ready{fds[0], POLLIN, 0};
    if (poll(&ready, 1, 100) <= 0) continue;
    char c = 0;
    if (read(fds[0], &c, 1) != 1) break;  // Xvfb ended without a display
    if (c == '\n') {
      if (!number.empty()) m_display = ":" + number;
      break;
    }
    number += c;
  }
  close(fds[0]);
}

PrivateXServer::~PrivateXServer() {
  if (m_pid <= 0) return;
  kill(m_pid, SIGTERM);
  int status = 0;
  waitpid(m_pid, &status, 0);
}

}  // namespace screenshots_test
