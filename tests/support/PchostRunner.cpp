#include "PchostRunner.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
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
    bool echo = false;
    for (const char* prefix : kEcho) echo = echo || line.rfind(prefix, 0) == 0;
    if (!echo) out.push_back(line);
  }
  return out;
}

bool PchostRun::hasLine(const std::string& line) const {
  for (const auto& l : lines()) {
    if (l == line) return true;
  }
  return false;
}

std::filesystem::path BinDir() { return PCVR_BIN_DIR; }

std::filesystem::path MakeTempDir(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

namespace {

// Runs program with args (args[0] is the program's name), its output
// collected; killed after the timeout (exit code 124).
PchostRun Run(const std::string& program, std::vector<std::string> args, const PchostOptions& options) {
  PchostRun run;
  int fds[2];
  if (pipe(fds) != 0) return run;
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    dup2(fds[1], STDOUT_FILENO);
    dup2(fds[1], STDERR_FILENO);
    close(fds[1]);
    for (const auto& name : options.unset) unsetenv(name.c_str());
    for (const auto& assignment : options.environment) {
      const auto equals = assignment.find('=');
      setenv(assignment.substr(0, equals).c_str(), assignment.substr(equals + 1).c_str(), 1);
    }
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    alarm(static_cast<unsigned>(options.timeoutSeconds));  // a hung program is killed, not waited for
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(fds[1]);
  if (child > 0 && options.whileRunning) options.whileRunning(child);
  char buffer[4096];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0) run.output.append(buffer, static_cast<std::size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFEXITED(status)) {
    run.exitCode = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    run.exitCode = WTERMSIG(status) == SIGALRM ? 124 : 128 + WTERMSIG(status);
  }
  return run;
}

}  // namespace

PchostRun RunPchost(const std::string& script, const PchostOptions& options) {
  const auto dir = MakeTempDir("pchost-script-");
  const auto scriptPath = dir / "script.txt";
  {
    std::ofstream file(scriptPath);
    file << script;
  }
  const std::string pchost = options.pchost.empty() ? (BinDir() / "pchost").string() : options.pchost.string();
  std::vector<std::string> args{pchost};
  args.insert(args.end(), options.arguments.begin(), options.arguments.end());
  args.push_back("--script");
  args.push_back(scriptPath.string());
  PchostRun run = Run(pchost, std::move(args), options);
  std::filesystem::remove_all(dir);
  return run;
}

PchostRun RunProgram(const std::string& name, const std::vector<std::string>& arguments) {
  const std::string program = (BinDir() / name).string();
  std::vector<std::string> args{program};
  args.insert(args.end(), arguments.begin(), arguments.end());
  return Run(program, std::move(args), PchostOptions{});
}

}  // namespace pcvr_test
