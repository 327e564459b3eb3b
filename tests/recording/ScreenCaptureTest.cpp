// Reading the real screen of an X server through the desktop DC, and the
// window questions the capture thread asks, on windows made with Xlib.
#include <gtest/gtest.h>

#include <thread>

#include "XWindows.h"
#include "win32/Desktop.h"
#include "win32/Gdi.h"
#include "win32/Threads.h"
#include "win32/Window.h"

namespace {

// Copies a screen area through the desktop DC into a 32-bit DIB; returns the
// pixel at (x, y from the top) of the copy as 0xRRGGBB.
DWORD GrabPixel(int x, int y, int w, int h, int outW, int outH, int atX, int atY) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), outW, outH, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  SetStretchBltMode(memory, COLORONCOLOR);
  EXPECT_TRUE(StretchBlt(memory, 0, 0, outW, outH, screen, x, y, w, h, SRCCOPY));
  const DWORD pixel = static_cast<const DWORD*>(bits)[(outH - 1 - atY) * outW + atX] & 0xFFFFFF;  // bottom-up
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixel;
}

HWND H(pcvr_test::XWindows::Id window) { return reinterpret_cast<HWND>(window); }

// A red window with a blue one over its top right quarter, copied at full
// size, at half size (nearest pixels), from another thread, and partly off
// the screen's right edge (clipped, not an error).
TEST(XWindows, TheDesktopDcReadsWhatIsOnTheScreen) {
  pcvr_test::XWindows x;
  const int screenWidth = x.screenWidth();
  x.create(0, 40, 50, 200, 100, 0, 0xFF0000);
  x.create(0, 140, 50, 100, 50, 0, 0x0000FF);
  x.create(0, screenWidth - 50, 10, 100, 40, 0, 0x00FF00);
  struct Case {
    int outW, outH, atX, atY;
    DWORD expected;
  };
  for (const Case& c : std::vector<Case>{{200, 100, 10, 90, 0xFF0000}, {200, 100, 190, 10, 0x0000FF},
                                         {200, 100, 10, 10, 0xFF0000}, {100, 50, 5, 45, 0xFF0000},
                                         {100, 50, 95, 5, 0x0000FF}}) {
    EXPECT_EQ(GrabPixel(40, 50, 200, 100, c.outW, c.outH, c.atX, c.atY), c.expected) << c.outW << " " << c.atX;
  }
  DWORD seen = 0;
  std::thread capture([&] { seen = GrabPixel(40, 50, 200, 100, 200, 100, 190, 10); });
  capture.join();
  EXPECT_EQ(seen, 0x0000FFu);
  EXPECT_EQ(GrabPixel(screenWidth - 50, 10, 100, 40, 100, 40, 10, 19), 0x00FF00u);
}

TEST(XWindows, ForegroundAndRootAncestor) {
  pcvr_test::XWindows x;
  const auto top = x.create(0, 500, 400, 120, 80, 0, 0x808080);
  const auto child = x.create(top, 10, 10, 30, 30, 0, 0xFFFFFF);
  EXPECT_EQ(GetAncestor(H(child), GA_ROOT), H(top));
  EXPECT_EQ(GetAncestor(H(top), GA_ROOT), H(top));
  EXPECT_EQ(GetAncestor(H(child), GA_PARENT), H(top));
  EXPECT_EQ(GetDesktopWindow(), H(x.root()));
  x.focus(child);
  EXPECT_EQ(GetForegroundWindow(), H(top));
  const auto other = x.create(0, 700, 400, 50, 50);
  x.focus(other);
  EXPECT_EQ(GetForegroundWindow(), H(other));
  x.destroy(top);
  EXPECT_FALSE(IsWindow(H(child)));
  EXPECT_FALSE(IsWindow(H(top)));
}

}  // namespace
