// Temporary folders and whole-file reads.
#pragma once

#include <filesystem>
#include <string>

namespace pcvr_test {

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

}  // namespace pcvr_test
