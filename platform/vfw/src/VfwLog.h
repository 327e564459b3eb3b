// How this library reports: a line on standard error with its own prefix
// and the Windows function that failed. Private to the vfw library.
#pragma once

#include <cstdio>
#include <string>

extern "C" {
#include <libavutil/error.h>
}

namespace vfw::detail {

inline void Log(const char* function, const std::string& what) {
  std::fprintf(stderr, "vfw: %s: %s\n", function, what.c_str());
}

inline std::string AvError(int err) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(err, text, sizeof text);
  return text;
}

}  // namespace vfw::detail
