// Reading a point-cloud file: the reader is chosen by the file's extension
// (PlyReader.cpp, XyzReader.cpp).
#include "host/PointCloudReader.h"

#include <sys/stat.h>

#include <cstdio>
#include <memory>

#include "host/FileCheck.h"
#include "win32/Text.h"

namespace host {

namespace {

std::string LowerExtension(const std::string& path) {
  const auto dot = path.rfind('.');
  const auto slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return win32::ToLowerAscii(std::string_view(path).substr(dot + 1));
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool IsPointCloudFile(const std::string& path) {
  const std::string ext = LowerExtension(path);
  return ext == "ply" || ext == "xyz" || ext == "txt" || ext == "pts";
}

bool ReadPointCloudFile(const std::string& path, PointCloudData& cloud, std::string& error) {
  cloud.clear();
  if (!CheckFileToOpen(path, error)) return false;
  if (!IsPointCloudFile(path)) {
    error = "not a point-cloud file (.ply or .xyz)";
    return false;
  }
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    error = "the file cannot be read";
    return false;
  }
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = "the file cannot be read";
    return false;
  }
  std::vector<char> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(info.st_size));
  } catch (const std::exception&) {
    error = "the file is too large to read";
    return false;
  }
  if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
    error = "the file cannot be read";
    return false;
  }
  if (LowerExtension(path) == "ply") return ReadPlyCloud(bytes.data(), bytes.size(), cloud, error);
  return ReadXyzCloud(bytes.data(), bytes.size(), cloud, error);
}

}  // namespace host
