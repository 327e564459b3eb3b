// The scale between window rectangles (device pixels) and Qt's grab
// (device-independent pixels) over one or several screens.
#include <gtest/gtest.h>

#include "screenshots/GrabDocumentWindow.h"

namespace {

TEST(GrabScale, SingleScreenUsesItsOwnRatio) {
  const double ratio = GrabScaleRatio({{1920, 1.5}}, 1920);
  EXPECT_DOUBLE_EQ(ratio, 1.5);
  const GrabArea area = ScaleWindowRect(RECT{300, 150, 1800, 1050}, ratio);
  EXPECT_EQ(area.x, 200);
  EXPECT_EQ(area.y, 100);
  EXPECT_EQ(area.width, 1000);
  EXPECT_EQ(area.height, 600);
}

TEST(GrabScale, PointerOnNarrowerScreenSquaresTheWidestRatio) {
  // The wider screen at 2.0 comes second in the list; the pointer is on the
  // narrower one at 1.25, whose ratio plays no part.
  const std::vector<GrabScreen> screens{{1280, 1.25}, {3840, 2.0}};
  const double ratio = GrabScaleRatio(screens, 1280);
  EXPECT_DOUBLE_EQ(ratio, 4.0);
  const GrabArea area = ScaleWindowRect(RECT{400, 200, 1200, 1000}, ratio);
  EXPECT_EQ(area.x, 100);
  EXPECT_EQ(area.y, 50);
  EXPECT_EQ(area.width, 200);
  EXPECT_EQ(area.height, 200);

  // On the widest screen itself nothing is squared, wherever the window is.
  EXPECT_DOUBLE_EQ(GrabScaleRatio(screens, 3840), 2.0);
}

TEST(GrabScale, EqualWidthsKeepTheFirstScreensRatio) {
  EXPECT_DOUBLE_EQ(GrabScaleRatio({{1920, 1.0}, {1920, 1.5}}, 1920), 1.0);
  EXPECT_DOUBLE_EQ(GrabScaleRatio({{1920, 1.5}, {1920, 1.0}}, 1920), 1.5);
}

TEST(GrabScale, NoScreensMeansNoScaling) {
  EXPECT_DOUBLE_EQ(GrabScaleRatio({}, 0), 1.0);
  const GrabArea area = ScaleWindowRect(RECT{10, 20, 110, 220}, GrabScaleRatio({}, 0));
  EXPECT_EQ(area.x, 10);
  EXPECT_EQ(area.y, 20);
  EXPECT_EQ(area.width, 100);
  EXPECT_EQ(area.height, 200);
}

TEST(GrabScale, ValuesAreTruncatedTowardZero) {
  // Left of the primary screen: negative coordinates truncate up to zero.
  const GrabArea left = ScaleWindowRect(RECT{-301, -3, -1, 298}, 2.0);
  EXPECT_EQ(left.x, -150);
  EXPECT_EQ(left.y, -1);
  EXPECT_EQ(left.width, 150);
  EXPECT_EQ(left.height, 150);
  // Sizes come from the integer difference, not from two scaled edges:
  // 3 / 2 gives 1, where the scaled edges 2 - 0 would give 2.
  const GrabArea odd = ScaleWindowRect(RECT{1, 1, 4, 4}, 2.0);
  EXPECT_EQ(odd.x, 0);
  EXPECT_EQ(odd.width, 1);
  EXPECT_EQ(odd.height, 1);
  // Edges in the wrong order still give a positive size.
  const GrabArea swapped = ScaleWindowRect(RECT{100, 100, 40, 70}, 1.0);
  EXPECT_EQ(swapped.width, 60);
  EXPECT_EQ(swapped.height, 30);
  // An empty window is an empty area.
  const GrabArea empty = ScaleWindowRect(RECT{5, 5, 5, 5}, 1.5);
  EXPECT_EQ(empty.width, 0);
  EXPECT_EQ(empty.height, 0);
}

}  // namespace
