// The one-pass conversion to 4:2:0 against BT.601 worked out in floating
// point, on random pictures: uniform areas cannot show a chroma sample taken
// from one row of its block, a row read twice or a pixel of its neighbour;
// noise shows them all. Through the library's own entry point, so that any
// path it picks for the machine is the one checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "PlanarConvert.h"

namespace {

constexpr std::uint8_t kUntouched = 0xA5;  // the planes' padding, which stays as it is

// Converts a random picture; "" when every sample is within one step of the
// reference and no padding byte changed, else the first that is not.
std::string Mismatch(std::mt19937& random, int bits, bool fullRange, bool bottomUp, int width, int height) {
  const int bytes = bits / 8;
  const std::ptrdiff_t rowBytes = (width * bytes + 3) / 4 * 4;
  std::vector<std::uint8_t> dib(static_cast<std::size_t>(rowBytes * height));
  for (auto& b : dib) b = static_cast<std::uint8_t>(random());
  const int strides[3] = {width + 16, width / 2 + 8, width / 2 + 8};
  std::vector<std::uint8_t> planes[3];
  for (int p = 0; p < 3; ++p) planes[p].assign(static_cast<std::size_t>(strides[p] * height), kUntouched);
  const std::uint8_t* top = dib.data() + (bottomUp ? (height - 1) * rowBytes : 0);
  const std::ptrdiff_t step = bottomUp ? -rowBytes : rowBytes;
  ConvertToYuv420(top, step, bits, width, height, fullRange,
                  {{planes[0].data(), planes[1].data(), planes[2].data()}, {strides[0], strides[1], strides[2]}});

  std::string first;
  const auto expect = [&](int plane, int x, int y, double reference) {
    const int got = planes[plane][static_cast<std::size_t>(y * strides[plane] + x)];
    if (first.empty() && std::abs(got - std::clamp(reference, 0.0, 255.0)) > 1.0)
      first = "plane " + std::to_string(plane) + " (" + std::to_string(x) + ", " + std::to_string(y) +
              "): " + std::to_string(got) + ", not " + std::to_string(reference);
  };
  // Red, green or blue (c = 0, 1, 2) of pixel (x, y); the rows hold BGR.
  const auto at = [&](int x, int y, int c) { return static_cast<double>(top[y * step + x * bytes + 2 - c]); };
  const double luma = fullRange ? 1.0 : 219.0 / 255.0, chroma = fullRange ? 1.0 : 224.0 / 255.0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      expect(0, x, y, (fullRange ? 0 : 16) + luma * (0.299 * at(x, y, 0) + 0.587 * at(x, y, 1) + 0.114 * at(x, y, 2)));
  for (int y = 0; y < height; y += 2)
    for (int x = 0; x < width; x += 2) {
      double m[3];  // the 2x2 block's mean
      for (int c = 0; c < 3; ++c) m[c] = (at(x, y, c) + at(x + 1, y, c) + at(x, y + 1, c) + at(x + 1, y + 1, c)) / 4;
      expect(1, x / 2, y / 2, 128 + chroma * (-0.168736 * m[0] - 0.331264 * m[1] + 0.5 * m[2]));
      expect(2, x / 2, y / 2, 128 + chroma * (0.5 * m[0] - 0.418688 * m[1] - 0.081312 * m[2]));
    }
  for (int p = 0; p < 3 && first.empty(); ++p) {
    const int used = p == 0 ? width : width / 2;
    for (int y = 0; y < (p == 0 ? height : height / 2); ++y)
      if (std::count(planes[p].begin() + y * strides[p] + used, planes[p].begin() + (y + 1) * strides[p], kUntouched) !=
          strides[p] - used)
        first = "written past row " + std::to_string(y) + " of plane " + std::to_string(p);
  }
  return first;
}

TEST(PlanarConvert, RandomPicturesWithinOneStepOfFloatingPointBt601) {
  std::mt19937 random(601);
  for (const int bits : {24, 32})
    for (const bool fullRange : {true, false})
      for (const bool bottomUp : {false, true})
        for (const auto& [width, height] : {std::pair{2, 2}, std::pair{34, 6}, std::pair{130, 10}}) {
          ASSERT_TRUE(CanConvertToYuv420(bits, width, height));
          EXPECT_EQ(Mismatch(random, bits, fullRange, bottomUp, width, height), "")
              << bits << " bits, " << (fullRange ? "full" : "video") << " range, "
              << (bottomUp ? "bottom-up " : "top-down ") << width << "x" << height;
        }
}

// The AVX2 path against the portable one: the same bytes on random pictures
// (with a white and a pure blue run, where rounding is tightest), both ranges
// and row orders, widths that leave pixels over for the portable kernels.
TEST(PlanarConvert, Avx2GivesThePortableBytes) {
  if (!ConvertToYuv420HasAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
  std::mt19937 random(7);
  for (const auto& [width, height] : {std::pair{2, 2}, std::pair{66, 6}, std::pair{1282, 10}}) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    for (auto& p : pixels) p = static_cast<std::uint32_t>(random());
    for (int x = 0; x < width && x < 40; ++x) pixels[x] = x < 20 ? 0xFFFFFFFF : 0x000000FF;
    for (const bool fullRange : {true, false})
      for (const bool bottomUp : {false, true}) {
        const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(width) * 4;
        const auto* top = reinterpret_cast<const std::uint8_t*>(pixels.data()) + (bottomUp ? (height - 1) * stride : 0);
        std::vector<std::uint8_t> planes[2][3];
        for (int path = 0; path < 2; ++path) {
          for (int p = 0; p < 3; ++p) planes[path][p].assign(static_cast<std::size_t>(width) * height, kUntouched);
          const PlanarPicture out{{planes[path][0].data(), planes[path][1].data(), planes[path][2].data()},
                                  {width, width / 2, width / 2}};
          if (path == 0) ConvertToYuv420Portable(top, bottomUp ? -stride : stride, 32, width, height, fullRange, out);
          if (path == 1) ConvertToYuv420Avx2(top, bottomUp ? -stride : stride, width, height, fullRange, out);
        }
        for (int p = 0; p < 3; ++p)
          EXPECT_EQ(planes[1][p], planes[0][p])
              << "plane " << p << ", " << width << "x" << height << (fullRange ? " full" : " video")
              << (bottomUp ? " bottom-up" : " top-down");
      }
  }
}

}  // namespace
