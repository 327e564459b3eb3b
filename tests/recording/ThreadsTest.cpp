// Thread handles: waits, a handle closed by its own thread while another
// waits on it, and the performance counter.
#include <gtest/gtest.h>

#include <atomic>

#include "win32/Kernel.h"
#include "win32/Threads.h"

namespace {

std::atomic<HANDLE> g_selfClosing{nullptr};
std::atomic<bool> g_release{false};

DWORD CloseOwnHandle(LPVOID) {
  while (!g_release.load()) Sleep(0);
  Sleep(100);
  HANDLE self = g_selfClosing.exchange(nullptr);
  CloseHandle(self);
  return 7;
}

DWORD ReturnArgument(LPVOID argument) { return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(argument)); }

TEST(Threads, AWaitOutlivesTheHandleTheThreadClosesItself) {
  g_release = false;
  HANDLE thread = CreateThread(nullptr, 0, &CloseOwnHandle, nullptr, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  g_selfClosing = thread;
  HANDLE duplicate = nullptr;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &duplicate, 0, FALSE,
                              DUPLICATE_SAME_ACCESS));
  // The thread closes its own handle a while after this wait has begun.
  g_release = true;
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(g_selfClosing.load(), nullptr);
  // The closed handle is gone for good.
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(CloseHandle(thread));
  // The duplicate lives on until it is closed itself.
  EXPECT_EQ(WaitForSingleObject(duplicate, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(CloseHandle(duplicate));
}

TEST(Threads, ExitCodeAndTimeouts) {
  HANDLE thread = CreateThread(nullptr, 0, &ReturnArgument, reinterpret_cast<LPVOID>(42), 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);  // still signalled
  EXPECT_TRUE(CloseHandle(thread));

  g_release = false;
  g_selfClosing = nullptr;
  HANDLE busy = CreateThread(nullptr, 0, [](LPVOID) -> DWORD {
    while (!g_release.load()) Sleep(0);
    return 0;
  }, nullptr, 0, nullptr);
  EXPECT_EQ(WaitForSingleObject(busy, 10), WAIT_TIMEOUT);
  EXPECT_TRUE(GetExitCodeThread(busy, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  g_release = true;
  EXPECT_EQ(WaitForSingleObject(busy, INFINITE), WAIT_OBJECT_0);
  CloseHandle(busy);
  EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
}

TEST(Threads, ASuspendedThreadRunsOnlyAfterResume) {
  static std::atomic<int> runs{0};
  runs = 0;
  HANDLE thread = CreateThread(nullptr, 0, [](LPVOID) -> DWORD {
    ++runs;
    return 0;
  }, nullptr, CREATE_SUSPENDED, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
  EXPECT_EQ(runs.load(), 0);
  EXPECT_EQ(ResumeThread(thread), 1u);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(runs.load(), 1);
  EXPECT_EQ(ResumeThread(thread), 0u);
  CloseHandle(thread);
  EXPECT_EQ(ResumeThread(thread), static_cast<DWORD>(-1));
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
