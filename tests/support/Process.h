// Programs run without a shell, with a time limit, their output collected
// while they run.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Files.h"  // the folders programs run in, the files they leave

namespace pcvr_test {

struct ProcessRun {
  // The exit code; 124 when killed at the time limit, 128 + signal when a
  // signal ended it, -1 when it could not be started (output then says why).
  int exitCode = -1;
  std::string output;  // standard output, and standard error unless kept apart
};

struct ProcessOptions {
  std::vector<std::string> environment;  // NAME=value, added to the test's own
  std::vector<std::string> unset;        // variables removed
  std::filesystem::path workingDirectory;
  int timeoutSeconds = 60;        // from the start; the program is then killed
  bool withStandardError = true;  // false: standard error goes to the test's own
  // Runs in the test while the program does, given its process id (to send
  // it a signal, for instance). The output is drained meanwhile, so a program
  // that writes a lot goes on running; the time limit holds throughout.
  std::function<void(pid_t)> whileRunning;
};

// Runs argv[0] (looked up in PATH) with these arguments; no shell sees them.
// Standard input is empty.
ProcessRun RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});
// Standard output only, for programs whose output is data.
inline const ProcessOptions kQuiet = [] {
  ProcessOptions quiet;
  quiet.withStandardError = false;
  return quiet;
}();

}  // namespace pcvr_test
