// The library entry and the two exports the host looks up.
#include "base/HostAccess.h"
#include "base/InitOrder.h"
#include "module/hostVideoRecoderModule.h"
#include "sdk/OdRxDynamicModule.h"
#include "win32/Kernel.h"
#include "win32/Resources.h"

ODRX_DEFINE_DYNAMIC_MODULE(hostVideoRecoderModule)

namespace {

// Resource translation is offered by the host's common-core library; the
// main library stands in for it where there is no separate one.
void InitResourceTranslation(HINSTANCE instance) {
  HMODULE core = GetModuleHandleW(u"LMX_Main.dll");
  if (core == nullptr) core = GetModuleHandleW(u"zuvedi.dll");
  if (core == nullptr) return;
  auto init = reinterpret_cast<InitResTranslationFn>(GetProcAddress(core, "_InitResTranslation"));
  if (init != nullptr) init(instance);
}

BOOL DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    SetResourceModule(instance);
    DisableThreadLibraryCalls(instance);
    InitResourceTranslation(instance);
  }
  return TRUE;
}

// Runs after every static object of the module has been built.
__attribute__((constructor(PCVR_INIT_LIBRARY_ENTRY))) void ProcessAttach() {
  DllMain(ModuleFromAddress(reinterpret_cast<const void*>(&ProcessAttach)), DLL_PROCESS_ATTACH, nullptr);
}

__attribute__((destructor(PCVR_INIT_LIBRARY_ENTRY))) void ProcessDetach() {
  DllMain(ModuleFromAddress(reinterpret_cast<const void*>(&ProcessDetach)), DLL_PROCESS_DETACH, nullptr);
}

}  // namespace
