// pchost shows a DXF drawing (kept as sample_scene_view.png in the build tree)
// and moves it; a bad file gives one message and an empty drawing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/PchostRunner.h"

namespace {

pcvr_test::PchostRun Show(const std::string& script, const std::string& drawing) {
  pcvr_test::PchostOptions options;
  options.arguments = {"--no-module", drawing};
  return pcvr_test::RunPchost(script, options);
}

// Pixels that are not the view window's background, and whether a colour is among them.
int DrawnPixels(const pcvr_test::Picture& image, std::uint32_t colour = 0) {
  int drawn = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t p = image.pixel(x, y);
      drawn += colour != 0 ? p == colour : p != 0x212830;
    }
  return drawn;
}

TEST(DrawingView, SampleSceneIsShownAndMoves) {
  const std::string before = std::string(PCVR_BUILD_DIR) + "/sample_scene_view.png";
  const std::string after = std::string(PCVR_BUILD_DIR) + "/sample_scene_view_orbited.png";
  std::filesystem::remove(before);
  std::filesystem::remove(after);
  const auto run = Show("VIEWSAVEPNG\n" + before + "\nVIEWORBIT\n45,-10\nVIEWPROJECTION\nVIEWSAVEPNG\n" + after + "\n",
                        PCVR_SAMPLE_SCENE);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.count("Drawing opened: "), 1) << run.output;
  EXPECT_EQ(run.count("View saved: "), 2) << run.output;
  EXPECT_EQ(run.count("Perspective projection."), 1) << run.output;

  const auto first = pcvr_test::DecodePicture(before), second = pcvr_test::DecodePicture(after);
  ASSERT_TRUE(first.ok && second.ok);
  EXPECT_EQ(std::make_pair(first.width, first.height), std::make_pair(second.width, second.height));
  // The city covers a good part of the window, with the spline trajectory's
  // yellow and the tower's orange among its colours.
  EXPECT_GT(DrawnPixels(first), first.width * first.height / 50);
  EXPECT_GT(DrawnPixels(first, 0xFFDC00), 0);
  EXPECT_GT(DrawnPixels(first, 0xFF8C3C), 0);
  EXPECT_NE(first.rgb, second.rgb);
  EXPECT_GT(DrawnPixels(second), second.width * second.height / 50);
}

TEST(DrawingView, BadDrawingGivesOneMessageAndLoadsNothing) {
  const std::string text = pcvr_test::ReadFile(PCVR_SAMPLE_SCENE);
  ASSERT_GT(text.size(), 1000u);
  const pcvr_test::TempDir dir("pcvr-bad-drawing-");
  std::ofstream(dir / "truncated.dxf", std::ios::binary) << text.substr(0, text.size() / 2);
  std::string garbled = text;
  garbled.replace(garbled.find("\n10\n"), 4, "\n10\nnot a number\n");
  std::ofstream(dir / "garbled.dxf", std::ios::binary) << garbled;
  for (const std::string& drawing : {dir.str("truncated.dxf"), dir.str("garbled.dxf"), dir.str("missing.dxf")}) {
    const auto run = Show("VIEWSAVEPNG\n" + dir.str("view.png") + "\nVIEWEXTENTS\n", drawing);
    EXPECT_EQ(run.exitCode, 6) << run.output;
    EXPECT_EQ(run.count("Cannot open " + drawing + ": "), 1) << run.output;
    EXPECT_EQ(run.count("Drawing opened"), 0) << run.output;
    const auto image = pcvr_test::DecodePicture(dir / "view.png");
    ASSERT_TRUE(image.ok);
    EXPECT_EQ(DrawnPixels(image), 0);  // an empty drawing
    if (drawing == dir.str("truncated.dxf")) {
      EXPECT_NE(run.output.find("truncated"), std::string::npos) << run.output;
    }
  }
}

}  // namespace
