// PNG files read back with FFmpeg's command-line tools, a decoder
// independent of the Qt code that wrote them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace screenshots_test {

struct DecodedPng {
  bool ok = false;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width * height * 3, top row first

  // 0xRRGGBB
  std::uint32_t pixel(int x, int y) const;
};

DecodedPng DecodePng(const std::filesystem::path& file);

}  // namespace screenshots_test
