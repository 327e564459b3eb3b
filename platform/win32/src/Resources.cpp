#include "win32/Resources.h"

#include <map>
#include <mutex>
#include <string_view>

#include "win32/Kernel.h"
#include "win32/Text.h"

namespace {

struct StringTable {
  const StringResource* entries = nullptr;
  SIZE_T count = 0;
};

std::mutex& TableMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<HMODULE, StringTable>& Tables() {
  static std::map<HMODULE, StringTable> tables;
  return tables;
}

}  // namespace

extern "C" {

void RegisterModuleStrings(HMODULE module, const StringResource* table, SIZE_T count) {
  std::lock_guard lock(TableMutex());
  Tables()[module] = StringTable{table, count};
}

void UnregisterModuleStrings(HMODULE module) {
  std::lock_guard lock(TableMutex());
  Tables().erase(module);
}

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax) {
  LPCWSTR text = nullptr;
  {
    std::lock_guard lock(TableMutex());
    const auto it = Tables().find(instance);
    if (it != Tables().end()) {
      for (SIZE_T i = 0; i < it->second.count; ++i) {
        if (it->second.entries[i].id == id) text = it->second.entries[i].text;
      }
    }
  }
  if (text == nullptr || buffer == nullptr) {
    SetLastError(text == nullptr ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_INVALID_PARAMETER);
    if (buffer != nullptr && bufferMax > 0) buffer[0] = 0;
    return 0;
  }
  const std::size_t length = win32::WideLength(text);
  if (bufferMax == 0) {
    *reinterpret_cast<LPCWSTR*>(buffer) = text;
    return static_cast<int>(length);
  }
  return static_cast<int>(
      win32::CopyWide(std::u16string_view(text, length), buffer, static_cast<std::size_t>(bufferMax)));
}

}  // extern "C"
