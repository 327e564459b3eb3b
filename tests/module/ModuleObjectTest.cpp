// The module object's lifecycle and what the library exposes, with the
// module mapped into this process as the host maps it.
#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <sstream>

#include "ModuleHarness.h"
#include "host/CommandRegistry.h"
#include "resources/StringTable.h"
#include "sdk/OdAlloc.h"
#include "sdk/OdRxDynamicModule.h"
#include "support/Process.h"
#include "win32/Kernel.h"
#include "win32/Text.h"

namespace {

TEST(ModuleObject, OneLiveObjectOwnsTheHandleUntilDeletedAndSurvivesReleases) {
  const HMODULE library = LoadLibraryW(win32::FromUtf8(pcvr_test::ModulePath()).c_str());
  ASSERT_NE(library, nullptr);
  const auto create = reinterpret_cast<OdrxCreateModuleObjectFn>(GetProcAddress(library, "odrxCreateModuleObject"));
  ASSERT_NE(create, nullptr);

  HMODULE first = library;
  OdRxModule* module = create(&first);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(first, nullptr);  // the object owns the handle now
  EXPECT_EQ(module->sysData(), library);
  EXPECT_TRUE(module->isKindOf(OdRxModule::desc()));
  EXPECT_EQ(module->moduleName().toUtf8(), pcvr_test::ModulePath());
  HMODULE second = library;
  EXPECT_EQ(create(&second), module);
  EXPECT_EQ(second, library);  // left untouched

  // Releasing to zero keeps the live instance.
  module->addRef();
  module->addRef();
  EXPECT_EQ(module->numRefs(), 2);
  module->release();
  module->release();
  EXPECT_EQ(module->numRefs(), 0);
  EXPECT_EQ(create(&second), module);
  module->uninitApp();  // no capture to wait for

  // After a delete a new object takes the handle over; a failed allocation leaves none.
  module->deleteModule();
  odrxFailNextAllocations(1);
  EXPECT_THROW(create(&second), std::bad_alloc);
  EXPECT_EQ(second, library);
  OdRxModule* fresh = create(&second);
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(fresh->numRefs(), 0);
  fresh->deleteModule();
  FreeLibrary(library);
}

TEST(ModuleLibrary, ExportsTheTwoEntryPointsAndItsStringTableAndHandsItselfToTheHost) {
  const auto nm = pcvr_test::RunProcess(
      {"nm", "-D", "--defined-only", "--format=just-symbols", pcvr_test::ModulePath()}, pcvr_test::kQuiet);
  ASSERT_EQ(nm.exitCode, 0);
  EXPECT_EQ(nm.output, "odrxCreateModuleObject\nodrxGetAPIVersion\n");

  HMODULE library = LoadLibraryW(win32::FromUtf8(pcvr_test::ModulePath()).c_str());
  ASSERT_NE(library, nullptr);
  WCHAR text[300];
  const std::pair<unsigned, std::u16string> strings[] = {{IDS_SCREENSHOT_SAVED, u"Screenshot saved:"},
                                                         {IDS_UNTITLED_AVI, u"\\Untitled.avi"},
                                                         {IDS_TIME_HMS, u"%d:%d:%d h:m:s"}};
  for (const auto& [id, expected] : strings) {
    ASSERT_GT(LoadStringW(library, id, text, 300), 0);
    EXPECT_EQ(std::u16string(text), expected);
  }

  // The library entry handed its instance to the host's resource translation.
  const auto& translated = host::CommandRegistry::instance().translatedModules();
  EXPECT_NE(std::find(translated.begin(), translated.end(), library), translated.end());
  FreeLibrary(library);
}

}  // namespace
