// A host executable that exports GetMainDllNameW decides alone where the
// module registers: neither "zuvedi" nor "HxAcApp.dll" is consulted.
#include <gtest/gtest.h>

#include "ModuleHarness.h"

extern "C" __attribute__((visibility("default"))) const char16_t* GetMainDllNameW() { return u"FakeMain.dll"; }

using pcvr_test::FakeHostPath;
using pcvr_test::Lines;
using pcvr_test::LoadInChild;

namespace {

// The named library gets the eight commands and zuvedi none; named but not
// loaded, nobody gets them.
TEST(MainDllName, TheNamedLibraryGetsTheCommandsAndZuvediNone) {
  const std::string zuvedi = FakeHostPath("fakehost/libzuvedi.so");
  for (const auto& [libraries, counts] :
       {std::pair{std::vector{zuvedi, FakeHostPath("fakehost/libFakeMain.so"), FakeHostPath("fakehost/libHxAcApp.so")},
                  std::vector<std::size_t>{0, 8, 0}},
        {std::vector{zuvedi}, std::vector<std::size_t>{0}}}) {
    const auto result = LoadInChild(libraries);
    ASSERT_TRUE(result.moduleLoaded);
    std::vector<std::size_t> registered;
    for (const auto& text : result.commands) registered.push_back(Lines(text).size());
    EXPECT_EQ(registered, counts) << libraries.size();
  }
}

}  // namespace
