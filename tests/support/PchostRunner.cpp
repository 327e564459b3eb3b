#include "PchostRunner.h"

#include <stdlib.h>

#include <algorithm>
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
  static const char* const kEcho[] = {"Command: ",   "Dialog ",           "Save dialog ",    "Module loaded",
                                      "Drawing opened", "Point cloud opened", "QStandardPaths", "pchost finished."};
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

std::filesystem::path BinDir() { return PCVR_BIN_DIR; }

std::filesystem::path MakeTempDir(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

PchostRun RunPchost(const std::string& script, const PchostOptions& options) {
  const TempDir dir("pchost-script-");
  std::ofstream(dir / "script.txt") << script;
  std::vector<std::string> argv{options.pchost.empty() ? (BinDir() / "pchost").string() : options.pchost.string()};
  argv.insert(argv.end(), options.arguments.begin(), options.arguments.end());
  argv.insert(argv.end(), {"--script", dir.str("script.txt")});
  ProcessOptions process;
  process.environment = options.environment;
  process.unset = options.unset;
  process.timeoutSeconds = options.timeoutSeconds;
  process.whileRunning = options.whileRunning;
  const ProcessRun run = RunProcess(argv, process);
  return PchostRun{run.exitCode, run.output};
}

PchostRun RunProgram(const std::string& name, const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{(BinDir() / name).string()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  const ProcessRun run = RunProcess(argv);
  return PchostRun{run.exitCode, run.output};
}

}  // namespace pcvr_test
