// Runs pchost on a script, as a person's automation would, and collects what
// it printed.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Process.h"

namespace pcvr_test {

struct PchostRun {
  int exitCode = -1;
  std::string output;  // standard output and standard error, interleaved
  std::vector<std::string> lines() const;
  // What the commands printed: the lines without pchost's own echo of
  // commands, dialogs and opened files.
  std::vector<std::string> messages() const;
  bool hasLine(const std::string& line) const;
};

struct PchostOptions {
  std::filesystem::path pchost;          // default: the build's pchost
  std::vector<std::string> arguments;    // before --script
  std::vector<std::string> environment;  // NAME=value, added to the test's own
  std::vector<std::string> unset;        // variables removed
  int timeoutSeconds = 60;
  // Runs in the test while pchost does, given its process id (to send it a
  // signal, for instance); pchost's output is collected after it returns.
  std::function<void(pid_t)> whileRunning;
};

// Writes `script` to a file and runs `pchost --script FILE`. The process is
// killed after the timeout (exitCode is then 124).
PchostRun RunPchost(const std::string& script, const PchostOptions& options = {});

// Runs the build's program `name` with arguments, without a script.
PchostRun RunProgram(const std::string& name, const std::vector<std::string>& arguments);

std::filesystem::path BinDir();
// A fresh folder under the system's temporary folder, removed by the caller
// (TempDir removes its own).
std::filesystem::path MakeTempDir(const std::string& prefix);

}  // namespace pcvr_test
