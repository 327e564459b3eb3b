// The window grab and the window rectangles it stands on, against the X
// server of the tests: real windows, real screen pixels.
#include <gtest/gtest.h>

#include <QImage>
#include <array>
#include <thread>

#include "InProcessHost.h"
#include "QtApp.h"
#include "screenshots/GrabDocumentWindow.h"
#include "support/XWindows.h"
#include "win32/Kernel.h"
#include "win32/Window.h"

namespace {

HWND H(pcvr_test::XWindows::Id window) { return reinterpret_cast<HWND>(window); }
using Rect = std::array<LONG, 4>;  // left, top, right, bottom; all -1 when the call fails
Rect WindowRect(HWND window) {
  RECT r{};
  return GetWindowRect(window, &r) ? Rect{r.left, r.top, r.right, r.bottom} : Rect{-1, -1, -1, -1};
}
Rect ClientRect(HWND window) {
  RECT r{};
  return GetClientRect(window, &r) ? Rect{r.left, r.top, r.right, r.bottom} : Rect{-1, -1, -1, -1};
}

// Green in a one-pixel white rim (an area off by a pixel shows), top-level or
// a child; a window over it shows in the picture as on the screen.
TEST(WindowGrab, PictureIsTheViewWindowsPixelsWithWhateverCoversIt) {
  pcvr_test::EnsureApplication();
  host::Document* document = pcvr_test::EnsureDocument();
  pcvr_test::XWindows x;
  ASSERT_TRUE(x.connected());
  for (const bool child : {false, true}) {
    SCOPED_TRACE(child ? "child view" : "top-level view");
    const auto frame = x.create(0, 300, 260, 260, 180, 0, 0x0000FF);
    const auto view =
        child ? x.create(frame, 17, 11, 200, 120, 0, 0xFFFFFF) : x.create(0, 40, 30, 200, 120, 0, 0xFFFFFF);
    x.create(view, 1, 1, 198, 118, 0, 0x00FF00);
    document->setViewWindow(H(view));
    const int left = child ? 317 : 40, top = child ? 271 : 30;
    EXPECT_EQ(WindowRect(H(view)), (Rect{left, top, left + 200, top + 120}));
    EXPECT_EQ(ClientRect(H(view)), (Rect{0, 0, 200, 120}));
    QImage image = GrabDocumentWindow().toImage();
    ASSERT_EQ(image.size(), QSize(200, 120));
    int wrong = 0;
    for (int py = 0; py < 120; ++py)
      for (int px = 0; px < 200; ++px) {
        const bool rim = px == 0 || py == 0 || px == 199 || py == 119;
        wrong += (image.pixel(px, py) & 0xFFFFFF) != (rim ? 0xFFFFFFu : 0x00FF00u);
      }
    EXPECT_EQ(wrong, 0);
    const auto cover = x.create(0, left + 100, top + 60, 50, 50, 0, 0x0AC8DC);
    image = GrabDocumentWindow().toImage();
    EXPECT_EQ(image.pixel(125, 85) & 0xFFFFFF, 0x0AC8DCu);
    EXPECT_EQ(image.pixel(1, 1) & 0xFFFFFF, 0x00FF00u);
    x.destroy(cover);
    x.destroy(child ? frame : view);
    if (!child) x.destroy(frame);
  }

  // Nothing to grab: no view, a view gone, no document.
  document->setViewWindow(nullptr);
  EXPECT_TRUE(GrabDocumentWindow().isNull());
  const auto gone = x.create(0, 10, 10, 100, 100);
  x.destroy(gone);  // the server has it gone once this returns
  document->setViewWindow(H(gone));
  EXPECT_TRUE(GrabDocumentWindow().isNull());
  pcvr_test::CloseAllDocuments();
  EXPECT_TRUE(GrabDocumentWindow().isNull());
  pcvr_test::EnsureDocument();
}

// A window manager of our own making: a frame window on the root with the
// client reparented into it and marked with WM_STATE, as ICCCM managers do.
TEST(WindowRects, ManagedWindowsIncludeTheirFrameAndBordersCount) {
  pcvr_test::EnsureApplication();
  pcvr_test::XWindows x;
  ASSERT_TRUE(x.connected());
  const auto frame = x.create(0, 100, 80, 330, 260);
  const auto client = x.create(0, 0, 0, 320, 230);
  x.reparent(client, frame, 5, 25);
  EXPECT_EQ(WindowRect(H(client)), (Rect{105, 105, 425, 335}));  // not managed yet: the window alone
  x.markManaged(client);
  EXPECT_EQ(WindowRect(H(client)), (Rect{100, 80, 430, 340}));
  EXPECT_EQ(ClientRect(H(client)), (Rect{0, 0, 320, 230}));
  const auto child = x.create(client, 7, 9, 50, 40);  // no frame of its own
  EXPECT_EQ(WindowRect(H(child)), (Rect{112, 114, 162, 154}));
  x.destroy(frame);

  const auto bordered = x.create(0, 50, 60, 100, 80, 3);
  EXPECT_EQ(WindowRect(H(bordered)), (Rect{50, 60, 156, 146}));
  EXPECT_EQ(ClientRect(H(bordered)), (Rect{0, 0, 100, 80}));
  x.destroy(bordered);
}

TEST(WindowRects, GoneWindowsFailLikeWindowsOnEveryThreadsOwnConnection) {
  pcvr_test::EnsureApplication();
  pcvr_test::XWindows x;
  ASSERT_TRUE(x.connected());
  const auto window = x.create(0, 33, 44, 55, 66);
  EXPECT_TRUE(IsWindow(H(window)));
  Rect there{};
  BOOL goneThere = TRUE;
  std::thread([&] {
    there = WindowRect(H(window));
    // An error on this thread's connection is handled on this thread too.
    goneThere = IsWindow(H(window + 0x1000000));
  }).join();
  EXPECT_EQ(there, WindowRect(H(window)));
  EXPECT_FALSE(goneThere);
  x.destroy(window);

  // The X error each call meets ends neither the call nor the process.
  for (HWND gone : {H(window), HWND{}}) {
    EXPECT_FALSE(IsWindow(gone));
    RECT rect{1, 2, 3, 4};
    SetLastError(0);
    EXPECT_FALSE(GetWindowRect(gone, &rect));
    EXPECT_FALSE(GetClientRect(gone, &rect));
    EXPECT_EQ(rect.left, 1);  // untouched
    if (gone != nullptr) { EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE)); }
  }
}

}  // namespace
