#include "ModuleHarness.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

#include "win32/Kernel.h"
#include "win32/Text.h"

namespace pcvr_test {

std::string FakeHostPath(const std::string& name) { return std::string(PCVR_BIN_DIR) + "/" + name; }

std::string ModulePath() { return std::string(PCVR_BIN_DIR) + "/PC_hostVideoRecorder.so"; }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

namespace {

// Records are separated by a byte that no command text holds.
constexpr char kSeparator = '\x1e';

}  // namespace

ChildResult LoadInChild(const std::vector<std::string>& libraries) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    std::vector<HMODULE> handles;
    for (const auto& path : libraries) handles.push_back(LoadLibraryW(win32::FromUtf8(path).c_str()));
    HMODULE module = LoadLibraryW(win32::FromUtf8(ModulePath()).c_str());
    std::string out = module != nullptr ? "1" : "0";
    for (HMODULE handle : handles) {
      out += kSeparator;
      using TextFn = const char* (*)();
      using CountFn = int (*)();
      auto commands = handle ? reinterpret_cast<TextFn>(GetProcAddress(handle, "fakeHostCommands")) : nullptr;
      auto alive = handle ? reinterpret_cast<CountFn>(GetProcAddress(handle, "fakeHostFactoriesAlive")) : nullptr;
      out += std::to_string(alive != nullptr ? alive() : -1);
      out += kSeparator;
      out += commands != nullptr ? commands() : "";
    }
    out += kSeparator;  // ends the last record, even an empty one
    FILE* pipeEnd = fdopen(fds[1], "w");
    fwrite(out.data(), 1, out.size(), pipeEnd);
    fclose(pipeEnd);
    _exit(0);
  }
  close(fds[1]);
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);

  ChildResult result;
  std::vector<std::string> parts;
  std::istringstream records(text);
  for (std::string part; std::getline(records, part, kSeparator);) parts.push_back(part);
  if (parts.empty() || !WIFEXITED(status)) return result;
  result.moduleLoaded = parts[0] == "1";
  for (std::size_t i = 1; i + 1 < parts.size(); i += 2) {
    result.factoriesAlive.push_back(std::stoi(parts[i]));
    result.commands.push_back(parts[i + 1]);
  }
  return result;
}

}  // namespace pcvr_test
