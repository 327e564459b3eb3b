// Kernel functions of the module-handle, string-resource, interlocked and
// process families, on POSIX. Each fails the way its Windows namesake fails:
// through its return value and the thread's last-error code.
#pragma once

#include "win32/WinTypes.h"

// Process attach/detach reasons handed to a library entry.
#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

extern "C" {

WIN32_EXPORT DWORD GetLastError();
WIN32_EXPORT void SetLastError(DWORD code);
// The process's log: a line on standard error (the host's log; a debugger's
// output window on Windows).
WIN32_EXPORT void OutputDebugStringW(LPCWSTR text);

// A module handle is the lowest mapped address of a loaded shared object (the
// executable for a null name), as an HMODULE is the base of an image on
// Windows. A Windows module name matches a loaded object when both give the
// same stem: the base name, case-insensitive, without a leading "lib" and
// without ".dll", ".exe" or ".so" and what follows it. So "LMX_Main.dll" finds
// libLMX_Main.so and "zuvedi" finds libzuvedi.so.
WIN32_EXPORT HMODULE GetModuleHandleW(LPCWSTR moduleName);
WIN32_EXPORT HMODULE GetModuleHandleA(LPCSTR moduleName);
WIN32_EXPORT DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);
// Only the symbols the module itself defines; a symbol found in one of its
// dependencies does not count, as on Windows where exports are per image.
WIN32_EXPORT FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
WIN32_EXPORT HMODULE LoadLibraryW(LPCWSTR fileName);
WIN32_EXPORT BOOL FreeLibrary(HMODULE module);
WIN32_EXPORT BOOL DisableThreadLibraryCalls(HMODULE module);
WIN32_EXPORT SIZE_T VirtualQuery(LPCVOID address, MEMORY_BASIC_INFORMATION* info, SIZE_T length);

// Strings come from the table a module registered for its own handle (see
// win32/Resources.h). With bufferMax 0 the buffer receives a read-only pointer
// to the text, which is not terminated.
WIN32_EXPORT int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax);

WIN32_EXPORT DWORD GetCurrentDirectoryW(DWORD bufferLength, LPWSTR buffer);

WIN32_EXPORT LONG InterlockedIncrement(volatile LONG* addend);
WIN32_EXPORT LONG InterlockedDecrement(volatile LONG* addend);
WIN32_EXPORT LONG InterlockedExchange(volatile LONG* target, LONG value);
WIN32_EXPORT LONG InterlockedExchangeAdd(volatile LONG* addend, LONG value);
WIN32_EXPORT LONG InterlockedCompareExchange(volatile LONG* destination, LONG exchange, LONG comparand);

}  // extern "C"

// Reads a LONG the way the module reads its reference count: atomically.
inline LONG InterlockedRead(const volatile LONG* value) { return __atomic_load_n(value, __ATOMIC_SEQ_CST); }
