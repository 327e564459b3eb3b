#include "PngProbe.h"

#include <cstdio>
#include <string>

namespace screenshots_test {

namespace {

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::string Run(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

}  // namespace

std::uint32_t DecodedPng::pixel(int x, int y) const {
  const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
  if (x < 0 || y < 0 || x >= width || y >= height || at + 2 >= rgb.size()) return 0xFFFFFFFFu;
  return (std::uint32_t{rgb[at]} << 16) | (std::uint32_t{rgb[at + 1]} << 8) | rgb[at + 2];
}

DecodedPng DecodePng(const std::filesystem::path& file) {
  DecodedPng png;
  const std::string name = Quote(file.string());
  const std::string size =
      Run("ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,width,height -of csv=p=0 " + name);
  char codec[32] = {};
  if (std::sscanf(size.c_str(), "%31[^,],%d,%d", codec, &png.width, &png.height) != 3 || std::string(codec) != "png") {
    return png;
  }
  const std::string pixels = Run("ffmpeg -v error -i " + name + " -f rawvideo -pix_fmt rgb24 -");
  png.rgb.assign(pixels.begin(), pixels.end());
  png.ok = png.width > 0 && png.height > 0 && png.rgb.size() == static_cast<std::size_t>(png.width) * png.height * 3;
  return png;
}

}  // namespace screenshots_test
