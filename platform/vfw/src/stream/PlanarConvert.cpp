#include "PlanarConvert.h"

#include "PlanarConvertKernels.h"

namespace {

bool CpuHasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
#else
  return false;
#endif
}

}  // namespace

bool CanConvertToYuv420(int bitsPerPixel, int width, int height) {
  return (bitsPerPixel == 24 || bitsPerPixel == 32) && width > 0 && height > 0 && width % 2 == 0 && height % 2 == 0;
}

bool ConvertToYuv420HasAvx2() { return CpuHasAvx2(); }

void ConvertToYuv420Portable(const std::uint8_t* top, std::ptrdiff_t step, int bitsPerPixel, int width, int height,
                             bool fullRange, const PlanarPicture& out) {
  if (bitsPerPixel == 32) {
    if (fullRange) {
      ConvertPicture<PortableRows<4, kFull>>(top, step, width, height, out);
    } else {
      ConvertPicture<PortableRows<4, kVideo>>(top, step, width, height, out);
    }
  } else if (fullRange) {
    ConvertPicture<PortableRows<3, kFull>>(top, step, width, height, out);
  } else {
    ConvertPicture<PortableRows<3, kVideo>>(top, step, width, height, out);
  }
}

void ConvertToYuv420(const std::uint8_t* top, std::ptrdiff_t step, int bitsPerPixel, int width, int height,
                     bool fullRange, const PlanarPicture& out) {
  if (bitsPerPixel == 32 && CpuHasAvx2()) {
    ConvertToYuv420Avx2(top, step, width, height, fullRange, out);
    return;
  }
  ConvertToYuv420Portable(top, step, bitsPerPixel, width, height, fullRange, out);
}
