// Resources that Windows keeps inside an image are registered here by the
// image itself at load time, keyed by its module handle.
#pragma once

#include "win32/WinTypes.h"

struct StringResource {
  UINT id;
  LPCWSTR text;
};

extern "C" {
// Registers a string table for a module. The table must outlive the
// registration; UnregisterModuleStrings drops it when the module unloads.
// Thread-safe.
WIN32_EXPORT void RegisterModuleStrings(HMODULE module, const StringResource* table, SIZE_T count);
WIN32_EXPORT void UnregisterModuleStrings(HMODULE module);
// The handle of the loaded object that holds an address, or null.
WIN32_EXPORT HMODULE ModuleFromAddress(LPCVOID address);
}
