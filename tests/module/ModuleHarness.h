// Loads libraries and the module in a child process, as each way of finding
// the host is decided once, when the module is mapped.
#pragma once

#include <string>
#include <vector>

namespace pcvr_test {

struct ChildResult {
  // Registrations recorded by each fake host, in the order of `libraries`.
  std::vector<std::string> commands;
  std::vector<int> factoriesAlive;
  bool moduleLoaded = false;
};

std::string FakeHostPath(const std::string& name);
std::string ModulePath();

// Loads `libraries` (paths), then the module, in a forked child; reports what
// each library recorded.
ChildResult LoadInChild(const std::vector<std::string>& libraries);

// The lines of a fake host's record.
std::vector<std::string> Lines(const std::string& text);

}  // namespace pcvr_test
