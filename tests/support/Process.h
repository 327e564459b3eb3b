// Programs run without a shell, temporary folders, and pictures decoded by
// ffmpeg (independent of the code that wrote them).
#pragma once

#include <cstdint>
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace pcvr_test {

struct ProcessRun {
  int exitCode = -1;   // 124 when killed at the timeout, 128 + signal when killed otherwise
  std::string output;  // standard output, and standard error unless kept apart
};

struct ProcessOptions {
  std::vector<std::string> environment;  // NAME=value, added to the test's own
  std::vector<std::string> unset;        // variables removed
  std::filesystem::path workingDirectory;
  int timeoutSeconds = 60;
  bool withStandardError = true;
  // Runs in the test while the program does, given its process id (to send
  // it a signal, for instance); the output is collected after it returns.
  std::function<void(pid_t)> whileRunning;
};

// Runs argv[0] (looked up in PATH) with these arguments; no shell sees them.
ProcessRun RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});
// Standard output only, for programs whose output is data.
inline const ProcessOptions kQuiet = [] {
  ProcessOptions quiet;
  quiet.withStandardError = false;
  return quiet;
}();

// A file's bytes; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& file);

// A fresh folder under the system's temporary folder, removed with its
// contents when the owner goes.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "pcvr-test-");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return m_path; }
  std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
  std::string str(const std::string& name) const { return (m_path / name).string(); }

 private:
  std::filesystem::path m_path;
};

struct Picture {
  bool ok = false;
  std::string codecName;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width * height * 3, top row first
  // 0xRRGGBB; 0xFFFFFFFF outside the picture
  std::uint32_t pixel(int x, int y) const;
};
// The first frame of an image or video file, decoded to RGB.
Picture DecodePicture(const std::filesystem::path& file);

}  // namespace pcvr_test
