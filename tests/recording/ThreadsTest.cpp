// Thread handles: waits, duplicates, suspended threads, a thread that
// closes its own handle, and the performance counter.
#include <gtest/gtest.h>

#include <atomic>

#include "win32/Kernel.h"
#include "win32/Threads.h"

namespace {

std::atomic<bool> g_release{false};
std::atomic<bool> g_exitDone{false};
std::atomic<HANDLE> g_selfClosing{nullptr};

// Work the thread still does after its function has returned, as closing
// its X connection is.
struct SlowExit {
  ~SlowExit() {
    for (int i = 0; i < 20000; ++i) Sleep(0);
    g_exitDone = true;
  }
};

TEST(Threads, HandlesWaitsAndExitCodes) {
  HANDLE thread = CreateThread(nullptr, 0, [](LPVOID argument) -> DWORD {
    return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(argument));
  }, reinterpret_cast<LPVOID>(42), 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);  // still signalled
  EXPECT_TRUE(CloseHandle(thread));
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_FAILED);  // a closed handle is gone for good
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(CloseHandle(thread));
  EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);

  // A running thread: not signalled, still active; a duplicate lives on
  // after the original is closed.
  g_release = false;
  HANDLE busy = CreateThread(nullptr, 0, [](LPVOID) -> DWORD {
    while (!g_release.load()) Sleep(0);
    return 5;
  }, nullptr, 0, nullptr);
  HANDLE duplicate = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), busy, GetCurrentProcess(), &duplicate, 0, FALSE,
                              DUPLICATE_SAME_ACCESS));
  EXPECT_EQ(WaitForSingleObject(busy, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(GetExitCodeThread(busy, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_TRUE(CloseHandle(busy));
  g_release = true;
  EXPECT_EQ(WaitForSingleObject(duplicate, INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeThread(duplicate, &code));
  EXPECT_EQ(code, 5u);
  EXPECT_TRUE(CloseHandle(duplicate));
}

TEST(Threads, AHandleIsSignalledOnlyWhenTheThreadHasNothingLeftToRun) {
  g_exitDone = false;
  HANDLE thread = CreateThread(nullptr, 0, [](LPVOID) -> DWORD {
    thread_local SlowExit slow;  // destroyed as the thread exits, after its function returned
    (void)slow;
    return 0;
  }, nullptr, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(g_exitDone.load());
  CloseHandle(thread);
}

TEST(Threads, AThreadThatClosesItsOwnHandleLeavesTheDuplicateUsable) {
  g_release = false;
  HANDLE thread = CreateThread(nullptr, 0, [](LPVOID) -> DWORD {
    while (!g_release.load()) Sleep(0);
    CloseHandle(g_selfClosing.exchange(nullptr));
    return 7;
  }, nullptr, CREATE_SUSPENDED, nullptr);
  ASSERT_NE(thread, nullptr);
  g_selfClosing = thread;
  HANDLE duplicate = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &duplicate, 0, FALSE,
                              DUPLICATE_SAME_ACCESS));
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);  // suspended: not run yet
  EXPECT_EQ(ResumeThread(thread), 1u);
  g_release = true;
  // Whether this wait began before the thread closed the handle or after,
  // it ends: signalled, or refused as a closed handle.
  const DWORD first = WaitForSingleObject(thread, INFINITE);
  EXPECT_TRUE(first == WAIT_OBJECT_0 || (first == WAIT_FAILED && GetLastError() == ERROR_INVALID_HANDLE)) << first;
  EXPECT_EQ(WaitForSingleObject(duplicate, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(g_selfClosing.load(), nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_FAILED);
  EXPECT_EQ(ResumeThread(duplicate), 0u);
  EXPECT_TRUE(CloseHandle(duplicate));
  EXPECT_EQ(ResumeThread(duplicate), static_cast<DWORD>(-1));
}

TEST(PerformanceCounter, IsMonotonicAtItsFrequency) {
  LARGE_INTEGER frequency{}, first{}, second{};
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  EXPECT_EQ(frequency.QuadPart, 10'000'000);
  ASSERT_TRUE(QueryPerformanceCounter(&first));
  Sleep(15);
  ASSERT_TRUE(QueryPerformanceCounter(&second));
  EXPECT_GE(second.QuadPart - first.QuadPart, 15 * frequency.QuadPart / 1000);
  EXPECT_FALSE(QueryPerformanceCounter(nullptr));
}

}  // namespace
