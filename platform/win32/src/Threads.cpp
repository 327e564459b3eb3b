// Thread handles over std::thread. Handles are numbers that are never
// reused, mapped to shared thread records: CloseHandle drops the table's
// reference, a waiter keeps its own until the thread has ended. A handle is
// signalled once the thread has been joined, so a waiter never returns
// while the thread still runs its exit.
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
  bool finished = false;  // the thread function has returned
  bool exited = false;    // and every thread-local object of it is gone
  DWORD exitCode = STILL_ACTIVE;
  // The thread itself, joined by the first waiter once it has exited, so a
  // waiter returns only when the thread has nothing left to run (its X
  // connection is closed, its thread-local objects are destroyed).
  std::thread thread;
  bool joining = false;
  bool joined = false;

  ~ThreadRecord() {
    // Nobody waited: the thread finishes on its own. This may run on the
    // thread itself when its function held the last reference.
    if (thread.joinable()) thread.detach();
  }
};

// The table outlives every static destructor: a thread still ending while
// the process exits may look itself up.
struct ThreadTable {
  std::mutex mutex;
  std::map<std::uintptr_t, std::shared_ptr<ThreadRecord>> threads;
  // Thread handles start high so they are never mistaken for small integers.
  std::uintptr_t nextHandle = 0x7000'0000;
};

ThreadTable& Table() {
  static auto* table = new ThreadTable;
  return *table;
}

std::shared_ptr<ThreadRecord> Find(HANDLE handle) {
  ThreadTable& table = Table();
  std::lock_guard lock(table.mutex);
  const auto it = table.threads.find(reinterpret_cast<std::uintptr_t>(handle));
  return it == table.threads.end() ? nullptr : it->second;
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
    std::lock_guard lock(Table().mutex);
    handle = Table().nextHandle++;
    Table().threads.emplace(handle, record);
  }
  try {
    std::thread thread([record, start, parameter] {
      // The first thread-local object of the thread is destroyed last, after
      // those its function made (an X connection): its end is the thread's.
      struct ExitSignal {
        std::shared_ptr<ThreadRecord> record;
        ~ExitSignal() {
          std::lock_guard lock(record->mutex);
          record->exited = true;
          record->ended.notify_all();
        }
      };
      thread_local ExitSignal exitSignal{record};
      {
        std::unique_lock lock(record->mutex);
        record->resumed.wait(lock, [&] { return !record->suspended; });
      }
      const DWORD code = start(parameter);
      std::lock_guard lock(record->mutex);
      record->exitCode = code;
      record->finished = true;
    });
    if (threadId != nullptr) *threadId = static_cast<DWORD>(std::hash<std::thread::id>{}(thread.get_id()));
    std::lock_guard lock(record->mutex);
    record->thread = std::move(thread);
  } catch (const std::system_error&) {
    std::lock_guard lock(Table().mutex);
    Table().threads.erase(handle);
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
    record->ended.wait(lock, [&] { return record->exited; });
  } else if (!record->ended.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return record->exited; })) {
    return WAIT_TIMEOUT;
  }
  // What is left of the thread is the return from its start routine.
  while (!record->joined) {
    if (record->joining) {
      record->ended.wait(lock, [&] { return record->joined; });
      break;
    }
    record->joining = true;
    lock.unlock();
    if (record->thread.joinable()) record->thread.join();
    lock.lock();
    record->joined = true;
    record->ended.notify_all();
  }
  return WAIT_OBJECT_0;
}

BOOL CloseHandle(HANDLE handle) {
  std::lock_guard lock(Table().mutex);
  if (Table().threads.erase(reinterpret_cast<std::uintptr_t>(handle)) == 0) {
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
  ThreadTable& table = Table();
  std::lock_guard lock(table.mutex);
  const auto it = table.threads.find(reinterpret_cast<std::uintptr_t>(source));
  if (it == table.threads.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const std::uintptr_t handle = table.nextHandle++;
  table.threads.emplace(handle, it->second);
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
