// Thread handles over std::thread. Handles are numbers that are never
// reused, mapped to shared thread records: CloseHandle drops the table's
// reference, a waiter keeps its own until the thread has ended.
#include "win32/Threads.h"

#include <sched.h>
#include <time.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "win32/Kernel.h"

namespace {

struct ThreadRecord {
  std::mutex mutex;
  std::condition_variable ended;
  std::condition_variable resumed;
  bool suspended = false;
  bool finished = false;
  DWORD exitCode = STILL_ACTIVE;
};

std::mutex g_tableMutex;
std::map<std::uintptr_t, std::shared_ptr<ThreadRecord>> g_threads;
// Thread handles start high so they are never mistaken for small integers.
std::uintptr_t g_nextHandle = 0x7000'0000;

std::shared_ptr<ThreadRecord> Find(HANDLE handle) {
  std::lock_guard lock(g_tableMutex);
  const auto it = g_threads.find(reinterpret_cast<std::uintptr_t>(handle));
  return it == g_threads.end() ? nullptr : it->second;
}

thread_local LCID t_threadLocale = LOCALE_SYSTEM_DEFAULT;

}  // namespace

extern "C" {

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                    DWORD* threadId) {
  if (start == nullptr || (flags & ~CREATE_SUSPENDED) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto record = std::make_shared<ThreadRecord>();
  record->suspended = (flags & CREATE_SUSPENDED) != 0;
  std::uintptr_t handle = 0;
  {
    std::lock_guard lock(g_tableMutex);
    handle = g_nextHandle++;
    g_threads.emplace(handle, record);
  }
  try {
    std::thread thread([record, start, parameter] {
      {
        std::unique_lock lock(record->mutex);
        record->resumed.wait(lock, [&] { return !record->suspended; });
      }
      const DWORD code = start(parameter);
      std::lock_guard lock(record->mutex);
      record->exitCode = code;
      record->finished = true;
      record->ended.notify_all();
    });
    if (threadId != nullptr) *threadId = static_cast<DWORD>(std::hash<std::thread::id>{}(thread.get_id()));
    thread.detach();
  } catch (const std::system_error&) {
    std::lock_guard lock(g_tableMutex);
    g_threads.erase(handle);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return reinterpret_cast<HANDLE>(handle);
}

DWORD ResumeThread(HANDLE thread) {
  const std::shared_ptr<ThreadRecord> record = Find(thread);
  if (record == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return static_cast<DWORD>(-1);
  }
  std::lock_guard lock(record->mutex);
  const DWORD previous = record->suspended ? 1 : 0;
  record->suspended = false;
  record->resumed.notify_all();
  return previous;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  const std::shared_ptr<ThreadRecord> record = Find(handle);
  if (record == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  std::unique_lock lock(record->mutex);
  if (milliseconds == INFINITE) {
    record->ended.wait(lock, [&] { return record->finished; });
    return WAIT_OBJECT_0;
  }
  return record->ended.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return record->finished; })
             ? WAIT_OBJECT_0
             : WAIT_TIMEOUT;
}

BOOL CloseHandle(HANDLE handle) {
  std::lock_guard lock(g_tableMutex);
  if (g_threads.erase(reinterpret_cast<std::uintptr_t>(handle)) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)); }

BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, HANDLE* target, DWORD, BOOL,
                     DWORD options) {
  if (sourceProcess != GetCurrentProcess() || targetProcess != GetCurrentProcess() || target == nullptr ||
      options != DUPLICATE_SAME_ACCESS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard lock(g_tableMutex);
  const auto it = g_threads.find(reinterpret_cast<std::uintptr_t>(source));
  if (it == g_threads.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const std::uintptr_t handle = g_nextHandle++;
  g_threads.emplace(handle, it->second);
  *target = reinterpret_cast<HANDLE>(handle);
  return TRUE;
}

BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode) {
  const std::shared_ptr<ThreadRecord> record = Find(thread);
  if (record == nullptr || exitCode == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard lock(record->mutex);
  *exitCode = record->exitCode;
  return TRUE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count) {
  if (count == nullptr) return FALSE;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  // Counted in 100 ns units, like the usual Windows counter: a tick count
  // times 1000 stays far inside 64 bits for centuries of uptime.
  count->QuadPart = static_cast<LONGLONG>(now.tv_sec) * 10'000'000LL + now.tv_nsec / 100;
  return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  if (frequency == nullptr) return FALSE;
  frequency->QuadPart = 10'000'000LL;
  return TRUE;
}

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
}

LCID GetSystemDefaultLCID() { return LOCALE_SYSTEM_DEFAULT; }

BOOL SetThreadLocale(LCID locale) {
  t_threadLocale = locale;
  return TRUE;
}

LCID GetThreadLocale() { return t_threadLocale; }

}  // extern "C"
