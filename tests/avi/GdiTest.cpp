// What the recorder relies on of the GDI layer: DIB sections, GetDIBits,
// StretchBlt (the real screen in tests/recording) and zeroed global memory.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <tuple>
#include <utility>
#include <vector>

#include "win32/Gdi.h"
#include "win32/Kernel.h"

namespace {

using Pixel = std::pair<int, int>;
const Pixel kUntouched{-1, -1};

// A DIB section selected into its own memory DC; pixels addressed in DC
// coordinates (y = 0 is the top row).
struct Canvas {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = nullptr;
  HGDIOBJ stock = nullptr;
  BYTE* bits = nullptr;
  LONG width, height, stride;
  bool bottomUp;
  int bpp;

  Canvas(LONG w, LONG h, int bitCount, bool bottomUpRows = true)
      : width(w), height(h), stride(((w * bitCount + 31) / 32) * 4), bottomUp(bottomUpRows), bpp(bitCount / 8) {
    BITMAPINFO bmi{};
    bmi.bmiHeader = {
        sizeof(BITMAPINFOHEADER), w, bottomUpRows ? h : -h, 1, static_cast<WORD>(bitCount), BI_RGB, 0, 0, 0, 0, 0};
    void* p = nullptr;
    bitmap = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<BYTE*>(p);
    stock = SelectObject(dc, bitmap);
    std::memset(bits, 0xEE, static_cast<size_t>(stride) * h);
  }
  ~Canvas() {
    SelectObject(dc, stock);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  BYTE* at(LONG x, LONG y) const { return bits + (bottomUp ? height - 1 - y : y) * stride + x * bpp; }
  // A colour unique to each pixel: blue = x, green = y, red = 7.
  void paintCoordinates() {
    for (LONG y = 0; y < height; ++y)
      for (LONG x = 0; x < width; ++x)
        at(x, y)[0] = static_cast<BYTE>(x), at(x, y)[1] = static_cast<BYTE>(y), at(x, y)[2] = 7;
  }
  // The source pixel a destination pixel holds after a blit from a painted
  // canvas, or kUntouched while it holds the 0xEE fill.
  Pixel sourceOf(LONG x, LONG y) const { return at(x, y)[2] == 0xEE ? kUntouched : Pixel{at(x, y)[0], at(x, y)[1]}; }
};

BITMAPINFO Header(LONG w, LONG h, WORD bits) {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, bits, BI_RGB, 0, 0, 0, 0, 0};
  return info;
}

TEST(DibSection, RowsAreDwordAlignedAndReportedByGetObjectAndGetDIBits) {
  struct Case {
    LONG width;
    int bits;
    LONG rowBytes;
  };
  for (const Case& c : {Case{5, 32, 20}, Case{5, 24, 16}, Case{1, 24, 4}, Case{4, 24, 12}}) {
    Canvas canvas(c.width, 3, c.bits);
    const auto expected = std::make_tuple(c.width, 3, c.bits, c.rowBytes * 3);
    BITMAP bm{};
    ASSERT_EQ(GetObjectW(canvas.bitmap, sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(std::make_tuple(bm.bmWidth, bm.bmHeight, int{bm.bmBitsPixel}, bm.bmWidthBytes * 3), expected);
    EXPECT_EQ(bm.bmBits, canvas.bits);
    DIBSECTION ds{};
    ASSERT_EQ(GetObjectW(canvas.bitmap, sizeof ds, &ds), static_cast<int>(sizeof ds));
    EXPECT_EQ(ds.dsBmih.biSizeImage, static_cast<DWORD>(c.rowBytes * 3));
    // The header-completing call: only biSize set in, everything out; a
    // 32-bit DIB section reported with bit fields, as Windows reports it.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    EXPECT_EQ(GetDIBits(canvas.dc, canvas.bitmap, 0, 0, nullptr, &info, DIB_RGB_COLORS), 3);
    const BITMAPINFOHEADER& h = info.bmiHeader;
    EXPECT_EQ(std::make_tuple(h.biWidth, h.biHeight, int{h.biBitCount}, static_cast<LONG>(h.biSizeImage)), expected);
    EXPECT_EQ(h.biCompression, static_cast<DWORD>(c.bits == 32 ? BI_BITFIELDS : BI_RGB));
  }
}

TEST(GetDIBits, CopiesRowsInTheOrderAndDepthAskedInsideTheBuffer) {
  for (bool sourceBottomUp : {true, false}) {
    Canvas canvas(5, 4, 32, sourceBottomUp);
    canvas.paintCoordinates();
    // 24-bit bottom-up: rows of 16 bytes, the bottom row first, padding
    // zeroed and the two guard bytes after the last row untouched.
    BITMAPINFO info = Header(5, 4, 24);
    std::vector<BYTE> out(16 * 4 + 2, 0xAB);
    EXPECT_EQ(GetDIBits(canvas.dc, canvas.bitmap, 0, 4, out.data(), &info, DIB_RGB_COLORS), 4);
    EXPECT_EQ(info.bmiHeader.biSizeImage, 64u);
    for (int row = 0; row < 4; ++row) {
      for (int x = 0; x < 5; ++x)
        EXPECT_EQ(std::vector<BYTE>(&out[row * 16 + x * 3], &out[row * 16 + x * 3 + 3]),
                  (std::vector<BYTE>{static_cast<BYTE>(x), static_cast<BYTE>(3 - row), 7}))
            << "buffer row " << row << " is DC row " << 3 - row;
      EXPECT_EQ(out[row * 16 + 15], 0) << "row padding is zeroed, row " << row;
    }
    EXPECT_EQ(out[64] + out[65], 2 * 0xAB);
  }
}

TEST(StretchBlt, ScalesMirrorsAndClipsByNearestPixel) {
  Canvas src(4, 4, 32);
  src.paintCoordinates();
  // A negative extent w at x covers x + w + 1 .. x; signs that differ on an
  // axis mirror it. Each case: destination size and rectangle, source
  // rectangle, and the source pixel expected at destination (x, y).
  struct Case {
    LONG size;
    int bits, xd, yd, wd, hd, xs, ys, ws, hs;
    std::function<Pixel(int x, int y)> expected;
  };
  // One case a line:
  // clang-format off
  const Case cases[] = {
      {4, 32, 0, 0, 4, 4, 0, 0, 4, 4, [](int x, int y) { return Pixel{x, y}; }},
      {8, 24, 0, 0, 8, 8, 0, 0, 4, 4, [](int x, int y) { return Pixel{x / 2, y / 2}; }},
      {2, 32, 0, 0, 2, 2, 0, 0, 4, 4, [](int x, int y) { return Pixel{2 * x + 1, 2 * y + 1}; }},
      {4, 32, 3, 0, -4, 4, 0, 0, 4, 4, [](int x, int y) { return Pixel{3 - x, y}; }},
      {4, 32, 4, 0, -4, 4, 0, 0, 4, 4, [](int x, int y) { return x == 0 ? kUntouched : Pixel{4 - x, y}; }},
      {4, 32, 0, 0, 4, 4, 0, 3, 4, -4, [](int x, int y) { return Pixel{x, 3 - y}; }},
      {4, 32, 3, 3, -4, -4, 0, 0, 4, 4, [](int x, int y) { return Pixel{3 - x, 3 - y}; }},
      {4, 32, 3, 0, -4, 4, 3, 0, -4, 4, [](int x, int y) { return Pixel{x, y}; }},  // both negative: no mirror
      // Over the destination's left and top edges and past the source's
      // right edge: only pixels inside both are written.
      {6, 32, -1, -1, 4, 4, 2, 0, 4, 4, [](int x, int y) { return x < 1 && y < 3 ? Pixel{x + 3, y + 1} : kUntouched; }},
      {4, 32, 100, 100, 4, 4, 0, 0, 4, 4, [](int, int) { return kUntouched; }},
  };
  // clang-format on
  for (const Case& c : cases) {
    Canvas dst(c.size, c.size, c.bits);
    EXPECT_EQ(SetStretchBltMode(dst.dc, COLORONCOLOR), BLACKONWHITE);
    ASSERT_TRUE(StretchBlt(dst.dc, c.xd, c.yd, c.wd, c.hd, src.dc, c.xs, c.ys, c.ws, c.hs, SRCCOPY));
    for (int y = 0; y < c.size; ++y)
      for (int x = 0; x < c.size; ++x)
        EXPECT_EQ(dst.sourceOf(x, y), c.expected(x, y))
            << "case x=" << c.xd << " w=" << c.wd << " ws=" << c.ws << " at " << x << "," << y;
  }
  EXPECT_FALSE(StretchBlt(src.dc, 0, 0, 4, 4, src.dc, 0, 0, 4, 4, 0x00EE0086 /* SRCPAINT */));
  EXPECT_FALSE(StretchBlt(src.dc, 0, 0, 4, 4, nullptr, 0, 0, 4, 4, SRCCOPY));
}

TEST(GlobalMemory, ZeroInitialisedFixedBlocks) {
  HGLOBAL block = GlobalAlloc(GMEM_ZEROINIT, 4096);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalLock(block), block);
  EXPECT_EQ(std::vector<BYTE>(static_cast<BYTE*>(block), static_cast<BYTE*>(block) + 4096), std::vector<BYTE>(4096, 0));
  EXPECT_EQ(GlobalFree(block), nullptr);
}

}  // namespace
