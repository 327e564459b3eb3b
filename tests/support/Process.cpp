#include "Process.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "MediaProbe.h"

namespace pcvr_test {

ProcessRun RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
  ProcessRun run;
  int fds[2];
  if (argv.empty() || pipe(fds) != 0) return run;
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    dup2(fds[1], STDOUT_FILENO);
    if (options.withStandardError) dup2(fds[1], STDERR_FILENO);
    close(fds[1]);
    for (const auto& name : options.unset) unsetenv(name.c_str());
    for (const auto& assignment : options.environment) {
      const auto equals = assignment.find('=');
      setenv(assignment.substr(0, equals).c_str(), assignment.substr(equals + 1).c_str(), 1);
    }
    if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0) _exit(127);
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    alarm(static_cast<unsigned>(options.timeoutSeconds));  // a hung program is killed, not waited for
    execvp(args[0], args.data());
    _exit(127);
  }
  close(fds[1]);
  if (child > 0 && options.whileRunning) options.whileRunning(child);
  char buffer[65536];
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

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TempDir::TempDir(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
  if (mkdtemp(pattern.data()) != nullptr) m_path = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
}

std::uint32_t Picture::pixel(int x, int y) const {
  const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
  if (x < 0 || y < 0 || x >= width || y >= height || at + 2 >= rgb.size()) return 0xFFFFFFFFu;
  return (std::uint32_t{rgb[at]} << 16) | (std::uint32_t{rgb[at + 1]} << 8) | rgb[at + 2];
}

Picture DecodePicture(const std::filesystem::path& path) {
  Picture picture;
  // FFmpeg reads a "%d" in an image's name as a numbered sequence: the file
  // is read under a plain name.
  const TempDir dir("pcvr-picture-");
  const std::filesystem::path file = dir / ("picture" + path.extension().string());
  std::error_code error;
  std::filesystem::create_symlink(std::filesystem::absolute(path), file, error);
  const avitest::StreamProbe probe = avitest::Probe(file.string());
  if (!probe.ok) return picture;
  const auto run = RunProcess(
      {"ffmpeg", "-v", "error", "-i", file.string(), "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"},
      kQuiet);
  picture.codecName = probe.codecName;
  picture.width = probe.width;
  picture.height = probe.height;
  picture.rgb.assign(run.output.begin(), run.output.end());
  picture.ok = run.exitCode == 0 && picture.width > 0 &&
               picture.rgb.size() == static_cast<std::size_t>(picture.width) * picture.height * 3;
  return picture;
}

}  // namespace pcvr_test
