// Memory DCs, DIB sections, GetDIBits and StretchBlt.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "win32/Gdi.h"
#include "win32/Kernel.h"

namespace {

// A DIB section selected into its own memory DC; pixels addressed in DC
// coordinates (y = 0 is the top row).
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ stock = nullptr;
  BYTE* bits = nullptr;
  LONG width, height, stride;
  bool bottomUp;
  int bpp;

  Canvas(LONG w, LONG h, int bitCount, bool bottomUpRows = true)
      : width(w), height(h), stride(((w * bitCount + 31) / 32) * 4), bottomUp(bottomUpRows), bpp(bitCount / 8) {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = bottomUpRows ? h : -h;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = static_cast<WORD>(bitCount);
    bmi.bmiHeader.biCompression = BI_RGB;
    void* p = nullptr;
    bitmap = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &p, nullptr, 0);
    bits = static_cast<BYTE*>(p);
    dc = CreateCompatibleDC(nullptr);
    stock = SelectObject(dc, bitmap);
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
      for (LONG x = 0; x < width; ++x) {
        at(x, y)[0] = static_cast<BYTE>(x);
        at(x, y)[1] = static_cast<BYTE>(y);
        at(x, y)[2] = 7;
      }
  }
  void fill(BYTE value) { std::memset(bits, value, static_cast<size_t>(stride) * height); }
  // The source pixel (x, y) a destination pixel holds after a blit from a
  // painted canvas, or (-1, -1) when it still holds the fill value.
  std::pair<int, int> sourceOf(LONG x, LONG y, BYTE fillValue = 0xEE) const {
    const BYTE* p = at(x, y);
    if (p[2] == fillValue) return {-1, -1};
    return {p[0], p[1]};
  }
};

TEST(DibSection, RowsAreDwordAlignedAndReportedByGetObject) {
  struct Case {
    LONG width;
    int bits;
    LONG rowBytes;
  };
  for (const Case& c : {Case{5, 32, 20}, Case{5, 24, 16}, Case{1, 24, 4}, Case{4, 24, 12}, Case{7, 32, 28}}) {
    Canvas canvas(c.width, 3, c.bits);
    ASSERT_NE(canvas.bitmap, nullptr);
    BITMAP bm{};
    ASSERT_EQ(GetObjectW(canvas.bitmap, sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmWidth, c.width);
    EXPECT_EQ(bm.bmHeight, 3);
    EXPECT_EQ(bm.bmBitsPixel, c.bits);
    EXPECT_EQ(bm.bmWidthBytes, c.rowBytes) << c.width << " px at " << c.bits << " bits";
    EXPECT_EQ(bm.bmBits, canvas.bits);
    DIBSECTION ds{};
    ASSERT_EQ(GetObjectW(canvas.bitmap, sizeof ds, &ds), static_cast<int>(sizeof ds));
    EXPECT_EQ(ds.dsBmih.biSizeImage, static_cast<DWORD>(c.rowBytes * 3));
    EXPECT_EQ(ds.dsBmih.biHeight, 3);

    // The header-completing call: only biSize set in, everything out.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    EXPECT_NE(GetDIBits(canvas.dc, canvas.bitmap, 0, 0, nullptr, &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(info.bmiHeader.biWidth, c.width);
    EXPECT_EQ(info.bmiHeader.biHeight, 3);
    EXPECT_EQ(info.bmiHeader.biBitCount, c.bits);
    // As Windows reports a 32-bit DIB section.
    EXPECT_EQ(info.bmiHeader.biCompression, static_cast<DWORD>(c.bits == 32 ? BI_BITFIELDS : BI_RGB));
    EXPECT_EQ(info.bmiHeader.biSizeImage, static_cast<DWORD>(c.rowBytes * 3));
  }
}

TEST(GetDIBits, CopiesRowsInTheOrderAndDepthAsked) {
  for (bool sourceBottomUp : {true, false}) {
    Canvas canvas(5, 4, 32, sourceBottomUp);
    canvas.paintCoordinates();
    // 24-bit bottom-up: rows of 16 bytes, the bottom row first, and the two
    // guard bytes after the last row untouched.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 5;
    info.bmiHeader.biHeight = 4;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<BYTE> out(16 * 4 + 2, 0xAB);
    EXPECT_EQ(GetDIBits(canvas.dc, canvas.bitmap, 0, 4, out.data(), &info, DIB_RGB_COLORS), 4);
    EXPECT_EQ(info.bmiHeader.biSizeImage, 64u);
    for (int row = 0; row < 4; ++row)
      for (int x = 0; x < 5; ++x) {
        const BYTE* p = &out[row * 16 + x * 3];
        EXPECT_EQ(p[0], x);
        EXPECT_EQ(p[1], 3 - row) << "buffer row " << row << " is DC row " << 3 - row;
        EXPECT_EQ(p[2], 7);
        EXPECT_EQ(out[row * 16 + 15], 0) << "row padding is zeroed, row " << row;
      }
    EXPECT_EQ(out[64], 0xAB);
    EXPECT_EQ(out[65], 0xAB);

    // 32-bit top-down, two rows from scan line 1.
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biHeight = -4;
    std::vector<BYTE> top(20 * 2 + 4, 0xAB);
    EXPECT_EQ(GetDIBits(canvas.dc, canvas.bitmap, 1, 2, top.data(), &info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(top[0 * 20 + 1], 1);  // green = y of DC row 1
    EXPECT_EQ(top[1 * 20 + 1], 2);
    EXPECT_EQ(top[40], 0xAB);
  }
}

TEST(GetDIBits, StaysInsideTheBufferTheHeaderDescribes) {
  Canvas big(8, 8, 32);
  big.paintCoordinates();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 3;
  info.bmiHeader.biHeight = 2;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<BYTE> out(3 * 4 * 2 + 8, 0xAB);
  EXPECT_EQ(GetDIBits(big.dc, big.bitmap, 0, 8, out.data(), &info, DIB_RGB_COLORS), 2);
  for (size_t i = 24; i < out.size(); ++i) EXPECT_EQ(out[i], 0xAB) << i;
  // A handle that is not a bitmap is refused, not read.
  EXPECT_EQ(GetDIBits(big.dc, reinterpret_cast<HBITMAP>(&info), 0, 2, out.data(), &info, DIB_RGB_COLORS), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(DeviceContext, SelectsAndReleasesBitmapsAsWindowsDoes) {
  Canvas a(4, 4, 32);
  HDC other = CreateCompatibleDC(nullptr);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(SelectObject(other, a.bitmap), nullptr) << "a bitmap lives in one DC at a time";
  EXPECT_FALSE(DeleteObject(a.bitmap)) << "a selected bitmap is not deleted";
  HGDIOBJ back = SelectObject(a.dc, a.stock);
  EXPECT_EQ(back, static_cast<HGDIOBJ>(a.bitmap));
  EXPECT_EQ(SelectObject(other, a.bitmap), a.stock);
  EXPECT_EQ(SelectObject(other, a.stock), static_cast<HGDIOBJ>(a.bitmap));
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_FALSE(DeleteDC(other)) << "a deleted DC is a bad handle";
  SelectObject(a.dc, a.bitmap);

  // A bitmap still selected when its DC goes away is free to delete after.
  Canvas b(2, 2, 24);
  EXPECT_TRUE(DeleteDC(b.dc));
  EXPECT_TRUE(DeleteObject(b.bitmap));
  b.dc = CreateCompatibleDC(nullptr);
  b.bitmap = nullptr;

  HDC screen = GetDC(nullptr);
  ASSERT_NE(screen, nullptr);
  win32::DcKind kind;
  ASSERT_TRUE(win32::GetDcKind(screen, &kind));
  EXPECT_EQ(kind, win32::DcKind::Screen);
  HDC memory = CreateCompatibleDC(screen);
  ASSERT_TRUE(win32::GetDcKind(memory, &kind));
  EXPECT_EQ(kind, win32::DcKind::Memory);
  EXPECT_EQ(ReleaseDC(nullptr, memory), 0) << "a memory DC is deleted, not released";
  EXPECT_TRUE(DeleteDC(memory));
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  EXPECT_FALSE(win32::GetDcKind(screen, &kind));
}

TEST(StretchBlt, NearestPixelScalingAndMirroring) {
  Canvas src(4, 4, 32);
  src.paintCoordinates();

  // Same size: an exact copy. Twice the size: each pixel twice along each
  // axis. Half the size: every other pixel.
  {
    Canvas dst(4, 4, 32);
    EXPECT_EQ(SetStretchBltMode(dst.dc, COLORONCOLOR), BLACKONWHITE);
    EXPECT_EQ(GetStretchBltMode(dst.dc), COLORONCOLOR);
    ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, 4, 4, SRCCOPY));
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.sourceOf(x, y), std::make_pair(x, y));
  }
  {
    Canvas dst(8, 8, 24);
    ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 8, 8, src.dc, 0, 0, 4, 4, SRCCOPY));
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) EXPECT_EQ(dst.sourceOf(x, y), std::make_pair(x / 2, y / 2));
  }
  {
    Canvas dst(2, 2, 32);
    ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, 4, 4, SRCCOPY));
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 2; ++x) EXPECT_EQ(dst.sourceOf(x, y), std::make_pair(2 * x + 1, 2 * y + 1));
  }
  // A negative extent w at x covers x + w + 1 .. x; signs that differ on an
  // axis mirror it. Each case: destination and source rectangle, and the
  // source pixel expected at destination (x, y) of a 4x4 bitmap, (-1, -1)
  // for a pixel left as it was.
  struct Mirror {
    int xd, yd, wd, hd, xs, ys, ws, hs;
    std::pair<int, int> (*expected)(int x, int y);
  };
  const Mirror cases[] = {
      {3, 0, -4, 4, 0, 0, 4, 4, [](int x, int y) { return std::make_pair(3 - x, y); }},
      {4, 0, -4, 4, 0, 0, 4, 4, [](int x, int y) { return x == 0 ? std::make_pair(-1, -1) : std::make_pair(4 - x, y); }},
      {0, 0, 4, 4, 0, 3, 4, -4, [](int x, int y) { return std::make_pair(x, 3 - y); }},
      {3, 3, -4, -4, 0, 0, 4, 4, [](int x, int y) { return std::make_pair(3 - x, 3 - y); }},
      {3, 0, -4, 4, 3, 0, -4, 4, [](int x, int y) { return std::make_pair(x, y); }},  // both negative: no mirror
  };
  for (const Mirror& c : cases) {
    Canvas dst(4, 4, 32);
    dst.fill(0xEE);
    ASSERT_TRUE(StretchBlt(dst.dc, c.xd, c.yd, c.wd, c.hd, src.dc, c.xs, c.ys, c.ws, c.hs, SRCCOPY));
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x)
        EXPECT_EQ(dst.sourceOf(x, y), c.expected(x, y)) << "case x=" << c.xd << " w=" << c.wd << " at " << x << "," << y;
  }
}

TEST(StretchBlt, ClipsToBothBitmaps) {
  Canvas src(4, 4, 32);
  src.paintCoordinates();
  Canvas dst(6, 6, 32);
  dst.fill(0xEE);
  // Hangs over the destination's left and top edges and reads past the
  // source's right edge: only pixels inside both are written.
  ASSERT_TRUE(StretchBlt(dst.dc, -1, -1, 4, 4, src.dc, 2, 0, 4, 4, SRCCOPY));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) {
      const int sx = x + 1 + 2, sy = y + 1;
      const bool inside = x < 3 && y < 3 && sx < 4;
      EXPECT_EQ(dst.sourceOf(x, y), inside ? std::make_pair(sx, sy) : std::make_pair(-1, -1)) << x << "," << y;
    }
  // Far outside: nothing written, still success.
  ASSERT_TRUE(StretchBlt(dst.dc, 100, 100, 4, 4, src.dc, 0, 0, 4, 4, SRCCOPY));
  EXPECT_FALSE(StretchBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, 4, 4, 0x00EE0086 /* SRCPAINT */));
  EXPECT_FALSE(StretchBlt(dst.dc, 0, 0, 4, 4, nullptr, 0, 0, 4, 4, SRCCOPY));
}

// Stands in for the display: a desktop of 8x6 whose pixel (x, y) is
// (blue x, green y, red 9).
class FakeScreen : public win32::ScreenSource {
 public:
  bool size(HWND, LONG* w, LONG* h) override {
    *w = 8;
    *h = 6;
    return true;
  }
  bool read(HWND window, const RECT& area, BYTE* pixels, LONG stride) override {
    lastWindow = window;
    for (LONG y = area.top; y < area.bottom; ++y)
      for (LONG x = area.left; x < area.right; ++x) {
        BYTE* p = pixels + (y - area.top) * stride + (x - area.left) * 4;
        p[0] = static_cast<BYTE>(x);
        p[1] = static_cast<BYTE>(y);
        p[2] = 9;
        p[3] = 0;
      }
    return true;
  }
  HWND lastWindow = reinterpret_cast<HWND>(1);
};

TEST(StretchBlt, ReadsScreenDcsThroughTheInstalledSource) {
  HDC screen = GetDC(nullptr);
  Canvas dst(4, 3, 32);
  win32::ScreenSource* installed = win32::SetScreenSource(nullptr);
  EXPECT_FALSE(StretchBlt(dst.dc, 0, 0, 4, 3, screen, 0, 0, 8, 6, SRCCOPY)) << "no source installed";
  FakeScreen fake;
  win32::SetScreenSource(&fake);
  EXPECT_EQ(GetDeviceCaps(screen, HORZRES), 8);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
  // Half size, from a rectangle that overhangs the desktop's left edge.
  ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 4, 3, screen, -2, 0, 8, 6, SRCCOPY));
  EXPECT_EQ(fake.lastWindow, nullptr);
  EXPECT_EQ(dst.sourceOf(0, 0, 0), std::make_pair(-1, -1));  // came from x = -1: untouched
  EXPECT_EQ(dst.sourceOf(1, 0, 0), std::make_pair(1, 1));
  EXPECT_EQ(dst.sourceOf(3, 2, 0), std::make_pair(5, 5));
  win32::SetScreenSource(installed);
  ReleaseDC(nullptr, screen);
}

TEST(GlobalMemory, ZeroInitialisedFixedBlocks) {
  HGLOBAL block = GlobalAlloc(GMEM_ZEROINIT, 4096);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalLock(block), block);
  EXPECT_EQ(GlobalSize(block), 4096u);
  const auto* bytes = static_cast<const BYTE*>(block);
  for (int i = 0; i < 4096; ++i) ASSERT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(GlobalFree(block), nullptr);
  EXPECT_EQ(GlobalFree(block), block) << "a freed block is a bad handle";
  int notABlock = 0;
  EXPECT_EQ(GlobalFree(&notABlock), static_cast<HGLOBAL>(&notABlock));
  EXPECT_EQ(GlobalAlloc(0x8000, 16), nullptr);
}

}  // namespace
