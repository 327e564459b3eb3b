// An Xvfb of the test's own. Screenshots read screen pixels, so any other
// window on a shared display (another test's host, run in parallel) could
// cover the window under test; on a private server nothing else is shown.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace screenshots_test {

class PrivateXServer {
 public:
  // Starts Xvfb on the first free display number with one 1280x1024 screen
  // and waits until it accepts connections (at most 10 s).
  PrivateXServer();
  // Starts another X server program (Xvfb, Xephyr) with these arguments;
  // a nested server shows on the server DISPLAY names.
  PrivateXServer(const std::string& program, const std::vector<std::string>& arguments);
  // Stops the server it started.
  ~PrivateXServer();
  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;

  // ":N", or empty when the server could not be started.
  const std::string& display() const { return m_display; }

 private:
  pid_t m_pid = -1;
  std::string m_display;
};

}  // namespace screenshots_test
