// The screenshots' arithmetic without screens: the four-view grid, layout and
// resolution entry, and the area a window grab asks Qt for and its cut.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "screenshots/FourViewScreenshot.h"
#include "screenshots/GrabDocumentWindow.h"

namespace {

TEST(FourViewGrid, CellsRoundHalvesUpAndOffsetsTruncate) {
  const std::tuple<int, int, double, std::array<int, 6>> table[] = {
      {1501, 900, 1.5, {1001, 600, 1000, 600, 2002, 1200}},  // 1000.67 x 600
      {3, 5, 2.0, {2, 3, 1, 2, 4, 6}},                       // 1.5 x 2.5
      {640, 480, 0.0, {640, 480, 640, 480, 1280, 960}}};     // no usable ratio: 1
  for (const auto& [width, height, ratio, expected] : table) {
    const FourViewGrid g = FourViewGridFor(width, height, ratio);
    EXPECT_EQ((std::array<int, 6>{g.cellWidth, g.cellHeight, g.offsetX, g.offsetY, g.canvasWidth(), g.canvasHeight()}),
              expected);
  }
}

TEST(FourViewArrangement, ClockwiseFromTopLeftOnBlackThenStretched) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);  // pixmaps need an application, not a screen
  int argc = 1;
  char name[] = "screenshot_arithmetic_test";
  char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  const auto filled = [](int size, QRgb colour) {
    QPixmap pixmap(size, size * 3 / 5);
    pixmap.fill(QColor(colour));
    return pixmap;
  };
  const auto at = [](const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; };

  const std::array<QPixmap, 4> views{filled(100, 0xFF0000), filled(100, 0x00FF00), filled(100, 0x0000FF),
                                     filled(100, 0xFFFF00)};
  const QImage scaled = ArrangeFourViews(views, 1.0, 1920, 1080).toImage();
  ASSERT_EQ(scaled.size(), QSize(1920, 1080));
  // The third view bottom right, the fourth bottom left.
  EXPECT_EQ(
      (std::array<QRgb, 4>{at(scaled, 480, 270), at(scaled, 1440, 270), at(scaled, 1440, 810), at(scaled, 480, 810)}),
      (std::array<QRgb, 4>{0xFF0000u, 0x00FF00u, 0x0000FFu, 0xFFFF00u}));
  EXPECT_EQ(ArrangeFourViews(views, 1.0, 1920, 0).size(), QSize(200, 120));
  EXPECT_TRUE(ArrangeFourViews(views, 1.0, -1920, 1080).isNull());
  EXPECT_TRUE(ArrangeFourViews({}, 1.0, 1920, 1080).isNull());

  // Later grabs smaller than the first (the window shrank): what they leave
  // uncovered is black, not whatever the new pixmap held.
  const std::array<QPixmap, 4> shrunk{filled(50, 0xFF0000), filled(10, 0x00FF00), filled(10, 0x0000FF),
                                      filled(10, 0xFFFF00)};
  const QImage image = ArrangeFourViews(shrunk, 1.0, 0, 0).toImage();
  ASSERT_EQ(image.size(), QSize(100, 60));
  EXPECT_EQ(at(image, 52, 2), 0x00FF00u);
  for (const auto& [x, y] : {std::pair{80, 20}, std::pair{99, 59}, std::pair{30, 50}})
    EXPECT_EQ(at(image, x, y), 0u) << x << "," << y;
}

TEST(FourViewResolution, WidthColonHeight) {
  int width = -1, height = -1;
  const std::tuple<const char16_t*, int, int> good[] = {
      {u"1920:1080", 1920, 1080}, {u"  1280 :\t720 ", 1280, 720}, {u"800:600px", 800, 600}, {u"0:1080", 0, 1080}};
  for (const auto& [text, w, h] : good) {
    EXPECT_TRUE(ParseFourViewResolution(text, width, height)) << OdString(text).toUtf8();
    EXPECT_EQ(std::tie(width, height), std::tie(w, h)) << OdString(text).toUtf8();
  }
  // Refused forms leave the values as they were.
  for (const char16_t* bad : {u"1920x1080", u"1920:", u"1920", u"", u"1920:high", u"99999999999:1080"}) {
    EXPECT_FALSE(ParseFourViewResolution(bad, width, height)) << OdString(bad).toUtf8();
    EXPECT_EQ(std::tie(width, height), std::make_tuple(0, 1080));
  }
}

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
