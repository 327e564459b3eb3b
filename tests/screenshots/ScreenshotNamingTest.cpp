// Where screenshots go: profile folder, default name, name prompt and folder
// creation, on the real host library and a real folder tree.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>

#include "InProcessHost.h"
#include "screenshots/ScreenshotNaming.h"
#include "support/Process.h"

namespace fs = std::filesystem;
using pcvr_test::ScopedEnv;

namespace {

const std::time_t kJan5 = 1767596889;  // 2026-01-05 07:08:09 UTC

class ScreenshotNaming : public ::testing::Test {
 protected:
  void SetUp() override { pcvr_test::EnsureDocument(); }
  std::string Folder(const fs::path& profile) const { return (profile / "Pictures/Screenshots/Orvanta").string(); }

  pcvr_test::TempDir m_root{"shot-naming-"};
  pcvr_test::ScriptedConsole m_console;
};

TEST_F(ScreenshotNaming, TheDefaultNameIsTheLocalTimeOfTheClock) {
  const std::tuple<const char*, std::time_t, const char16_t*> table[] = {
      {"UTC0", kJan5, u"2026-01-05_070809"},
      {"EAST-2", kJan5, u"2026-01-05_090809"},  // two hours ahead of UTC, no daylight time
      {"EAST-2", 1796421416, u"2026-12-04_235656"},  // 21:56:56 UTC
      {"WEST11", 1790823845, u"2026-09-30_160405"}};  // 2026-10-01 03:04:05 UTC
  for (const auto& [zone, when, name] : table) {
    ScopedEnv tz("TZ", zone);
    tzset();
    EXPECT_EQ(FormatScreenshotName(when).str(), name) << zone;
  }
  tzset();
}

TEST_F(ScreenshotNaming, TheFileIsTheAnswerAsTypedInTheProfilesFolder) {
  ScopedEnv tz("TZ", "UTC0");
  tzset();
  const std::string root = m_root.path().string(), folder = Folder(m_root.path());
  const struct {
    std::string profile;
    std::vector<std::pair<int, std::u16string>> answers;
    std::string path;  // empty: no path
    std::size_t prompts;
  } table[] = {
      {root, {{kHostPromptOk, u"2026-01-05_070809"}}, folder + "/2026-01-05_070809.png", 1},
      {root, {{kHostPromptOk, u"shot.png"}}, folder + "/shot.png.png", 1},
      {root, {{kHostPromptOk, u"a/b"}}, folder + "/a/b.png", 1},  // no folder "a" is made
      {root, {{kHostPromptOk, u" 100% sure "}}, folder + "/ 100% sure .png", 1},
      // A cancelled or ended prompt keeps the empty answer; an empty answer is asked again.
      {root, {{kHostPromptCancel, u""}}, folder + "/.png", 1},
      {root, {{kHostPromptNoInput, u""}}, folder + "/.png", 1},
      {root, {{kHostPromptOk, u""}, {kHostPromptOk, u""}, {kHostPromptOk, u"third"}}, folder + "/third.png", 3},
      {root, {{kHostPromptOk, u""}, {kHostPromptCancel, u""}}, folder + "/.png", 2},
      // A profile written with backslashes: the folder is made where the slashes say.
      {root + "\\home\\me", {{kHostPromptOk, u"shot"}}, Folder(m_root / "home/me") + "/shot.png", 1},
      // No usable profile: nobody is asked. Bytes that are not UTF-8 name no folder, and a
      // Windows profile would land in the current directory.
      {"", {{kHostPromptOk, u"never"}}, "", 0},
      {root + "/\xff\xfe", {{kHostPromptOk, u"never"}}, "", 0},
      {"D:\\Users\\user", {{kHostPromptOk, u"never"}}, "", 0},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.profile);
    ScopedEnv profile("USERPROFILE", row.profile.c_str());
    pcvr_test::ScriptedConsole console;
    for (const auto& [status, text] : row.answers) console.answer(status, text);
    EXPECT_EQ(GetScreenshotPath(kJan5).toUtf8(), row.path);
    EXPECT_EQ(console.prompts.size(), row.prompts);
    for (std::size_t i = 0; i < console.prompts.size(); ++i) {
      EXPECT_EQ(console.prompts[i], u"Enter screenshot name");
      EXPECT_EQ(console.defaults[i], u"2026-01-05_070809");
    }
    if (!row.path.empty()) {
      EXPECT_TRUE(fs::is_directory(row.path.substr(0, row.path.find("/Orvanta/") + 8)));
    }
  }
  EXPECT_FALSE(fs::exists(fs::path(folder) / "a"));
  EXPECT_FALSE(fs::exists(m_root / "\xff\xfe"));
  EXPECT_FALSE(fs::exists("D:"));
  {
    ScopedEnv unset("USERPROFILE", nullptr);
    EXPECT_TRUE(GetScreenshotPath(kJan5).isEmpty());
    EXPECT_EQ(ScreenshotFolder().toUtf8(), "");
  }
  ScopedEnv windows("USERPROFILE", "D:\\Users\\user");
  EXPECT_EQ(ScreenshotFolder().toUtf8(), "D:/Users/user/Pictures/Screenshots/Orvanta");
}

TEST_F(ScreenshotNaming, FoldersAreMadeWithTheirParentsButNotOverFiles) {
  const fs::path root = m_root.path();
  std::ofstream(root / "plain") << "x";
  fs::create_directories(root / "p/Pictures/Screenshots");
  std::ofstream(root / "p/Pictures/Screenshots/Orvanta") << "not a folder";
  const std::pair<std::string, bool> table[] = {
      {(root / "x/y/z").string(), true},        {(root / "x/y/z").string(), true},  // made, then already there
      {(root / "plain").string(), false},       {(root / "plain/below").string(), false},
      {"", false},                              {"rel/a/b", true},  // climbs to its first component
      {"/proc/no/such/folder", false},
  };
  const fs::path cwd = fs::current_path();
  fs::current_path(root);
  for (const auto& [path, made] : table) EXPECT_EQ(CreateFolderPath(OdString::fromUtf8(path)), made) << path;
  fs::current_path(cwd);
  EXPECT_TRUE(fs::is_directory(root / "x/y/z"));
  EXPECT_TRUE(fs::is_directory(root / "rel/a/b"));
  EXPECT_TRUE(fs::is_regular_file(root / "plain"));

  // A folder that cannot be made gives an empty path after the prompt.
  ScopedEnv profile("USERPROFILE", (root / "p").c_str());
  m_console.answer(kHostPromptOk, u"shot");
  EXPECT_TRUE(GetScreenshotPath(kJan5).isEmpty());
  EXPECT_EQ(m_console.prompts.size(), 1u);
}

}  // namespace
