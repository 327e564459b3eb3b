// Which host library the module registers its commands with, and what it
// registers. Each case maps the module in a fresh child process.
#include <gtest/gtest.h>

#include <sstream>

#include "ModuleHarness.h"

using pcvr_test::FakeHostPath;
using pcvr_test::Lines;
using pcvr_test::LoadInChild;

namespace {

const std::string kZuvedi = FakeHostPath("fakehost/libzuvedi.so");
const std::string kFakeMain = FakeHostPath("fakehost/libFakeMain.so");
const std::string kHxAcApp = FakeHostPath("fakehost/libHxAcApp.so");
const std::string kZuvediWithoutFactory = FakeHostPath("fakehost-nofactory/libzuvedi.so");

// group|global|local|flags|function|data|last, one line per registration.
std::vector<std::vector<std::string>> Parse(const std::string& text) {
  std::vector<std::vector<std::string>> out;
  for (const auto& line : Lines(text)) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '|');) fields.push_back(field);
    if (fields.size() == 7) out.push_back(fields);
  }
  return out;
}

TEST(CommandRegistration, ZuvediGetsTheEightCommandsInTableOrderWithOneDataRecord) {
  const auto result = LoadInChild({kZuvedi});
  ASSERT_TRUE(result.moduleLoaded);
  const auto commands = Parse(result.commands.at(0));
  const std::vector<std::string> expected = {"START_VIDEO_RECORDING", "PAUSE_VIDEO_RECORDING",   "END_VIDEO_RECORDING",
                                             "VIDEO_FROM_TRACK",      "MAKE_SCREENSHOT",         "MAKE_4L_SCREENSHOT",
                                             "PC_MAKE_SCREENSHOT_QT", "PC_MAKE_4L_SCREENSHOT_QT"};
  ASSERT_EQ(commands.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const auto& c = commands[i];
    EXPECT_EQ((std::vector<std::string>{c[0], c[1], c[2], c[3], c[6]}),
              (std::vector<std::string>{"VISUALIZATION", expected[i], expected[i], "4", "1"}));
    EXPECT_NE(c[4], "0");
    EXPECT_NE(c[5], "0");
    EXPECT_EQ(c[5], commands[0][5]);
    // Both screenshot names reach the same handler; the other handlers are distinct.
    for (std::size_t j = 0; j < i; ++j)
      EXPECT_EQ(c[4] == commands[j][4], (i == 6 && j == 4) || (i == 7 && j == 5)) << i << j;
  }
  EXPECT_EQ(result.factoriesAlive.at(0), 0);  // every factory handed out was released again
}

TEST(CommandRegistration, TheHostIsZuvediOrTheLibraryHxAcAppNamesAndNoOther) {
  const std::pair<std::vector<std::string>, std::vector<std::size_t>> table[] = {
      {{kFakeMain, kHxAcApp}, {8, 0}},               // FakeMain, named by HxAcApp's GetMainDllInstanceEx
      {{kZuvedi, kFakeMain, kHxAcApp}, {8, 0, 0}},   // zuvedi wins
      {{kFakeMain}, {0}},                            // found only through HxAcApp or the executable
      {{kZuvediWithoutFactory, kFakeMain}, {0, 0}},  // no factory, and no fallback once the host was found
  };
  for (const auto& [libraries, counts] : table) {
    const auto result = LoadInChild(libraries);
    EXPECT_TRUE(result.moduleLoaded);
    std::vector<std::size_t> registered;
    for (const auto& text : result.commands) registered.push_back(Parse(text).size());
    EXPECT_EQ(registered, counts) << libraries.front();
  }
}

}  // namespace
