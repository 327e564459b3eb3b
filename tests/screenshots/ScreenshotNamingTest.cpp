// Where screenshots go: the profile folder, the default name, the name
// prompt and the folder creation, against the real host library and a real
// temporary folder tree.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "InProcessHost.h"
#include "screenshots/ScreenshotNaming.h"
#include "support/PchostRunner.h"

namespace fs = std::filesystem;
using screenshots_test::ScopedEnv;
using screenshots_test::ScriptedConsole;

namespace {

constexpr char16_t kSubFolder[] = u"/Pictures/Screenshots/Orvanta";

// 07:08:09 on 5 January 2026, UTC.
std::time_t Jan5() {
  std::tm utc{};
  utc.tm_year = 2026 - 1900;
  utc.tm_mon = 0;
  utc.tm_mday = 5;
  utc.tm_hour = 7;
  utc.tm_min = 8;
  utc.tm_sec = 9;
  return timegm(&utc);
}

std::u16string U16(const fs::path& path) { return OdString::fromUtf8(path.string()).str(); }

class ScreenshotNaming : public ::testing::Test {
 protected:
  void SetUp() override {
    screenshots_test::EnsureDocument();
    m_root = pcvr_test::MakeTempDir("shot-naming-");
    ASSERT_FALSE(m_root.empty());
  }
  void TearDown() override { fs::remove_all(m_root); }

  fs::path m_root;
  ScopedEnv m_tz{"TZ", "UTC0"};
  ScriptedConsole m_console;
};

TEST_F(ScreenshotNaming, FolderTurnsBackslashesIntoSlashes) {
  tzset();
  {
    ScopedEnv profile("USERPROFILE", "D:\\Users\\user");
    EXPECT_EQ(ScreenshotFolder().str(), u"D:/Users/user/Pictures/Screenshots/Orvanta");
  }
  // A real profile written with backslashes: the folder is made where the
  // slashes say, and the full path uses forward slashes only.
  const std::string profile = m_root.string() + "\\home\\me";
  ScopedEnv env("USERPROFILE", profile.c_str());
  m_console.answer(kHostPromptOk, u"shot");
  const OdString path = GetScreenshotPath(Jan5());
  const fs::path folder = m_root / "home" / "me" / "Pictures" / "Screenshots" / "Orvanta";
  EXPECT_EQ(path.str(), U16(folder) + u"/shot.png");
  EXPECT_TRUE(fs::is_directory(folder));
}

TEST_F(ScreenshotNaming, DefaultNameIsTheLocalTimeOfTheClock) {
  tzset();
  EXPECT_EQ(FormatScreenshotName(Jan5()).str(), u"2026-01-05_070809");
  {
    ScopedEnv tz("TZ", "EAST-2");  // two hours ahead of UTC, no daylight time
    tzset();
    EXPECT_EQ(FormatScreenshotName(Jan5()).str(), u"2026-01-05_090809");
    std::tm late{};
    late.tm_year = 2026 - 1900;
    late.tm_mon = 11;
    late.tm_mday = 4;
    late.tm_hour = 21;
    late.tm_min = 56;
    late.tm_sec = 56;
    EXPECT_EQ(FormatScreenshotName(timegm(&late)).str(), u"2026-12-04_235656");
  }
  tzset();

  // Accepting the default offered at that moment names the file after it.
  ScopedEnv profile("USERPROFILE", m_root.c_str());
  m_console.answer(kHostPromptOk, u"2026-01-05_070809");
  EXPECT_EQ(GetScreenshotPath(Jan5()).str(), U16(m_root) + kSubFolder + u"/2026-01-05_070809.png");
  ASSERT_EQ(m_console.prompts.size(), 1u);
  EXPECT_EQ(m_console.prompts[0], u"Enter screenshot name");
  EXPECT_EQ(m_console.defaults[0], u"2026-01-05_070809");
}

TEST_F(ScreenshotNaming, TheNameIsTakenAsTyped) {
  ScopedEnv profile("USERPROFILE", m_root.c_str());
  const std::u16string folder = U16(m_root) + kSubFolder;

  m_console.answer(kHostPromptOk, u"shot.png");
  EXPECT_EQ(GetScreenshotPath(Jan5()).str(), folder + u"/shot.png.png");

  // A "/" in the name is not a folder to create.
  m_console.answer(kHostPromptOk, u"a/b");
  EXPECT_EQ(GetScreenshotPath(Jan5()).str(), folder + u"/a/b.png");
  EXPECT_TRUE(fs::is_directory(m_root / "Pictures" / "Screenshots" / "Orvanta"));
  EXPECT_FALSE(fs::exists(m_root / "Pictures" / "Screenshots" / "Orvanta" / "a"));

  m_console.answer(kHostPromptOk, u" 100% sure ");
  EXPECT_EQ(GetScreenshotPath(Jan5()).str(), folder + u"/ 100% sure .png");
}

TEST_F(ScreenshotNaming, CancelledOrEndedPromptKeepsTheEmptyAnswer) {
  ScopedEnv profile("USERPROFILE", m_root.c_str());
  const std::u16string folder = U16(m_root) + kSubFolder;

  m_console.answer(kHostPromptCancel);
  EXPECT_EQ(GetScreenshotPath(Jan5()).str(), folder + u"/.png");
  EXPECT_EQ(m_console.prompts.size(), 1u);

  m_console.answer(kHostPromptNoInput);
  EXPECT_EQ(GetScreenshotPath(Jan5()).str(), folder + u"/.png");
  EXPECT_EQ(m_console.prompts.size(), 2u);
}

TEST_F(ScreenshotNaming, AnEmptyAnswerIsAskedAgain) {
  ScopedEnv profile("USERPROFILE", m_root.c_str());
  m_console.answer(kHostPromptOk, u"");
  m_console.answer(kHostPromptOk, u"");
  m_console.answer(kHostPromptOk, u"third");
  EXPECT_EQ(AskScreenshotName(OdString(u"dflt")).str(), u"third");
  EXPECT_EQ(m_console.prompts.size(), 3u);

  // Asking again ends when the prompt is cancelled.
  m_console.answer(kHostPromptOk, u"");
  m_console.answer(kHostPromptCancel);
  EXPECT_EQ(AskScreenshotName(OdString(u"dflt")).str(), u"");
  EXPECT_EQ(m_console.prompts.size(), 5u);
}

TEST_F(ScreenshotNaming, WithoutUsableProfileNobodyIsAsked) {
  m_console.answer(kHostPromptOk, u"never");
  {
    ScopedEnv profile("USERPROFILE", nullptr);
    EXPECT_TRUE(GetScreenshotPath(Jan5()).isEmpty());
  }
  {
    ScopedEnv profile("USERPROFILE", "");
    EXPECT_TRUE(GetScreenshotPath(Jan5()).isEmpty());
  }
  {
    // Not UTF-8: no wide text names these bytes, so no folder is guessed.
    const std::string bad = m_root.string() + "/\xff\xfe";
    ScopedEnv profile("USERPROFILE", bad.c_str());
    EXPECT_TRUE(GetScreenshotPath(Jan5()).isEmpty());
    EXPECT_FALSE(fs::exists(m_root / "Pictures"));
  }
  {
    // A Windows profile is not a folder here; it would land in the current
    // directory.
    ScopedEnv profile("USERPROFILE", "D:\\Users\\user");
    EXPECT_TRUE(GetScreenshotPath(Jan5()).isEmpty());
    EXPECT_FALSE(fs::exists("D:"));
  }
  EXPECT_TRUE(m_console.prompts.empty());
}

TEST_F(ScreenshotNaming, FolderThatCannotBeMadeGivesEmptyPathAfterThePrompt) {
  ScopedEnv profile("USERPROFILE", m_root.c_str());
  fs::create_directories(m_root / "Pictures" / "Screenshots");
  std::ofstream(m_root / "Pictures" / "Screenshots" / "Orvanta") << "not a folder";
  m_console.answer(kHostPromptOk, u"shot");
  EXPECT_TRUE(GetScreenshotPath(Jan5()).isEmpty());
  EXPECT_EQ(m_console.prompts.size(), 1u);
  EXPECT_TRUE(fs::is_regular_file(m_root / "Pictures" / "Screenshots" / "Orvanta"));
}

TEST_F(ScreenshotNaming, CreateFolderPathMakesMissingParents) {
  fs::create_directories(m_root / "Pictures");
  const fs::path folder = m_root / "Pictures" / "Screenshots" / "Orvanta";
  EXPECT_TRUE(CreateFolderPath(OdString::fromUtf8(folder.string())));
  EXPECT_TRUE(fs::is_directory(folder));
  // Existing already: still true, nothing else happens.
  EXPECT_TRUE(CreateFolderPath(OdString::fromUtf8(folder.string())));

  const fs::path deep = m_root / "x" / "y" / "z";
  EXPECT_TRUE(CreateFolderPath(OdString::fromUtf8(deep.string())));
  EXPECT_TRUE(fs::is_directory(deep));
}

TEST_F(ScreenshotNaming, CreateFolderPathRefusesFilesInTheWay) {
  std::ofstream(m_root / "plain") << "x";
  // The last component is a file.
  EXPECT_FALSE(CreateFolderPath(OdString::fromUtf8((m_root / "plain").string())));
  // A middle component is a file.
  EXPECT_FALSE(CreateFolderPath(OdString::fromUtf8((m_root / "plain" / "below").string())));
  EXPECT_TRUE(fs::is_regular_file(m_root / "plain"));
}

TEST_F(ScreenshotNaming, CreateFolderPathEndsWhenNoSlashIsLeft) {
  // Nothing to strip and nothing to create: false, not a loop.
  EXPECT_FALSE(CreateFolderPath(OdString()));
  // A relative path climbs to its first component and makes it there.
  const fs::path cwd = fs::current_path();
  fs::current_path(m_root);
  const bool made = CreateFolderPath(OdString(u"rel/a/b"));
  fs::current_path(cwd);
  EXPECT_TRUE(made);
  EXPECT_TRUE(fs::is_directory(m_root / "rel" / "a" / "b"));
}

}  // namespace
