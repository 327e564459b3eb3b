#include "StartupChecks.h"

#include <X11/Xlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pchost {

int OpenScript(const std::string& path, std::ifstream& script) {
  struct stat info {};
  const char* reason = nullptr;
  if (stat(path.c_str(), &info) != 0) {
    reason = errno == ENOENT || errno == ENOTDIR ? "no such file" : std::strerror(errno);
  } else if (S_ISDIR(info.st_mode)) {
    reason = "it is a folder";
  } else {
    // A FIFO is read as it comes, as standard input is.
    errno = 0;
    script.open(path);
    if (!script) reason = errno == EACCES ? "permission denied" : errno != 0 ? std::strerror(errno) : "unreadable";
  }
  if (reason == nullptr) return kExitOk;
  std::fprintf(stderr, "pchost: cannot read script %s: %s.\n", path.c_str(), reason);
  return kExitUsage;
}

int CheckDisplay() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') {
    std::fputs("pchost: no X display could be opened: DISPLAY is not set (give one with -display NAME).\n", stderr);
    return kExitNoDisplay;
  }
  Display* display = XOpenDisplay(name);
  if (display == nullptr) {
    std::fprintf(stderr, "pchost: no X display could be opened at \"%s\".\n", name);
    return kExitNoDisplay;
  }
  XCloseDisplay(display);
  return kExitOk;
}

}  // namespace pchost
