// MAKE_SCREENSHOT and PC_MAKE_SCREENSHOT_QT end to end: pchost runs a
// script, the module saves a PNG under the profile folder, and the file is
// decoded with FFmpeg's tools.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>

#include "support/PchostRunner.h"

namespace fs = std::filesystem;
using pcvr_test::PchostOptions;
using pcvr_test::RunPchost;
const auto DecodePng = pcvr_test::DecodePicture;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF,
                        kYellow = 0xFFFF00, kViewBackground = 0x212830;  // RGB(33, 40, 48)
const std::string kSaved = "Screenshot saved:";
const std::string kSaveError = "Screenshot saving error";
const std::string kFolderError = "Error with folder creating. Screenshot will not be saved";

class ScreenshotCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    m_profile = pcvr_test::MakeTempDir("shot-e2e-");
    ASSERT_FALSE(m_profile.empty());
    m_folder = m_profile / "Pictures" / "Screenshots" / "Orvanta";
  }
  void TearDown() override { fs::remove_all(m_profile); }

  pcvr_test::PchostRun Run(const std::string& script, PchostOptions options = {}) {
    if (options.environment.empty() && options.unset.empty()) {
      options.environment.push_back("USERPROFILE=" + m_profile.string());
    }
    auto run = RunPchost(script, options);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    return run;
  }

  static int Count(const pcvr_test::PchostRun& run, const std::string& prefix) {
    int count = 0;
    for (const auto& line : run.lines()) count += line.rfind(prefix, 0) == 0 ? 1 : 0;
    return count;
  }

  fs::path m_profile;
  fs::path m_folder;
};

TEST_F(ScreenshotCommand, SavesTheViewWindowAsItIsOnScreen) {
  const auto run = Run("VIEWINFO\nTESTPATTERN\nMAKE_SCREENSHOT\nshot\n");
  std::smatch view;
  ASSERT_TRUE(std::regex_search(run.output, view, std::regex(R"(View window \d+: (\d+)x(\d+) at)"))) << run.output;
  const int width = std::stoi(view[1]);
  const int height = std::stoi(view[2]);

  const fs::path file = m_folder / "shot.png";
  EXPECT_TRUE(run.hasLine(kSaved + file.string())) << run.output;
  const auto png = DecodePng(file);
  ASSERT_TRUE(png.ok) << run.output;
  EXPECT_EQ(png.width, width);
  EXPECT_EQ(png.height, height);
  // The frame of the test pattern sits on the picture's edge: the grab is
  // neither shifted nor cut.
  EXPECT_EQ(png.pixel(0, 0), kWhite);
  EXPECT_EQ(png.pixel(width - 1, height - 1), kWhite);
  EXPECT_EQ(png.pixel(1, 1), kRed);
  EXPECT_EQ(png.pixel(width - 2, 1), kGreen);
  EXPECT_EQ(png.pixel(1, height - 2), kBlue);
  EXPECT_EQ(png.pixel(width - 2, height - 2), kYellow);
  EXPECT_EQ(png.pixel(width / 2 - 1, height / 2 - 1), kRed);
  EXPECT_EQ(png.pixel(width / 2, height / 2), kYellow);
}

TEST_F(ScreenshotCommand, QtNameTakesTheDefaultNameOfNow) {
  // An empty answer line takes the default that the prompt offers.
  const auto run = Run("PC_MAKE_SCREENSHOT_QT\n\n");
  std::smatch prompt;
  ASSERT_TRUE(std::regex_search(run.output, prompt,
                                std::regex(R"(Enter screenshot name <(\d{4}-\d{2}-\d{2}_\d{6})>: (\S+))")))
      << run.output;
  EXPECT_EQ(prompt[1], prompt[2]);
  const fs::path file = m_folder / (prompt[1].str() + ".png");
  EXPECT_TRUE(run.hasLine(kSaved + file.string())) << run.output;
  const auto png = DecodePng(file);
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(png.pixel(png.width / 2, png.height / 2), kViewBackground);
}

TEST_F(ScreenshotCommand, NameInMissingSubfolderIsASavingError) {
  const auto run = Run("MAKE_SCREENSHOT\nsub/x\n");
  EXPECT_TRUE(run.hasLine(kSaveError)) << run.output;
  EXPECT_EQ(Count(run, kSaved), 0);
  EXPECT_TRUE(fs::is_directory(m_folder));
  EXPECT_FALSE(fs::exists(m_folder / "sub"));
}

TEST_F(ScreenshotCommand, PercentSignsAreShownLiterally) {
  const fs::path profile = m_profile / "100%s of %d";
  fs::create_directories(profile);
  PchostOptions options;
  options.environment.push_back("USERPROFILE=" + profile.string());
  const auto run = Run("MAKE_SCREENSHOT\n50%d_%s%%n\n", options);
  const fs::path file = profile / "Pictures" / "Screenshots" / "Orvanta" / "50%d_%s%%n.png";
  EXPECT_TRUE(run.hasLine(kSaved + file.string())) << run.output;
  EXPECT_TRUE(DecodePng(file).ok);
}

TEST_F(ScreenshotCommand, NamesOutsideAsciiKeepTheirSpelling) {
  const auto run = Run("MAKE_SCREENSHOT\nAnsicht_\xC3\xA4\xE2\x82\xAC\n");
  const fs::path file = m_folder / "Ansicht_\xC3\xA4\xE2\x82\xAC.png";
  EXPECT_TRUE(run.hasLine(kSaved + file.string())) << run.output;
  EXPECT_TRUE(DecodePng(file).ok);
}

TEST_F(ScreenshotCommand, SameNameTwiceOverwrites) {
  const auto run = Run("MAKE_SCREENSHOT\ntwice\nTESTPATTERN\nMAKE_SCREENSHOT\ntwice\n");
  EXPECT_EQ(Count(run, kSaved + (m_folder / "twice.png").string()), 2) << run.output;
  EXPECT_EQ(std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()), 1);
  // The second picture, with the test pattern, is the one kept.
  EXPECT_EQ(DecodePng(m_folder / "twice.png").pixel(1, 1), kRed);

  // A third save of the name that cannot be written whole (the file-size
  // limit is far below a PNG of the view) is an error and leaves the second
  // picture exactly as it was, with no temporary file beside it.
  std::ifstream before(m_folder / "twice.png", std::ios::binary);
  const std::string kept((std::istreambuf_iterator<char>(before)), std::istreambuf_iterator<char>());
  PchostOptions limited;
  limited.pchost = "/usr/bin/prlimit";
  limited.arguments = {"--fsize=2048", (pcvr_test::BinDir() / "pchost").string()};
  limited.environment.push_back("USERPROFILE=" + m_profile.string());
  const auto failed = Run("MAKE_SCREENSHOT\ntwice\n", limited);
  EXPECT_TRUE(failed.hasLine(kSaveError)) << failed.output;
  EXPECT_EQ(Count(failed, kSaved), 0) << failed.output;
  std::ifstream after(m_folder / "twice.png", std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(after)), std::istreambuf_iterator<char>()), kept);
  EXPECT_EQ(std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()), 1);
}

TEST_F(ScreenshotCommand, CancelledPromptSavesUnderTheBareExtension) {
  const auto run = Run("MAKE_SCREENSHOT\n^C\n");
  EXPECT_TRUE(run.hasLine(kSaved + (m_folder / ".png").string())) << run.output;
  EXPECT_TRUE(DecodePng(m_folder / ".png").ok);
}

TEST_F(ScreenshotCommand, WithoutProfileNothingIsAskedOrSaved) {
  // The host fills USERPROFILE from HOME, so both must be missing.
  PchostOptions options;
  options.unset = {"USERPROFILE", "HOME"};
  const auto run = Run("MAKE_SCREENSHOT\necho after\n", options);
  EXPECT_TRUE(run.hasLine(kFolderError)) << run.output;
  EXPECT_EQ(run.output.find("Enter screenshot name"), std::string::npos) << run.output;
  EXPECT_TRUE(run.hasLine("after"));
}

TEST_F(ScreenshotCommand, HostFillsTheProfileFromHome) {
  PchostOptions options;
  options.unset = {"USERPROFILE"};
  options.environment = {"HOME=" + m_profile.string()};
  const auto run = Run("MAKE_SCREENSHOT\nfromhome\n", options);
  EXPECT_TRUE(run.hasLine(kSaved + (m_folder / "fromhome.png").string())) << run.output;
  EXPECT_TRUE(DecodePng(m_folder / "fromhome.png").ok);
}

TEST_F(ScreenshotCommand, WithoutDocumentTheCommandEndsQuietly) {
  const auto run = Run("CLOSE\nMAKE_SCREENSHOT\necho after\n");
  const auto lines = run.lines();
  const auto at = std::find(lines.begin(), lines.end(), "Command: MAKE_SCREENSHOT");
  ASSERT_NE(at, lines.end()) << run.output;
  ASSERT_NE(at + 1, lines.end());
  EXPECT_EQ(*(at + 1), "after") << run.output;
  EXPECT_FALSE(fs::exists(m_profile / "Pictures"));
}

}  // namespace
