// Runs pchost on a script, as a person's automation would, and collects what
// it printed.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "MediaProbe.h"  // what a run leaves (pictures, movies) is read back with it
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
  int count(const std::string& prefix) const;  // lines that start with it
  // The view window's size from VIEWINFO's line, made even as a recording
  // of it is: "WIDTHxHEIGHT", or "" when no such line was printed.
  std::string evenViewSize() const;
};

struct PchostOptions : ProcessOptions {
  std::filesystem::path pchost;        // default: the build's pchost
  std::vector<std::string> arguments;  // before --script
};

// Writes `script` to a file and runs `pchost --script FILE`. The process is
// killed after the timeout (exitCode is then 124).
PchostRun RunPchost(const std::string& script, const PchostOptions& options = {});

std::filesystem::path BinDir();

}  // namespace pcvr_test
