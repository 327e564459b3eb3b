// The module object of a library that the host loads through dlopen: the
// reference count never deletes it, only deleteModule does, and the library
// keeps one instance at a time.
#pragma once

#include <new>

#include "sdk/OdAlloc.h"
#include "sdk/OdRxModule.h"
#include "win32/Kernel.h"

template <class T, class TBase = T>
class OdRxWin32Module : public TBase {
 public:
  static void* operator new(std::size_t size) {
    void* block = odrxAlloc(size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
  }
  static void operator delete(void* block) { odrxFree(block); }

  // The body of the library's odrxCreateModuleObject. The first call takes
  // over the caller's handle (and clears the caller's variable); later calls
  // return the same object and leave the variable alone.
  static OdRxModule* createModule(HMODULE* callerHandle) {
    if (s_instance == nullptr) {
      s_instance = new OdRxWin32Module(*callerHandle);
      *callerHandle = nullptr;
    }
    return s_instance;
  }
  static OdRxModule* instance() { return s_instance; }

  void addRef() override { InterlockedIncrement(&m_nRefCounter); }
  // A module object is owned by its library; dropping the last reference
  // leaves it alive until deleteModule.
  void release() override { InterlockedDecrement(&m_nRefCounter); }
  long numRefs() const override { return InterlockedRead(&m_nRefCounter); }
  void* sysData() override { return m_hModule; }
  void deleteModule() override {
    s_instance = nullptr;
    delete this;
  }
  OdString moduleName() const override {
    WCHAR path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(m_hModule, path, MAX_PATH);
    return OdString(path, length < MAX_PATH ? static_cast<int>(length) : MAX_PATH - 1);
  }

 private:
  explicit OdRxWin32Module(HMODULE module) : m_hModule(module) {}

  volatile LONG m_nRefCounter = 0;
  HMODULE m_hModule;
  static inline OdRxWin32Module* s_instance = nullptr;
};

#define ODRX_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

// Defines the two entry points the host looks up by name.
#define ODRX_DEFINE_DYNAMIC_MODULE(ModuleClass)                                                         \
  ODRX_MODULE_EXPORT OdRxModule* odrxCreateModuleObject(HMODULE* callerHandle) {                        \
    return OdRxWin32Module<ModuleClass, ModuleClass>::createModule(callerHandle);                       \
  }                                                                                                     \
  ODRX_MODULE_EXPORT void odrxGetAPIVersion(int* major, int* minor, int* majorBuild, int* minorBuild) { \
    *major = 23;                                                                                        \
    *minor = 10;                                                                                        \
    *majorBuild = 0;                                                                                    \
    *minorBuild = 0;                                                                                    \
  }

// The signatures the host resolves.
using OdrxCreateModuleObjectFn = OdRxModule* (*)(HMODULE* callerHandle);
using OdrxGetAPIVersionFn = void (*)(int* major, int* minor, int* majorBuild, int* minorBuild);
