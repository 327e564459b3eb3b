// The module object's lifecycle and what the library exposes, with the
// module mapped into this process as the host maps it.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <new>
#include <set>

#include "ModuleHarness.h"
#include "host/CommandRegistry.h"
#include "resources/StringTable.h"
#include "sdk/OdAlloc.h"
#include "sdk/OdRxDynamicModule.h"
#include "win32/Kernel.h"
#include "win32/Text.h"

namespace {

class ModuleObject : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_library = LoadLibraryW(win32::FromUtf8(pcvr_test::ModulePath()).c_str());
    ASSERT_NE(s_library, nullptr);
    s_create = reinterpret_cast<OdrxCreateModuleObjectFn>(GetProcAddress(s_library, "odrxCreateModuleObject"));
    s_version = reinterpret_cast<OdrxGetAPIVersionFn>(GetProcAddress(s_library, "odrxGetAPIVersion"));
  }
  static void TearDownTestSuite() { FreeLibrary(s_library); }

  void TearDown() override {
    // Leave no module object behind for the next case.
    HMODULE handle = s_library;
    s_create(&handle)->deleteModule();
  }

  static inline HMODULE s_library = nullptr;
  static inline OdrxCreateModuleObjectFn s_create = nullptr;
  static inline OdrxGetAPIVersionFn s_version = nullptr;
};

TEST_F(ModuleObject, ReportsInterfaceVersion23_10) {
  ASSERT_NE(s_version, nullptr);
  int v[4] = {-1, -1, -1, -1};
  s_version(&v[0], &v[1], &v[2], &v[3]);
  EXPECT_EQ(v[0], 23);
  EXPECT_EQ(v[1], 10);
  EXPECT_EQ(v[2], 0);
  EXPECT_EQ(v[3], 0);
}

TEST_F(ModuleObject, FirstCreateTakesTheHandleSecondReturnsTheSameObject) {
  ASSERT_NE(s_create, nullptr);
  HMODULE first = s_library;
  OdRxModule* module = s_create(&first);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(first, nullptr);  // the object owns the handle now
  EXPECT_EQ(module->sysData(), s_library);
  EXPECT_TRUE(module->isKindOf(OdRxModule::desc()));

  HMODULE second = s_library;
  EXPECT_EQ(s_create(&second), module);
  EXPECT_EQ(second, s_library);  // left untouched
}

TEST_F(ModuleObject, ReleasingToZeroKeepsTheObjectAlive) {
  HMODULE handle = s_library;
  OdRxModule* module = s_create(&handle);
  EXPECT_EQ(module->numRefs(), 0);
  module->addRef();
  module->addRef();
  EXPECT_EQ(module->numRefs(), 2);
  module->release();
  module->release();
  EXPECT_EQ(module->numRefs(), 0);
  // Still the live instance, still answering.
  HMODULE again = s_library;
  EXPECT_EQ(s_create(&again), module);
  EXPECT_EQ(module->sysData(), s_library);
}

TEST_F(ModuleObject, CreateAfterDeleteMakesANewObject) {
  HMODULE handle = s_library;
  OdRxModule* module = s_create(&handle);
  module->addRef();
  module->deleteModule();
  HMODULE fresh = s_library;
  OdRxModule* second = s_create(&fresh);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(fresh, nullptr);  // a new object took the handle over
  EXPECT_EQ(second->numRefs(), 0);
}

TEST_F(ModuleObject, FailedAllocationThrowsAndLeavesNoInstance) {
  HMODULE handle = s_library;
  s_create(&handle)->deleteModule();
  handle = s_library;
  odrxFailNextAllocations(1);
  EXPECT_THROW(s_create(&handle), std::bad_alloc);
  EXPECT_EQ(handle, s_library);
  EXPECT_NE(s_create(&handle), nullptr);
  EXPECT_EQ(handle, nullptr);
}

TEST_F(ModuleObject, ModuleNameIsTheLibraryPath) {
  HMODULE handle = s_library;
  const OdString name = s_create(&handle)->moduleName();
  EXPECT_EQ(name.toUtf8(), pcvr_test::ModulePath());
}

TEST_F(ModuleObject, UninitialiseWithoutRecordingReturns) {
  HMODULE handle = s_library;
  OdRxModule* module = s_create(&handle);
  module->uninitApp();
  SUCCEED() << "returned without a capture to wait for";
}

TEST(ModuleLibrary, ExportsOnlyTheTwoEntryPoints) {
  const std::string command = "nm -D --defined-only " + pcvr_test::ModulePath();
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> symbols;
  char line[1024];
  while (fgets(line, sizeof line, pipe.get()) != nullptr) {
    std::string text(line);
    const auto space = text.rfind(' ');
    std::string name = text.substr(space + 1);
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
    symbols.insert(name);
  }
  EXPECT_EQ(symbols, (std::set<std::string>{"odrxCreateModuleObject", "odrxGetAPIVersion"}));
}

TEST(ModuleLibrary, StringTableAndResourceTranslationAtLoad) {
  HMODULE library = LoadLibraryW(win32::FromUtf8(pcvr_test::ModulePath()).c_str());
  ASSERT_NE(library, nullptr);
  WCHAR text[300];
  ASSERT_GT(LoadStringW(library, IDS_SCREENSHOT_SAVED, text, 300), 0);
  EXPECT_EQ(std::u16string(text), u"Screenshot saved:");
  ASSERT_GT(LoadStringW(library, IDS_UNTITLED_AVI, text, 300), 0);
  EXPECT_EQ(std::u16string(text), u"\\Untitled.avi");
  for (unsigned id = 1000; id <= 1021; ++id) EXPECT_GT(LoadStringW(library, id, text, 300), 0) << id;
  EXPECT_EQ(LoadStringW(library, 1022, text, 300), 0);
  ASSERT_GT(LoadStringW(library, IDS_RECORDING_SUMMARY, text, 300), 0);
  const std::u16string summary(text);
  EXPECT_EQ(std::count(summary.begin(), summary.end(), u'\n'), 5);

  // The library entry handed its instance to the host's resource translation.
  const auto& translated = host::CommandRegistry::instance().translatedModules();
  EXPECT_NE(std::find(translated.begin(), translated.end(), library), translated.end());
  FreeLibrary(library);
}

}  // namespace
