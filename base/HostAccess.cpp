#include "base/HostAccess.h"

#include "win32/Kernel.h"
#include "win32/Resources.h"

namespace {

HINSTANCE g_resourceModule = nullptr;

HMODULE HxAcAppMainModule() {
  HMODULE hxAcApp = GetModuleHandleW(u"HxAcApp.dll");
  if (hxAcApp == nullptr) return nullptr;
  auto getInstance = reinterpret_cast<GetMainDllInstanceFn>(GetProcAddress(hxAcApp, "GetMainDllInstanceEx"));
  return getInstance != nullptr ? getInstance() : nullptr;
}

}  // namespace

HMODULE FindHostMainModule(MainModuleQuery query) {
  HMODULE executable = GetModuleHandleW(nullptr);
  if (query == MainModuleQuery::kName) {
    auto getName = reinterpret_cast<GetMainDllNameWFn>(GetProcAddress(executable, "GetMainDllNameW"));
    if (getName != nullptr) return GetModuleHandleW(getName());
  } else {
    auto getInstance = reinterpret_cast<GetMainDllInstanceFn>(GetProcAddress(executable, "GetMainDllInstance"));
    if (getInstance != nullptr) return getInstance();
  }
  if (HMODULE zuvedi = GetModuleHandleW(u"zuvedi.dll")) return zuvedi;
  return HxAcAppMainModule();
}

HostApplication* HostApp() {
  HMODULE mainModule = FindHostMainModule();
  if (mainModule == nullptr) return nullptr;
  auto getService = reinterpret_cast<GetHostFuncPtrFn>(GetProcAddress(mainModule, "get_host_funcptr"));
  if (getService == nullptr) return nullptr;
  auto application = reinterpret_cast<HostApplicationFn>(getService(kHostServiceApplication));
  return application != nullptr ? application() : nullptr;
}

HostDocument* HostCurrentDocument() {
  HostApplication* application = HostApp();
  return application != nullptr ? application->currentDocument() : nullptr;
}

HostCommandOutput* HostMessageOutput() {
  HostApplication* application = HostApp();
  if (application == nullptr) return nullptr;
  if (HostDocument* document = application->currentDocument()) return document->messageOutput();
  return application->messageOutput();
}

HINSTANCE ResourceModule() {
  if (g_resourceModule == nullptr) {
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(reinterpret_cast<const void*>(&ResourceModule), &info, sizeof(info)) != 0) {
      g_resourceModule = static_cast<HINSTANCE>(info.AllocationBase);
    }
  }
  return g_resourceModule;
}

void SetResourceModule(HINSTANCE module) { g_resourceModule = module; }

OdString LoadModuleString(unsigned id) {
  const WCHAR* text = nullptr;
  const int length = LoadStringW(ResourceModule(), id, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 ? OdString(text, length) : OdString();
}

void PrintModuleString(unsigned id) {
  if (HostCommandOutput* output = HostMessageOutput()) output->print(LoadModuleString(id).c_str());
}
