// Module handles over the dynamic loader: dl_iterate_phdr lists what is
// mapped, dladdr maps an address to its object, dlopen/dlsym resolve exports.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "win32/Kernel.h"
#include "win32/Resources.h"
#include "win32/Text.h"

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

struct LoadedObject {
  std::string path;
  std::uintptr_t base = 0;
  bool isExecutable = false;
};

std::string ExecutablePath() {
  std::string path(4096, '\0');
  const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (n <= 0) return {};
  path.resize(static_cast<std::size_t>(n));
  return path;
}

// The lowest mapped address of an object: the start of its first loadable
// segment, page aligned. dladdr reports the same value as dli_fbase.
std::uintptr_t ObjectBase(const dl_phdr_info* info) {
  std::uintptr_t lowest = UINTPTR_MAX;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    if (info->dlpi_phdr[i].p_type == PT_LOAD) {
      lowest = std::min<std::uintptr_t>(lowest, info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
    }
  }
  if (lowest == UINTPTR_MAX) return 0;
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  return lowest & ~(page - 1);
}

std::vector<LoadedObject> LoadedObjects() {
  std::vector<LoadedObject> objects;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) -> int {
        auto* list = static_cast<std::vector<LoadedObject>*>(data);
        LoadedObject object;
        object.base = ObjectBase(info);
        if (list->empty()) {  // the first entry is always the executable
          object.isExecutable = true;
          object.path = ExecutablePath();
        } else if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0') {
          object.path = info->dlpi_name;
        } else {
          return 0;  // the vDSO and other nameless mappings
        }
        list->push_back(std::move(object));
        return 0;
      },
      &objects);
  return objects;
}

std::string Stem(std::string_view name) {
  const auto slash = name.find_last_of("/\\");
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  std::string stem(name);
  for (auto& c : stem) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (stem.rfind("lib", 0) == 0 && stem.size() > 3) stem.erase(0, 3);
  if (const auto so = stem.find(".so"); so != std::string::npos && (so + 3 == stem.size() || stem[so + 3] == '.')) {
    stem.erase(so);
  } else if (stem.size() > 4 && (stem.ends_with(".dll") || stem.ends_with(".exe"))) {
    stem.erase(stem.size() - 4);
  }
  return stem;
}

const LoadedObject* FindByBase(const std::vector<LoadedObject>& objects, HMODULE module) {
  for (const auto& object : objects) {
    if (object.base == reinterpret_cast<std::uintptr_t>(module)) return &object;
  }
  return nullptr;
}

HMODULE ModuleHandleByName(const std::string& name) {
  const auto objects = LoadedObjects();
  if (name.empty()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  const std::string wanted = Stem(name);
  for (const auto& object : objects) {
    if (!object.isExecutable && Stem(object.path) == wanted) { return reinterpret_cast<HMODULE>(object.base); }
  }
  // The executable is found by its own name last, as a library of the same
  // stem is the likelier meaning.
  for (const auto& object : objects) {
    if (object.isExecutable && Stem(object.path) == wanted) { return reinterpret_cast<HMODULE>(object.base); }
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

// dlopen handles owned by LoadLibraryW, released by FreeLibrary.
std::mutex g_libraryMutex;
std::unordered_multimap<std::uintptr_t, void*> g_libraryHandles;

}  // namespace

extern "C" {

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD code) { t_lastError = code; }

void OutputDebugStringW(LPCWSTR text) {
  if (text == nullptr) return;
  const std::string line = win32::ToUtf8(std::u16string_view(text, win32::WideLength(text)));
  std::fprintf(stderr, "%s%s", line.c_str(), !line.empty() && line.back() == '\n' ? "" : "\n");
}

HMODULE GetModuleHandleW(LPCWSTR moduleName) {
  if (moduleName == nullptr) return GetModuleHandleA(nullptr);
  return ModuleHandleByName(win32::ToUtf8(std::u16string_view(moduleName, win32::WideLength(moduleName))));
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
  if (moduleName == nullptr) {
    for (const auto& object : LoadedObjects()) {
      if (object.isExecutable) return reinterpret_cast<HMODULE>(object.base);
    }
    return nullptr;
  }
  return ModuleHandleByName(moduleName);
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
  const auto objects = LoadedObjects();
  const LoadedObject* object = nullptr;
  if (module == nullptr) {
    object = objects.empty() ? nullptr : &objects.front();
  } else {
    object = FindByBase(objects, module);
  }
  if (object == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  if (size == 0 || fileName == nullptr) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  const std::u16string path = win32::FromUtf8(object->path);
  const std::size_t copied = win32::CopyWide(path, fileName, size);
  if (copied < path.size()) {
    // Windows fills the buffer, terminates it and reports the full size.
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(copied);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  if (procName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const auto objects = LoadedObjects();
  const LoadedObject* object = FindByBase(objects, module);
  if (object == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  void* handle =
      object->isExecutable ? dlopen(nullptr, RTLD_LAZY) : dlopen(object->path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (handle == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  void* symbol = dlsym(handle, procName);
  dlclose(handle);
  Dl_info where{};
  if (symbol == nullptr || dladdr(symbol, &where) == 0 ||
      reinterpret_cast<std::uintptr_t>(where.dli_fbase) != object->base) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

HMODULE LoadLibraryW(LPCWSTR fileName) {
  if (fileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const std::string path = win32::NativePath(std::u16string_view(fileName, win32::WideLength(fileName)));
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  link_map* map = nullptr;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) {
    dlclose(handle);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  HMODULE module = nullptr;
  for (const auto& object : LoadedObjects()) {
    if (!object.isExecutable && object.path == map->l_name) { module = reinterpret_cast<HMODULE>(object.base); }
  }
  if (module == nullptr) {
    dlclose(handle);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  std::lock_guard lock(g_libraryMutex);
  g_libraryHandles.emplace(reinterpret_cast<std::uintptr_t>(module), handle);
  return module;
}

BOOL FreeLibrary(HMODULE module) {
  void* handle = nullptr;
  {
    std::lock_guard lock(g_libraryMutex);
    const auto it = g_libraryHandles.find(reinterpret_cast<std::uintptr_t>(module));
    if (it == g_libraryHandles.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    handle = it->second;
    g_libraryHandles.erase(it);
  }
  return dlclose(handle) == 0 ? TRUE : FALSE;
}

BOOL DisableThreadLibraryCalls(HMODULE module) {
  // Shared objects get no per-thread notifications on Linux, so there is
  // nothing to turn off; the handle is still checked like Windows does.
  if (module == nullptr || FindByBase(LoadedObjects(), module) == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

SIZE_T VirtualQuery(LPCVOID address, MEMORY_BASIC_INFORMATION* info, SIZE_T length) {
  if (info == nullptr || length < sizeof(MEMORY_BASIC_INFORMATION)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  std::memset(info, 0, sizeof(*info));
  info->BaseAddress = reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(address) & ~(page - 1));
  info->RegionSize = page;
  Dl_info where{};
  if (dladdr(address, &where) != 0 && where.dli_fbase != nullptr) {
    info->AllocationBase = where.dli_fbase;
    info->State = MEM_COMMIT;
    info->Type = MEM_IMAGE;
    info->Protect = PAGE_EXECUTE_READ;
    info->AllocationProtect = PAGE_EXECUTE_READ;
  } else {
    info->AllocationBase = nullptr;
    info->State = MEM_FREE;
  }
  return sizeof(MEMORY_BASIC_INFORMATION);
}

HMODULE ModuleFromAddress(LPCVOID address) {
  MEMORY_BASIC_INFORMATION info;
  if (VirtualQuery(address, &info, sizeof(info)) == 0) return nullptr;
  return static_cast<HMODULE>(info.AllocationBase);
}

DWORD GetCurrentDirectoryW(DWORD bufferLength, LPWSTR buffer) {
  std::string cwd(4096, '\0');
  while (getcwd(cwd.data(), cwd.size()) == nullptr) {
    if (errno != ERANGE) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return 0;
    }
    cwd.resize(cwd.size() * 2);
  }
  cwd.resize(std::strlen(cwd.c_str()));
  const std::u16string wide = win32::FromUtf8(cwd);
  if (buffer == nullptr || bufferLength <= wide.size()) {
    return static_cast<DWORD>(wide.size() + 1);  // the size needed, terminator included
  }
  return static_cast<DWORD>(win32::CopyWide(wide, buffer, bufferLength));
}

LONG InterlockedIncrement(volatile LONG* addend) { return __atomic_add_fetch(addend, 1, __ATOMIC_SEQ_CST); }
LONG InterlockedDecrement(volatile LONG* addend) { return __atomic_sub_fetch(addend, 1, __ATOMIC_SEQ_CST); }
LONG InterlockedExchange(volatile LONG* target, LONG value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
LONG InterlockedExchangeAdd(volatile LONG* addend, LONG value) {
  return __atomic_fetch_add(addend, value, __ATOMIC_SEQ_CST);
}
LONG InterlockedCompareExchange(volatile LONG* destination, LONG exchange, LONG comparand) {
  __atomic_compare_exchange_n(destination, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}

}  // extern "C"
