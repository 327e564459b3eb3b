// Thread handles: waits, duplicates, suspended threads, a thread that
// closes its own handle, and the performance counter.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>

#include "win32/Kernel.h"
#include "win32/Threads.h"

namespace {

// The threads wait until the test lets them go on.
std::shared_future<void> g_goOn;
std::promise<void>* g_returned = nullptr;
std::atomic<bool> g_exitDone{false};
std::atomic<HANDLE> g_selfClosing{nullptr};

// Work the thread still does after its function has returned, as closing
// its X connection is.
struct SlowExit {
  ~SlowExit() {
    g_goOn.wait();
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
}

// Its thread-local objects are destroyed after the function returned: the
// handle is signalled only after that.
TEST(Threads, AHandleIsSignalledOnlyWhenTheThreadHasNothingLeftToRun) {
  std::promise<void> goOn, returned;
  g_goOn = goOn.get_future().share();
  g_returned = &returned;
  HANDLE thread = CreateThread(nullptr, 0, [](LPVOID) -> DWORD {
    thread_local SlowExit slow;
    (void)slow;
    g_returned->set_value();
    return 0;
  }, nullptr, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  returned.get_future().wait();
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
  goOn.set_value();
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(g_exitDone.load());
  CloseHandle(thread);
}

// A suspended, then running thread is not signalled and still active; it
// closes its own handle, and the duplicate lives on.
TEST(Threads, AThreadThatClosesItsOwnHandleLeavesTheDuplicateUsable) {
  std::promise<void> goOn;
  g_goOn = goOn.get_future().share();
  HANDLE thread = CreateThread(nullptr, 0, [](LPVOID) -> DWORD {
    g_goOn.wait();
    CloseHandle(g_selfClosing.exchange(nullptr));
    return 7;
  }, nullptr, CREATE_SUSPENDED, nullptr);
  ASSERT_NE(thread, nullptr);
  g_selfClosing = thread;
  HANDLE duplicate = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &duplicate, 0, FALSE,
                              DUPLICATE_SAME_ACCESS));
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
  EXPECT_EQ(ResumeThread(thread), 1u);
  DWORD code = 0;
  EXPECT_EQ(WaitForSingleObject(duplicate, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(GetExitCodeThread(duplicate, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  goOn.set_value();
  // Whether this wait began before the thread closed the handle or after,
  // it ends: signalled, or refused as a closed handle.
  const DWORD first = WaitForSingleObject(thread, INFINITE);
  EXPECT_TRUE(first == WAIT_OBJECT_0 || (first == WAIT_FAILED && GetLastError() == ERROR_INVALID_HANDLE)) << first;
  EXPECT_EQ(WaitForSingleObject(duplicate, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(g_selfClosing.load(), nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_FAILED);
  EXPECT_TRUE(GetExitCodeThread(duplicate, &code));
  EXPECT_EQ(code, 7u);
  EXPECT_EQ(ResumeThread(duplicate), 0u);
  EXPECT_TRUE(CloseHandle(duplicate));
  EXPECT_EQ(ResumeThread(duplicate), static_cast<DWORD>(-1));
}

// Counts of 100 ns that keep pace with the steady clock.
TEST(PerformanceCounter, IsMonotonicAtItsFrequency) {
  LARGE_INTEGER frequency{}, first{}, second{};
  ASSERT_TRUE(QueryPerformanceFrequency(&frequency));
  EXPECT_EQ(frequency.QuadPart, 10'000'000);
  ASSERT_TRUE(QueryPerformanceCounter(&first));
  for (const auto start = std::chrono::steady_clock::now();
       std::chrono::steady_clock::now() - start < std::chrono::milliseconds(15);) {
  }
  ASSERT_TRUE(QueryPerformanceCounter(&second));
  EXPECT_GE(second.QuadPart - first.QuadPart, 15 * frequency.QuadPart / 1000);
  EXPECT_FALSE(QueryPerformanceCounter(nullptr));
}

}  // namespace
