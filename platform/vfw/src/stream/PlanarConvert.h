// DIB rows (32-bit BGRX or 24-bit BGR) straight into the 4:2:0 planes an
// encoder takes, in one pass over the picture: the colour conversion of the
// live recording and of the video from a trajectory, where a general scaler
// spends most of the frame's time on a conversion that needs no scaling.
//
// BT.601 coefficients, full range (JPEG) or video range (MPEG). Each chroma
// sample is the mean of its 2x2 block, centred between the luma samples as
// JPEG places it.
#pragma once

#include <cstddef>
#include <cstdint>

struct PlanarPicture {
  std::uint8_t* planes[3];  // Y, Cb, Cr
  int strides[3];
};

// These functions are exported from the library (which hides everything else
// that vfw.h does not declare) so that the conversion's own test checks the
// code the library runs.
#define PCVR_CONVERT_EXPORT __attribute__((visibility("default")))

// True when `ConvertToYuv420` handles this picture: 24- or 32-bit pixels and
// an even width and height (4:2:0 needs whole 2x2 blocks).
PCVR_CONVERT_EXPORT bool CanConvertToYuv420(int bitsPerPixel, int width, int height);

// `top` is the picture's top row and `step` the distance in bytes from a row
// to the one below it (negative for a bottom-up DIB). 32-bit pictures take
// the AVX2 path where the processor has it, which gives the same bytes as
// the portable one.
PCVR_CONVERT_EXPORT void ConvertToYuv420(const std::uint8_t* top, std::ptrdiff_t step, int bitsPerPixel, int width,
                                         int height, bool fullRange, const PlanarPicture& out);

// The two paths on their own, for the tests and the benchmarks.
PCVR_CONVERT_EXPORT void ConvertToYuv420Portable(const std::uint8_t* top, std::ptrdiff_t step, int bitsPerPixel,
                                                 int width, int height, bool fullRange, const PlanarPicture& out);
// 32-bit pixels only; call it only where ConvertToYuv420HasAvx2() is true.
PCVR_CONVERT_EXPORT void ConvertToYuv420Avx2(const std::uint8_t* top, std::ptrdiff_t step, int width, int height,
                                             bool fullRange, const PlanarPicture& out);
PCVR_CONVERT_EXPORT bool ConvertToYuv420HasAvx2();
