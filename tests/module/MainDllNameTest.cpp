// A host executable that exports GetMainDllNameW decides alone where the
// module registers: neither "zuvedi" nor "HxAcApp.dll" is consulted.
#include <gtest/gtest.h>

#include "ModuleHarness.h"

extern "C" __attribute__((visibility("default"))) const char16_t* GetMainDllNameW() { return u"FakeMain.dll"; }

using pcvr_test::FakeHostPath;
using pcvr_test::LoadInChild;
using pcvr_test::Lines;

namespace {

const std::string kZuvedi = FakeHostPath("fakehost/libzuvedi.so");
const std::string kFakeMain = FakeHostPath("fakehost/libFakeMain.so");
const std::string kHxAcApp = FakeHostPath("fakehost/libHxAcApp.so");

TEST(MainDllName, TheNamedLibraryGetsTheCommandsAndZuvediNone) {
  const auto result = LoadInChild({kZuvedi, kFakeMain, kHxAcApp});
  ASSERT_TRUE(result.moduleLoaded);
  EXPECT_TRUE(result.commands.at(0).empty());
  EXPECT_EQ(Lines(result.commands.at(1)).size(), 8u);
}

TEST(MainDllName, ANamedLibraryThatIsNotLoadedMeansNoCommands) {
  const auto result = LoadInChild({kZuvedi});
  ASSERT_TRUE(result.moduleLoaded);
  EXPECT_TRUE(result.commands.at(0).empty());
}

}  // namespace
