// MAKE_SCREENSHOT and PC_MAKE_SCREENSHOT_QT end to end; the PNG under the
// profile folder is decoded with FFmpeg.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "support/PchostRunner.h"

namespace fs = std::filesystem;
using pcvr_test::DecodePicture;
using pcvr_test::PchostOptions;

namespace {

const std::string kSaved = "Screenshot saved:", kSaveError = "Screenshot saving error";

pcvr_test::PchostRun RunScript(const std::string& script, PchostOptions options) {
  auto run = pcvr_test::RunPchost(script, options);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  return run;
}
std::string After(const pcvr_test::PchostRun& run, const std::string& line) {
  const auto lines = run.lines();
  const auto at = std::find(lines.begin(), lines.end(), line);
  return at != lines.end() && at + 1 != lines.end() ? *(at + 1) : "(none)";
}

// A profile with "%" in its name, from HOME: the default name, one name twice,
// "%" and non-ASCII names, a cancel, a missing subfolder; then a short write.
TEST(ScreenshotCommand, SavesTheViewAsItIsOnScreenUnderTheAnsweredName) {
  const pcvr_test::TempDir root("shot-e2e-");
  const fs::path profile = root / "100%s of %d", folder = profile / "Pictures" / "Screenshots" / "Orvanta";
  fs::create_directories(profile);
  PchostOptions options;
  options.unset = {"USERPROFILE"};
  options.environment = {"HOME=" + profile.string()};
  const auto run = RunScript(
      "PC_MAKE_SCREENSHOT_QT\n\nMAKE_SCREENSHOT\ntwice\nVIEWINFO\nTESTPATTERN\nMAKE_SCREENSHOT\ntwice\n"
      "MAKE_SCREENSHOT\n50%d_%s%%n\nMAKE_SCREENSHOT\nAnsicht_\xC3\xA4\xE2\x82\xAC\nMAKE_SCREENSHOT\n^C\n"
      "MAKE_SCREENSHOT\nsub/x\n",
      options);
  // An empty answer line takes the default that the prompt offers.
  std::smatch prompt, view;
  ASSERT_TRUE(
      std::regex_search(run.output, prompt, std::regex(R"(Enter screenshot name <(\d{4}-\d{2}-\d{2}_\d{6})>: (\S+))")))
      << run.output;
  EXPECT_EQ(prompt[1], prompt[2]);
  const auto first = DecodePicture(folder / (prompt[1].str() + ".png"));
  ASSERT_TRUE(first.ok) << run.output;
  EXPECT_EQ(first.pixel(first.width / 2, first.height / 2), 0x212830u);  // the view's background
  for (const std::string name : {"50%d_%s%%n", "Ansicht_\xC3\xA4\xE2\x82\xAC", ""}) {
    EXPECT_TRUE(run.hasLine(kSaved + (folder / (name + ".png")).string())) << name << "\n" << run.output;
    EXPECT_TRUE(DecodePicture(folder / (name + ".png")).ok) << name;
  }
  EXPECT_EQ(run.count(kSaved + (folder / "twice.png").string()), 2) << run.output;
  EXPECT_TRUE(run.hasLine(kSaveError)) << run.output;
  EXPECT_EQ(run.count(kSaved), 6) << run.output;
  EXPECT_FALSE(fs::exists(folder / "sub"));

  // The second picture, with the test pattern, is the one kept. Its frame
  // sits on the picture's edge: the grab is neither shifted nor cut.
  ASSERT_TRUE(std::regex_search(run.output, view, std::regex(R"(View window \d+: (\d+)x(\d+) at)"))) << run.output;
  const int w = std::stoi(view[1]), h = std::stoi(view[2]);
  const auto png = DecodePicture(folder / "twice.png");
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(std::make_pair(png.width, png.height), std::make_pair(w, h));
  const std::tuple<int, int, std::uint32_t> expected[] = {{0, 0, 0xFFFFFF},
                                                          {w - 1, h - 1, 0xFFFFFF},
                                                          {1, 1, 0xFF0000},
                                                          {w - 2, 1, 0x00FF00},
                                                          {1, h - 2, 0x0000FF},
                                                          {w - 2, h - 2, 0xFFFF00},
                                                          {w / 2 - 1, h / 2 - 1, 0xFF0000},
                                                          {w / 2, h / 2, 0xFFFF00}};
  for (const auto& [x, y, rgb] : expected) EXPECT_EQ(png.pixel(x, y), rgb) << x << "," << y;

  // A save of the name that cannot be written whole (the file-size limit is
  // far below a PNG of the view) is an error and leaves the picture exactly
  // as it was, with no temporary file beside it.
  const std::string kept = pcvr_test::ReadFile(folder / "twice.png");
  const auto files = std::distance(fs::directory_iterator(folder), fs::directory_iterator());
  options.pchost = "/usr/bin/prlimit";
  options.arguments = {"--fsize=2048", (pcvr_test::BinDir() / "pchost").string()};
  const auto failed = RunScript("MAKE_SCREENSHOT\ntwice\n", options);
  EXPECT_TRUE(failed.hasLine(kSaveError)) << failed.output;
  EXPECT_EQ(failed.count(kSaved), 0) << failed.output;
  EXPECT_EQ(pcvr_test::ReadFile(folder / "twice.png"), kept);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), files);
}

// Without a profile nothing is asked or saved; without a document the
// command ends quietly and makes no folder.
TEST(ScreenshotCommand, WithoutProfileOrDocumentNothingIsAskedOrSaved) {
  const pcvr_test::TempDir profile("shot-e2e-");
  PchostOptions none;
  none.unset = {"USERPROFILE", "HOME"};  // the host fills USERPROFILE from HOME
  const auto run = RunScript("MAKE_SCREENSHOT\necho after\n", none);
  EXPECT_TRUE(run.hasLine("Error with folder creating. Screenshot will not be saved")) << run.output;
  EXPECT_EQ(run.output.find("Enter screenshot name"), std::string::npos) << run.output;
  EXPECT_TRUE(run.hasLine("after"));
  PchostOptions closed;
  closed.environment = {"USERPROFILE=" + profile.path().string()};
  const auto quiet = RunScript("CLOSE\nMAKE_SCREENSHOT\necho after\n", closed);
  EXPECT_EQ(After(quiet, "Command: MAKE_SCREENSHOT"), "after") << quiet.output;
  EXPECT_FALSE(fs::exists(profile / "Pictures"));
}

}  // namespace
