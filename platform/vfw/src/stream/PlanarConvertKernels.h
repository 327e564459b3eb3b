// The portable row kernels of the 4:2:0 conversion, shared by the portable
// path and by the AVX2 path (which uses them for the pixels left over at the
// end of a row). Internal linkage: each file compiles its own copy with its
// own instruction set, so no AVX2 code can stand in for the portable one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "PlanarConvert.h"

namespace {

// Fixed point with 16 fraction bits.
constexpr int kShift = 16;
constexpr int kHalf = 1 << (kShift - 1);

struct Coefficients {
  int yr, yg, yb, yOffset;  // luma
  int ur, ug, ub;           // Cb (its blue weight equals the Cr red weight)
  int vr, vg, vb;           // Cr
};

constexpr int Fix(double value) { return static_cast<int>(value * (1 << kShift) + (value < 0 ? -0.5 : 0.5)); }

// Full range: Y = 0.299 R + 0.587 G + 0.114 B, Cb/Cr centred on 128 with
// +-0.5 swing. Video range scales luma to 16..235 and chroma to 16..240.
constexpr Coefficients kFull{Fix(0.299), Fix(0.587),     Fix(0.114),    0, Fix(-0.168736), Fix(-0.331264), Fix(0.5),
                             Fix(0.5),   Fix(-0.418688), Fix(-0.081312)};
constexpr double kLuma = 219.0 / 255.0, kChroma = 224.0 / 255.0;
constexpr Coefficients kVideo{
    Fix(0.299 * kLuma),       Fix(0.587 * kLuma),       Fix(0.114 * kLuma), 16,
    Fix(-0.168736 * kChroma), Fix(-0.331264 * kChroma), Fix(0.5 * kChroma), Fix(0.5 * kChroma),
    Fix(-0.418688 * kChroma), Fix(-0.081312 * kChroma)};

// Luma of one row, and chroma of a pair of rows; Bytes is the pixel size,
// so that the compiler lays the loops out (and vectorises them) for it.
template <int Bytes, const Coefficients& c>
void LumaRow(const std::uint8_t* __restrict row, int width, std::uint8_t* __restrict luma) {
  const int base = (c.yOffset << kShift) + kHalf;
  for (int x = 0; x < width; ++x) {
    const std::uint8_t* p = row + x * Bytes;
    luma[x] = static_cast<std::uint8_t>((base + c.yr * p[2] + c.yg * p[1] + c.yb * p[0]) >> kShift);
  }
}

template <int Bytes, const Coefficients& c>
void ChromaRowPair(const std::uint8_t* __restrict upper, const std::uint8_t* __restrict lower, int width,
                   std::uint8_t* __restrict cb, std::uint8_t* __restrict cr) {
  // The sums hold four pixels: two more fraction bits, and the offset of
  // 128 plus rounding put in at that scale. Rounding stops just short of a
  // half, so that pure blue or red (255.5 exactly) stays 255.
  const int base = (128 << (kShift + 2)) + (1 << (kShift + 1)) - 1;
  for (int x = 0; x < width / 2; ++x) {
    const std::uint8_t* a = upper + 2 * x * Bytes;
    const std::uint8_t* b = lower + 2 * x * Bytes;
    const int blue = a[0] + a[Bytes] + b[0] + b[Bytes];
    const int green = a[1] + a[Bytes + 1] + b[1] + b[Bytes + 1];
    const int red = a[2] + a[Bytes + 2] + b[2] + b[Bytes + 2];
    cb[x] = static_cast<std::uint8_t>((base + c.ur * red + c.ug * green + c.ub * blue) >> (kShift + 2));
    cr[x] = static_cast<std::uint8_t>((base + c.vr * red + c.vg * green + c.vb * blue) >> (kShift + 2));
  }
}

// The portable kernels of one pixel size and range.
template <int Bytes, const Coefficients& c>
struct PortableRows {
  static void luma(const std::uint8_t* row, int width, std::uint8_t* out) { LumaRow<Bytes, c>(row, width, out); }
  static void chroma(const std::uint8_t* upper, const std::uint8_t* lower, int width, std::uint8_t* cb,
                     std::uint8_t* cr) {
    ChromaRowPair<Bytes, c>(upper, lower, width, cb, cr);
  }
};

// The picture two rows at a time through the row kernels of Rows.
template <class Rows>
void ConvertPicture(const std::uint8_t* top, std::ptrdiff_t step, int width, int height, const PlanarPicture& out) {
  for (int y = 0; y < height; y += 2) {
    const std::uint8_t* upper = top + step * y;
    const std::uint8_t* lower = upper + step;
    std::uint8_t* yUpper = out.planes[0] + static_cast<std::ptrdiff_t>(out.strides[0]) * y;
    Rows::luma(upper, width, yUpper);
    Rows::luma(lower, width, yUpper + out.strides[0]);
    Rows::chroma(upper, lower, width, out.planes[1] + static_cast<std::ptrdiff_t>(out.strides[1]) * (y / 2),
                 out.planes[2] + static_cast<std::ptrdiff_t>(out.strides[2]) * (y / 2));
  }
}

}  // namespace
