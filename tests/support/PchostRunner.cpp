#include "PchostRunner.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace pcvr_test {

std::vector<std::string> PchostRun::lines() const {
  std::vector<std::string> out;
  std::istringstream stream(output);
  std::string line;
  while (std::getline(stream, line)) out.push_back(line);
  return out;
}

std::vector<std::string> PchostRun::messages() const {
  static const char* const kEcho[] = {"Command: ",      "Dialog ",         "Save dialog ",
                                      "Module loaded",  "Drawing opened",  "Point cloud opened",
                                      "QStandardPaths", "pchost finished."};
  std::vector<std::string> out;
  for (const auto& line : lines()) {
    if (std::none_of(std::begin(kEcho), std::end(kEcho), [&](const char* echo) { return line.rfind(echo, 0) == 0; })) {
      out.push_back(line);
    }
  }
  return out;
}

bool PchostRun::hasLine(const std::string& line) const {
  const auto all = lines();
  return std::find(all.begin(), all.end(), line) != all.end();
}

int PchostRun::count(const std::string& prefix) const {
  const auto all = lines();
  return static_cast<int>(
      std::count_if(all.begin(), all.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

std::string PchostRun::evenViewSize() const {
  std::string size;
  for (const auto& line : lines()) {
    int width = 0, height = 0;
    if (std::sscanf(line.c_str(), "View window %*d: %dx%d", &width, &height) == 2)
      size = std::to_string(width & ~1) + "x" + std::to_string(height & ~1);
  }
  return size;
}

std::filesystem::path BinDir() { return PCVR_BIN_DIR; }

PchostRun RunPchost(const std::string& script, const PchostOptions& options) {
  const TempDir dir("pchost-script-");
  std::ofstream(dir / "script.txt") << script;
  // Readable by all: pchost may run as another user (a compositor's own).
  std::filesystem::permissions(dir.path(), std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
                               std::filesystem::perm_options::add);
  std::vector<std::string> argv{options.pchost.empty() ? (BinDir() / "pchost").string() : options.pchost.string()};
  argv.insert(argv.end(), options.arguments.begin(), options.arguments.end());
  argv.insert(argv.end(), {"--script", dir.str("script.txt")});
  const ProcessRun run = RunProcess(argv, options);
  return PchostRun{run.exitCode, run.output};
}

}  // namespace pcvr_test
