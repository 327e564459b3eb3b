// The 4:2:0 conversion of 32-bit pixels with AVX2, eight pixels a register.
// Compiled with -mavx2 and reached only through the run-time check in
// PlanarConvert.cpp. The arithmetic is the portable kernels' own, in 32-bit
// lanes (the same products, sums and shifts), so both give the same bytes;
// the pixels left at the end of a row go through the portable kernels.
#include <immintrin.h>

#include "PlanarConvert.h"
#include "PlanarConvertKernels.h"

namespace {

// Brings the dwords of packus(packus(a, b), packus(c, d)) back to a, b, c, d
// order: the packs work within each 128-bit half.
inline __m256i InOrder(__m256i packed) {
  return _mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
}

template <const Coefficients& c>
struct Avx2Rows {
  static void luma(const std::uint8_t* row, int width, std::uint8_t* out) {
    const __m256i low = _mm256_set1_epi32(0xFF);
    const __m256i yr = _mm256_set1_epi32(c.yr), yg = _mm256_set1_epi32(c.yg), yb = _mm256_set1_epi32(c.yb);
    const __m256i base = _mm256_set1_epi32((c.yOffset << kShift) + kHalf);
    int x = 0;
    for (; x + 32 <= width; x += 32) {
      __m256i y[4];
      for (int k = 0; k < 4; ++k) {
        const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + (x + 8 * k) * 4));
        const __m256i b = _mm256_and_si256(p, low);
        const __m256i g = _mm256_and_si256(_mm256_srli_epi32(p, 8), low);
        const __m256i r = _mm256_and_si256(_mm256_srli_epi32(p, 16), low);
        __m256i sum = _mm256_add_epi32(base, _mm256_mullo_epi32(r, yr));
        sum = _mm256_add_epi32(sum, _mm256_mullo_epi32(g, yg));
        sum = _mm256_add_epi32(sum, _mm256_mullo_epi32(b, yb));
        y[k] = _mm256_srai_epi32(sum, kShift);
      }
      const __m256i bytes = _mm256_packus_epi16(_mm256_packus_epi32(y[0], y[1]), _mm256_packus_epi32(y[2], y[3]));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x), InOrder(bytes));
    }
    LumaRow<4, c>(row + x * 4, width - x, out + x);
  }

  static void chroma(const std::uint8_t* upper, const std::uint8_t* lower, int width, std::uint8_t* cb,
                     std::uint8_t* cr) {
    // Blue and red, and green and the spare byte, as 16-bit halves of each
    // pixel's dword: the sums of four pixels (at most 1020) never carry
    // into the other half.
    const __m256i halves = _mm256_set1_epi32(0x00FF00FF);
    const __m256i lowHalf = _mm256_set1_epi32(0xFFFF);
    const __m256i ur = _mm256_set1_epi32(c.ur), ug = _mm256_set1_epi32(c.ug), ub = _mm256_set1_epi32(c.ub);
    const __m256i vr = _mm256_set1_epi32(c.vr), vg = _mm256_set1_epi32(c.vg), vb = _mm256_set1_epi32(c.vb);
    const __m256i base = _mm256_set1_epi32((128 << (kShift + 2)) + (1 << (kShift + 1)) - 1);
    const int samples = width / 2;
    int x = 0;
    for (; x + 16 <= samples; x += 16) {
      __m256i blueRed[4], greenSpare[4];
      for (int k = 0; k < 4; ++k) {
        const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(2 * x + 8 * k) * 4;
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(upper + at));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lower + at));
        blueRed[k] = _mm256_add_epi16(_mm256_and_si256(a, halves), _mm256_and_si256(b, halves));
        greenSpare[k] = _mm256_add_epi16(_mm256_and_si256(_mm256_srli_epi32(a, 8), halves),
                                         _mm256_and_si256(_mm256_srli_epi32(b, 8), halves));
      }
      __m256i u[2], v[2];
      for (int h = 0; h < 2; ++h) {
        // Neighbouring pixels summed; hadd leaves samples 0 1 4 5 2 3 6 7,
        // the qword permute puts them in order.
        const __m256i br = _mm256_permute4x64_epi64(_mm256_hadd_epi32(blueRed[2 * h], blueRed[2 * h + 1]), 0xD8);
        const __m256i gs = _mm256_permute4x64_epi64(_mm256_hadd_epi32(greenSpare[2 * h], greenSpare[2 * h + 1]), 0xD8);
        const __m256i blue = _mm256_and_si256(br, lowHalf);
        const __m256i red = _mm256_srli_epi32(br, 16);
        const __m256i green = _mm256_and_si256(gs, lowHalf);
        __m256i su = _mm256_add_epi32(base, _mm256_mullo_epi32(red, ur));
        su = _mm256_add_epi32(su, _mm256_mullo_epi32(green, ug));
        su = _mm256_add_epi32(su, _mm256_mullo_epi32(blue, ub));
        __m256i sv = _mm256_add_epi32(base, _mm256_mullo_epi32(red, vr));
        sv = _mm256_add_epi32(sv, _mm256_mullo_epi32(green, vg));
        sv = _mm256_add_epi32(sv, _mm256_mullo_epi32(blue, vb));
        u[h] = _mm256_srai_epi32(su, kShift + 2);
        v[h] = _mm256_srai_epi32(sv, kShift + 2);
      }
      // Cb 0-15 in the low half, Cr 0-15 in the high half.
      const __m256i bytes =
          InOrder(_mm256_packus_epi16(_mm256_packus_epi32(u[0], u[1]), _mm256_packus_epi32(v[0], v[1])));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(cb + x), _mm256_castsi256_si128(bytes));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(cr + x), _mm256_extracti128_si256(bytes, 1));
    }
    ChromaRowPair<4, c>(upper + 2 * x * 4, lower + 2 * x * 4, width - 2 * x, cb + x, cr + x);
  }
};

}  // namespace

void ConvertToYuv420Avx2(const std::uint8_t* top, std::ptrdiff_t step, int width, int height, bool fullRange,
                         const PlanarPicture& out) {
  if (fullRange) {
    ConvertPicture<Avx2Rows<kFull>>(top, step, width, height, out);
  } else {
    ConvertPicture<Avx2Rows<kVideo>>(top, step, width, height, out);
  }
}
