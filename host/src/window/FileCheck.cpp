#include "host/FileCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

namespace host {

namespace {

std::string Reason(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return "no such file";
    case EACCES:
    case EPERM:
      return "permission denied";
    default: {
      std::string text = std::strerror(error);
      if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
      return text;
    }
  }
}

}  // namespace

bool CheckFileToOpen(const std::string& path, std::string& reason) {
  struct stat info {};
  if (path.empty() || stat(path.c_str(), &info) != 0) {
    reason = Reason(path.empty() ? ENOENT : errno);
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    reason = "it is a folder";
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    reason = "not a regular file";
    return false;
  }
  // Permission is asked of the file itself (not access(), which answers for
  // the real user); O_NONBLOCK in case it was swapped for a FIFO meanwhile.
  const int file = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (file < 0) {
    reason = Reason(errno);
    return false;
  }
  close(file);
  return true;
}

}  // namespace host
