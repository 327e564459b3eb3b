// The area a grab asks Qt for (device-independent pixels, scaled by the
// grabbing screen's factor) and the cut that leaves exactly the window's
// device pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "screenshots/GrabDocumentWindow.h"

namespace {

TEST(GrabArea, CoversTheWindowAndCutsItExactly) {
  struct Case {
    RECT rect;
    double ratio;
    GrabArea expected;  // x, y, width, height, then the cut
  };
  const Case cases[] = {
      // One screen at 1.5: the grab of 1000x600 at (200, 100) is the window.
      {{300, 150, 1800, 1050}, 1.5, {200, 100, 1000, 600, 0, 0, 1500, 900}},
      {{10, 20, 110, 220}, 1.0, {10, 20, 100, 200, 0, 0, 100, 200}},
      // Odd edges at 2.0: one more device pixel on each side, cut off again.
      {{1, 1, 4, 4}, 2.0, {0, 0, 2, 2, 1, 1, 3, 3}},
      {{1401, 61, 1602, 182}, 2.0, {700, 30, 101, 61, 1, 1, 201, 121}},
      // Left of the primary screen.
      {{-301, -3, -1, 298}, 2.0, {-151, -2, 151, 151, 1, 1, 300, 301}},
      // At 1.25 the rounding of Qt's scaling still leaves the window inside.
      {{7, 3, 20, 9}, 1.25, {5, 2, 11, 6, 1, 0, 13, 6}},
      // Edges in the wrong order, and an empty window.
      {{100, 100, 40, 70}, 1.0, {40, 70, 60, 30, 0, 0, 60, 30}},
      {{5, 5, 5, 5}, 1.5, {0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const GrabArea a = CoverWindowRect(c.rect, c.ratio);
    const GrabArea& e = c.expected;
    EXPECT_EQ((std::vector<int>{a.x, a.y, a.width, a.height, a.cropX, a.cropY, a.cropWidth, a.cropHeight}),
              (std::vector<int>{e.x, e.y, e.width, e.height, e.cropX, e.cropY, e.cropWidth, e.cropHeight}))
        << c.rect.left << "," << c.rect.top << " at " << c.ratio;
    // What Qt then grabs, in device pixels, holds the cut.
    const auto device = [&](int v) { return static_cast<int>(std::lround(v * c.ratio)); };
    EXPECT_GE(device(a.width), a.cropX + a.cropWidth);
    EXPECT_GE(device(a.height), a.cropY + a.cropHeight);
  }
}

}  // namespace
