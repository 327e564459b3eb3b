// MAKE_4L_SCREENSHOT and PC_MAKE_4L_SCREENSHOT_QT end to end on the sample
// scene and its two clouds; the PNG is decoded with FFmpeg.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/PchostRunner.h"

namespace fs = std::filesystem;

namespace {

// The mean red and green of a quarter of the picture over the pixels the
// cloud covers (bright ones; the view's background is dark), and their count.
struct Quarter {
  double red = 0, green = 0;
  int count = 0;
};
Quarter Measure(const pcvr_test::Picture& image, int column, int row) {
  Quarter q;
  const int w = image.width / 2, h = image.height / 2;
  for (int y = row * h; y < (row + 1) * h; ++y) {
    for (int x = column * w; x < (column + 1) * w; ++x) {
      const std::uint32_t p = image.pixel(x, y);
      const int red = p >> 16, green = (p >> 8) & 0xFF, blue = p & 0xFF;
      if (std::max({red, green, blue}) < 100) continue;
      q.red += red;
      q.green += green;
      ++q.count;
    }
  }
  if (q.count > 0) {
    q.red /= q.count;
    q.green /= q.count;
  }
  return q;
}

TEST(FourViewCommand, EarlyEndingsSaveNothingAndTheSnowmanIsSeenFromFourSides) {
  const pcvr_test::TempDir profile("four-view-e2e-");
  const fs::path folder = profile / "Pictures" / "Screenshots" / "Orvanta";
  pcvr_test::PchostOptions options;
  options.arguments = {PCVR_SAMPLE_SCENE, PCVR_SAMPLE_SNOWMAN, PCVR_SAMPLE_TREE};
  options.environment = {"USERPROFILE=" + profile.path().string()};
  options.timeoutSeconds = 180;
  // C02 is the tree, without normals. Its point size of 5 in the active
  // viewport is kept by the single viewport that replaces it, after both
  // early endings (no normals, a cancelled pick). C01 is the snowman, which
  // has normals. A "%" in the name is shown as it is; a name in a missing
  // subfolder is a saving error, not a success.
  const auto run = pcvr_test::RunPchost(
      "CLOUDDISPLAY\nhandle C02\n5\nColors\nMAKE_4L_SCREENSHOT\nhandle C02\nCLOUDINFO\n"
      "MAKE_4L_SCREENSHOT\n^C\necho after\nCLOUDINFO\necho snowman\n"
      "MAKE_4L_SCREENSHOT\nhandle C01\nfour%d\nCLOUDINFO\nPC_MAKE_4L_SCREENSHOT_QT\nhandle C01\nsub/x\n",
      options);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  const auto lines = run.lines();
  const auto snowman = std::find(lines.begin(), lines.end(), "snowman");
  ASSERT_NE(snowman, lines.end()) << run.output;
  const auto has = [&](auto from, auto to, const std::string& start, const std::string& part) {
    return std::count_if(
        from, to, [&](const std::string& l) { return l.rfind(start, 0) == 0 && l.find(part) != std::string::npos; });
  };
  EXPECT_TRUE(run.hasLine("Need to compute normals before")) << run.output;
  EXPECT_EQ(has(lines.begin(), snowman, "Point cloud C02:", "point size 5, coloured by its colours"), 2) << run.output;
  EXPECT_EQ(has(lines.begin(), snowman, "", "Enter screenshot name"), 0) << run.output;
  // A cancelled pick ends the command without a word of its own.
  const auto cancel = std::find(lines.begin(), lines.end(), "Select point cloud: *Cancel*");
  ASSERT_LT(cancel + 1, lines.end()) << run.output;
  EXPECT_EQ(*(cancel + 1), "after") << run.output;

  const fs::path file = folder / "four%d.png";
  EXPECT_TRUE(run.hasLine("Screenshot saved:" + file.string())) << run.output;
  EXPECT_TRUE(run.hasLine("Screenshot saving error")) << run.output;
  EXPECT_EQ(has(lines.begin(), lines.end(), "Screenshot saved:", "sub/x"), 0) << run.output;
  EXPECT_EQ(has(snowman, lines.end(), "Point cloud C01:", "point size 1, coloured by normals"), 1) << run.output;

  const pcvr_test::Picture image = pcvr_test::DecodePicture(file);
  ASSERT_TRUE(image.ok) << run.output;
  ASSERT_EQ(image.codecName, "png");
  ASSERT_EQ(std::make_pair(image.width, image.height), std::make_pair(1920, 1080));
  // The visible side faces the eye, and the normals' x and y give red and
  // green: seen from (-1, 1) the cloud is green, from (1, 1) red and green,
  // from (1, -1) red, from (-1, -1) neither.
  const Quarter topLeft = Measure(image, 0, 0), topRight = Measure(image, 1, 0), bottomRight = Measure(image, 1, 1),
                bottomLeft = Measure(image, 0, 1);
  for (const Quarter& q : {topLeft, topRight, bottomRight, bottomLeft}) EXPECT_GT(q.count, 20000);
  EXPECT_GT(topLeft.green, topLeft.red + 40);
  EXPECT_GT(bottomRight.red, bottomRight.green + 40);
  EXPECT_GT(topRight.red, topLeft.red + 40);
  EXPECT_GT(topRight.green, bottomRight.green + 40);
  EXPECT_GT(bottomRight.red, bottomLeft.red + 40);
  EXPECT_GT(topLeft.green, bottomLeft.green + 40);
}

}  // namespace
