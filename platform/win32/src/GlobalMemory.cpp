// Global memory blocks: fixed blocks from malloc, with a table of the live
// ones so that a stale or foreign handle fails as on Windows instead of
// corrupting the heap.
#include "win32/GlobalMemory.h"

#include <cstdlib>
#include <mutex>
#include <unordered_map>

#include "win32/Kernel.h"

namespace {

std::mutex g_globalMutex;
std::unordered_map<void*, SIZE_T>& GlobalBlocks() {
  static std::unordered_map<void*, SIZE_T> blocks;
  return blocks;
}

}  // namespace

extern "C" {

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
  if (flags & ~static_cast<UINT>(GMEM_MOVEABLE | GMEM_ZEROINIT)) {
    SetLastError(ERROR_INVALID_FLAGS);
    return nullptr;
  }
  // A zero-byte block still gets an address of its own, as on Windows.
  const SIZE_T size = bytes ? bytes : 1;
  void* data = (flags & GMEM_ZEROINIT) ? std::calloc(1, size) : std::malloc(size);
  if (!data) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::lock_guard lock(g_globalMutex);
  GlobalBlocks()[data] = bytes;
  return data;
}

HGLOBAL GlobalFree(HGLOBAL memory) {
  if (!memory) return nullptr;
  {
    std::lock_guard lock(g_globalMutex);
    if (GlobalBlocks().erase(memory) == 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      return memory;
    }
  }
  std::free(memory);
  return nullptr;
}

LPVOID GlobalLock(HGLOBAL memory) {
  std::lock_guard lock(g_globalMutex);
  if (!memory || !GlobalBlocks().count(memory)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return memory;
}

BOOL GlobalUnlock(HGLOBAL) { return FALSE; }  // fixed blocks are never locked

SIZE_T GlobalSize(HGLOBAL memory) {
  std::lock_guard lock(g_globalMutex);
  auto it = GlobalBlocks().find(memory);
  return it == GlobalBlocks().end() ? 0 : it->second;
}

}  // extern "C"
