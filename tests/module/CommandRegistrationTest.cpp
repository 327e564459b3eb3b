// Which host library the module registers its commands with, and what it
// registers. Each case maps the module in a fresh child process.
#include <gtest/gtest.h>

#include "ModuleHarness.h"

using pcvr_test::FakeHostPath;
using pcvr_test::LoadInChild;
using pcvr_test::Lines;

namespace {

const std::string kZuvedi = FakeHostPath("fakehost/libzuvedi.so");
const std::string kFakeMain = FakeHostPath("fakehost/libFakeMain.so");
const std::string kHxAcApp = FakeHostPath("fakehost/libHxAcApp.so");
const std::string kZuvediWithoutFactory = FakeHostPath("fakehost-nofactory/libzuvedi.so");

struct Registration {
  std::string group, global, local, flags, function, data, last;
};

std::vector<Registration> Parse(const std::string& text) {
  std::vector<Registration> out;
  for (const auto& line : Lines(text)) {
    std::vector<std::string> f;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= line.size(); ++i) {
      if (i == line.size() || line[i] == '|') {
        f.push_back(line.substr(start, i - start));
        start = i + 1;
      }
    }
    if (f.size() == 7) out.push_back({f[0], f[1], f[2], f[3], f[4], f[5], f[6]});
  }
  return out;
}

TEST(CommandRegistration, ZuvediGetsTheEightCommandsInTableOrder) {
  const auto result = LoadInChild({kZuvedi});
  ASSERT_TRUE(result.moduleLoaded);
  const auto commands = Parse(result.commands.at(0));
  const std::vector<std::string> expected = {
      "START_VIDEO_RECORDING", "PAUSE_VIDEO_RECORDING", "END_VIDEO_RECORDING",   "VIDEO_FROM_TRACK",
      "MAKE_SCREENSHOT",       "MAKE_4L_SCREENSHOT",    "PC_MAKE_SCREENSHOT_QT", "PC_MAKE_4L_SCREENSHOT_QT"};
  ASSERT_EQ(commands.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(commands[i].group, "VISUALIZATION");
    EXPECT_EQ(commands[i].global, expected[i]);
    EXPECT_EQ(commands[i].local, expected[i]);
    EXPECT_EQ(commands[i].flags, "4");
    EXPECT_EQ(commands[i].last, "1");
    EXPECT_NE(commands[i].function, "0");
    // One command-data record for every registration.
    EXPECT_EQ(commands[i].data, commands[0].data);
    EXPECT_NE(commands[i].data, "0");
  }
  // Every factory handed out was released again.
  EXPECT_EQ(result.factoriesAlive.at(0), 0);
}

TEST(CommandRegistration, BothScreenshotNamesReachTheSameHandler) {
  const auto commands = Parse(LoadInChild({kZuvedi}).commands.at(0));
  ASSERT_EQ(commands.size(), 8u);
  EXPECT_EQ(commands[4].function, commands[6].function);  // MAKE_SCREENSHOT, PC_MAKE_SCREENSHOT_QT
  EXPECT_EQ(commands[5].function, commands[7].function);  // MAKE_4L_SCREENSHOT, PC_MAKE_4L_SCREENSHOT_QT
  EXPECT_NE(commands[4].function, commands[5].function);
  // The other handlers are distinct functions.
  for (int i = 0; i < 4; ++i) {
    for (int j = i + 1; j < 6; ++j) EXPECT_NE(commands[i].function, commands[j].function) << i << " " << j;
  }
}

TEST(CommandRegistration, HxAcAppLeadsToTheLibraryItNames) {
  const auto result = LoadInChild({kFakeMain, kHxAcApp});
  ASSERT_TRUE(result.moduleLoaded);
  EXPECT_EQ(Parse(result.commands.at(0)).size(), 8u);  // FakeMain, named by GetMainDllInstanceEx
  EXPECT_TRUE(result.commands.at(1).empty());          // HxAcApp itself has no factory to speak of
}

TEST(CommandRegistration, ZuvediWinsOverHxAcApp) {
  const auto result = LoadInChild({kZuvedi, kFakeMain, kHxAcApp});
  EXPECT_EQ(Parse(result.commands.at(0)).size(), 8u);
  EXPECT_TRUE(result.commands.at(1).empty());
  EXPECT_TRUE(result.commands.at(2).empty());
}

TEST(CommandRegistration, WithoutAnyHostTheModuleStillLoads) {
  const auto result = LoadInChild({kFakeMain});
  EXPECT_TRUE(result.moduleLoaded);
  // FakeMain is only found through HxAcApp or the executable, neither of which is here.
  EXPECT_TRUE(result.commands.at(0).empty());
}

TEST(CommandRegistration, HostWithoutCommandFactoryLoadsWithNoCommand) {
  const auto result = LoadInChild({kZuvediWithoutFactory, kFakeMain});
  EXPECT_TRUE(result.moduleLoaded);
  EXPECT_TRUE(result.commands.at(0).empty());
  // No fallback to another library once the main module was found.
  EXPECT_TRUE(result.commands.at(1).empty());
}

}  // namespace
