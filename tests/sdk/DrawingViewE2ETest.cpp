// pchost opens a DXF drawing and shows it: the sample scene is drawn into the
// view window (the picture is kept in the build tree as
// sample_scene_view.png), the view commands move it, and a bad file gives
// one message and an empty drawing.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct PchostRun {
  int exitCode = -1;
  std::string output;
};

PchostRun RunPchost(const std::string& script, const std::string& drawing) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("pcvr_drawing_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::filesystem::path scriptPath = dir / "script.txt";
  std::ofstream(scriptPath) << script;
  const std::string command = std::string(PCVR_BIN_DIR) + "/pchost --no-module --script " + scriptPath.string() + " '" +
                              drawing + "' 2>/dev/null";
  PchostRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

int CountLinesStartingWith(const std::string& text, const std::string& prefix) {
  std::istringstream lines(text);
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) count += line.rfind(prefix, 0) == 0;
  return count;
}

// Pixels that are not the view window's background.
int DrawnPixels(const QImage& image) {
  int drawn = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) drawn += (image.pixel(x, y) & 0xFFFFFF) != 0x212830;
  return drawn;
}

bool HasColour(const QImage& image, QRgb rgb) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == (rgb & 0xFFFFFF)) return true;
  return false;
}

class DrawingView : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X server (DISPLAY)";
  }
};

}  // namespace

TEST_F(DrawingView, SampleSceneIsShownAndMoves) {
  const std::string before = std::string(PCVR_BUILD_DIR) + "/sample_scene_view.png";
  const std::string after = std::string(PCVR_BUILD_DIR) + "/sample_scene_view_orbited.png";
  std::filesystem::remove(before);
  std::filesystem::remove(after);
  const PchostRun run = RunPchost("VIEWSAVEPNG\n" + before + "\nVIEWORBIT\n45,-10\nVIEWPROJECTION\nVIEWSAVEPNG\n" + after + "\n",
                            PCVR_SAMPLE_SCENE);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(CountLinesStartingWith(run.output, "Drawing opened: "), 1) << run.output;
  EXPECT_EQ(CountLinesStartingWith(run.output, "View saved: "), 2) << run.output;
  EXPECT_EQ(CountLinesStartingWith(run.output, "Perspective projection."), 1) << run.output;

  QImage first(QString::fromStdString(before)), second(QString::fromStdString(after));
  ASSERT_FALSE(first.isNull());
  ASSERT_FALSE(second.isNull());
  EXPECT_EQ(first.size(), second.size());
  // The city covers a good part of the window, with the spline trajectory's
  // yellow and the tower's orange among its colours.
  EXPECT_GT(DrawnPixels(first), first.width() * first.height() / 50);
  EXPECT_TRUE(HasColour(first, qRgb(255, 220, 0)));
  EXPECT_TRUE(HasColour(first, qRgb(255, 140, 60)));
  EXPECT_NE(first, second);
  EXPECT_GT(DrawnPixels(second), second.width() * second.height() / 50);
}

TEST_F(DrawingView, BadDrawingGivesOneMessageAndLoadsNothing) {
  std::ifstream sample(PCVR_SAMPLE_SCENE, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(sample)), std::istreambuf_iterator<char>());
  ASSERT_GT(text.size(), 1000u);
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("pcvr_bad_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string truncated = (dir / "truncated.dxf").string();
  std::ofstream(truncated, std::ios::binary) << text.substr(0, text.size() / 2);
  std::string garbled = text;
  garbled.replace(garbled.find("\n10\n"), 4, "\n10\nnot a number\n");
  const std::string bad = (dir / "garbled.dxf").string();
  std::ofstream(bad, std::ios::binary) << garbled;
  const std::string png = (dir / "view.png").string();

  for (const std::string& drawing : {truncated, bad, (dir / "missing.dxf").string()}) {
    const PchostRun run = RunPchost("VIEWSAVEPNG\n" + png + "\nVIEWEXTENTS\n", drawing);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(CountLinesStartingWith(run.output, "Cannot open " + drawing + ": "), 1) << run.output;
    EXPECT_EQ(CountLinesStartingWith(run.output, "Drawing opened"), 0) << run.output;
    QImage image(QString::fromStdString(png));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(DrawnPixels(image), 0);  // an empty drawing
  }
  const PchostRun run = RunPchost("", truncated);
  EXPECT_NE(run.output.find("truncated"), std::string::npos) << run.output;
  std::filesystem::remove_all(dir);
}
