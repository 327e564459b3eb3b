// Reading the real screen of an X server through the desktop DC, and the
// window questions the capture thread asks, on windows made with Xlib.
#include <gtest/gtest.h>
// Xlib's macros (None, Bool, Status) must come after GoogleTest's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <thread>

#include "XTestWindows.h"
#include "win32/Desktop.h"
#include "win32/Gdi.h"
#include "win32/Threads.h"
#include "win32/Window.h"

namespace {

class XWindows : public XTestWindows {
 protected:
  // Copies a screen area through the desktop DC into a 32-bit DIB.
  std::vector<DWORD> Grab(int x, int y, int w, int h, int outW, int outH) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), outW, outH, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    SetStretchBltMode(memory, COLORONCOLOR);
    EXPECT_TRUE(StretchBlt(memory, 0, 0, outW, outH, screen, x, y, w, h, SRCCOPY));
    std::vector<DWORD> pixels(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + outW * outH);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;  // bottom-up rows, BGRX
  }

};

TEST_F(XWindows, TheDesktopDcReadsWhatIsOnTheScreen) {
  const Window red = MakeWindow(40, 50, 200, 100, 0xFF0000);
  const Window blue = MakeWindow(140, 50, 100, 50, 0x0000FF);  // covers the top right quarter
  const auto pixels = Grab(40, 50, 200, 100, 200, 100);
  const auto at = [&](int x, int yFromTop) { return pixels[(99 - yFromTop) * 200 + x] & 0xFFFFFF; };
  EXPECT_EQ(at(10, 90), 0xFF0000u);   // bottom left: the red window
  EXPECT_EQ(at(190, 10), 0x0000FFu);  // top right: the blue one covering it
  EXPECT_EQ(at(10, 10), 0xFF0000u);
  // Scaled down to half: the same picture, nearest pixels.
  const auto half = Grab(40, 50, 200, 100, 100, 50);
  EXPECT_EQ(half[(49 - 45) * 100 + 5] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(half[(49 - 5) * 100 + 95] & 0xFFFFFF, 0x0000FFu);
  XDestroyWindow(m_display, blue);
  XDestroyWindow(m_display, red);
  XSync(m_display, False);
}

TEST_F(XWindows, AnAreaPartlyOffTheScreenIsClippedNotAnError) {
  const int width = DisplayWidth(m_display, DefaultScreen(m_display));
  const Window window = MakeWindow(width - 50, 10, 100, 40, 0x00FF00);
  const auto pixels = Grab(width - 50, 10, 100, 40, 100, 40);
  EXPECT_EQ(pixels[20 * 100 + 10] & 0xFFFFFF, 0x00FF00u);
  XDestroyWindow(m_display, window);
  XSync(m_display, False);
}

TEST_F(XWindows, TheCaptureThreadSeesTheSameScreen) {
  const Window window = MakeWindow(300, 300, 64, 64, 0x123456);
  DWORD seen = 0;
  std::thread capture([&] { seen = Grab(300, 300, 64, 64, 64, 64)[32 * 64 + 32] & 0xFFFFFF; });
  capture.join();
  EXPECT_EQ(seen, 0x123456u);
  XDestroyWindow(m_display, window);
  XSync(m_display, False);
}

TEST_F(XWindows, ForegroundAndRootAncestor) {
  const Window top = MakeWindow(500, 400, 120, 80, 0x808080);
  const Window child = MakeWindow(10, 10, 30, 30, 0xFFFFFF, top);
  EXPECT_EQ(GetAncestor(H(child), GA_ROOT), H(top));
  EXPECT_EQ(GetAncestor(H(top), GA_ROOT), H(top));
  EXPECT_EQ(GetAncestor(H(child), GA_PARENT), H(top));
  EXPECT_EQ(GetDesktopWindow(), H(DefaultRootWindow(m_display)));

  XSetInputFocus(m_display, child, RevertToParent, CurrentTime);
  XSync(m_display, False);
  EXPECT_EQ(GetForegroundWindow(), H(top));
  const Window other = MakeWindow(700, 400, 50, 50, 0x000000);
  XSetInputFocus(m_display, other, RevertToParent, CurrentTime);
  XSync(m_display, False);
  EXPECT_EQ(GetForegroundWindow(), H(other));

  XDestroyWindow(m_display, other);
  XDestroyWindow(m_display, top);
  XSync(m_display, False);
  EXPECT_FALSE(IsWindow(H(top)));
  EXPECT_FALSE(IsWindow(H(child)));
}

}  // namespace
