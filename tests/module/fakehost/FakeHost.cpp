// A host main library under the names a module looks for ("zuvedi",
// "FakeMain", "HxAcApp"), recording what the module registers.
#include <atomic>
#include <string>

#include "host/HostApi.h"
#include "win32/Kernel.h"
#include "win32/Text.h"

namespace {

std::string g_commands;
int g_factoriesAlive = 0;

class RecordingFactory final : public ICmdFactory {
 public:
  RecordingFactory() { ++g_factoriesAlive; }
  void addRef() override { ++m_refs; }
  void release() override {
    if (--m_refs == 0) {
      --g_factoriesAlive;
      delete this;
    }
  }
  bool addCommand(const OdChar* group, const OdChar* globalName, const OdChar* localName, int flags,
                  HostCommandFunction function, void* commandData, int reserved) override {
    g_commands += win32::ToUtf8(group) + "|" + win32::ToUtf8(globalName) + "|" + win32::ToUtf8(localName) + "|" +
                  std::to_string(flags) + "|" + std::to_string(reinterpret_cast<std::uintptr_t>(function)) + "|" +
                  std::to_string(reinterpret_cast<std::uintptr_t>(commandData)) + "|" + std::to_string(reserved) + "\n";
    return true;
  }

 private:
  int m_refs = 1;
};

}  // namespace

extern "C" {

#ifndef FAKE_HOST_NO_FACTORY
HOST_EXPORT void new_ICmdFactory(ICmdFactory** factory) { *factory = new RecordingFactory(); }
#endif

// One line per registration: group|global|local|flags|function|data|last.
HOST_EXPORT const char* fakeHostCommands() { return g_commands.c_str(); }
HOST_EXPORT int fakeHostFactoriesAlive() { return g_factoriesAlive; }

#ifdef FAKE_HOST_HXACAPP
// HxAcApp hands out the main library of the host: here FakeMain.
HOST_EXPORT HMODULE GetMainDllInstanceEx() { return GetModuleHandleW(u"FakeMain.dll"); }
#endif
}
