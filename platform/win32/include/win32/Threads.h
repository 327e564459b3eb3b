// Threads, waits, the performance counter and thread locales.
#pragma once

#include "win32/WinTypes.h"

#define INFINITE 0xFFFFFFFFu
#define CREATE_SUSPENDED 0x00000004u
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID parameter);
struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};

using LCID = DWORD;
#define LOCALE_SYSTEM_DEFAULT 0x0800
#define LOCALE_USER_DEFAULT 0x0400

extern "C" {

// A thread handle stays usable by every thread that holds it until
// CloseHandle; a wait that is in progress when another thread closes the
// handle still ends when the thread does.
// flags: 0 or CREATE_SUSPENDED (the thread runs from ResumeThread on).
WIN32_EXPORT HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                                 LPVOID parameter, DWORD flags, DWORD* threadId);
// Returns the previous suspend count (1 for a thread created suspended, 0
// for a running one), or (DWORD)-1 for a bad handle.
WIN32_EXPORT DWORD ResumeThread(HANDLE thread);
// Thread handles only. WAIT_FAILED (ERROR_INVALID_HANDLE) for a handle that
// is not (or no longer) open.
WIN32_EXPORT DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
WIN32_EXPORT BOOL CloseHandle(HANDLE handle);
// A second handle to the same thread, closed on its own. Process handles
// are the pseudo handle of GetCurrentProcess; options must be
// DUPLICATE_SAME_ACCESS.
WIN32_EXPORT HANDLE GetCurrentProcess();
WIN32_EXPORT BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, HANDLE* target,
                                  DWORD access, BOOL inherit, DWORD options);
#define DUPLICATE_SAME_ACCESS 0x00000002u
WIN32_EXPORT BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode);
#define STILL_ACTIVE 259u

// A monotonic clock at 10 MHz.
WIN32_EXPORT BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
WIN32_EXPORT BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
// Sleep(0) yields the rest of the time slice.
WIN32_EXPORT void Sleep(DWORD milliseconds);

// The locale a thread formats and parses with; Windows keeps one per thread.
WIN32_EXPORT LCID GetSystemDefaultLCID();
WIN32_EXPORT BOOL SetThreadLocale(LCID locale);
WIN32_EXPORT LCID GetThreadLocale();

}  // extern "C"
