// The frame clock's rules on a scripted time source, its waking on the real
// one, and the frame queue between capture and writer threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <thread>
#include <vector>

#include "Poll.h"
#include "recording/FrameClock.h"
#include "movie/FramePipeline.h"
#include "recording/iEventListener.h"
#include "win32/Kernel.h"
#include "win32/Threads.h"

namespace {

// What happens to the flags at a scripted time.
enum class Event { Pause, Resume, Stop };

// A listener on a scripted time. Time moves when the clock sleeps (to the
// deadline, or to the next scripted event before it, whose flag change ends
// the sleep early) and while a frame is taken.
class Script final : public FrameTimeSource, public iEventListener {
 public:
  // A clock that asks the time over and over without sleeping would spin a
  // core (and here never end): that fails and stops it.
  std::int64_t now() override {
    sameTime = t == lastAsked ? sameTime + 1 : 0;
    lastAsked = t;
    if (sameTime == 1000) {
      ADD_FAILURE() << "the clock turns round without sleeping at " << t;
      m_stop = true;
    }
    return t;
  }
  void sleepUntil(std::int64_t deadline, ClockWakeup&) override {
    ++sleeps;
    if (!events.empty() && events.begin()->first <= deadline) return fireNext();
    if (deadline == kNever) {
      ADD_FAILURE() << "the clock sleeps for ever at " << t;
      m_stop = true;
      return;
    }
    t = deadline;
  }
  void advanceTo(std::int64_t target) {
    while (!events.empty() && events.begin()->first <= target) fireNext();
    t = std::max(t, target);
  }
  bool isFinished() override {
    if (m_pause.load()) askedWhilePaused = true;
    return finishAfterTicks >= 0 && static_cast<int>(ticks.size()) >= finishAfterTicks;
  }
  bool isSuspended() override { return t >= suspendedFrom && t < suspendedUntil; }
  void onTick() override {
    ticks.push_back(t - 1000);
    advanceTo(t + tickCost);
  }

  std::int64_t t = 1000;
  std::multimap<std::int64_t, Event> events;
  int sleeps = 0;
  int finishAfterTicks = -1;
  std::int64_t suspendedFrom = -1, suspendedUntil = -1;  // scripted times
  std::int64_t tickCost = 0;
  bool askedWhilePaused = false;
  std::vector<std::int64_t> ticks;  // times of onTick, from begin
  std::int64_t lastAsked = -1;
  int sameTime = 0;

 private:
  void fireNext() {
    t = std::max(t, events.begin()->first);
    const Event event = events.begin()->second;
    events.erase(events.begin());
    if (event == Event::Stop) {
      m_stop = true;
    } else {
      m_pause = event == Event::Pause;
    }
  }
};

struct ClockCase {
  const char* name;
  int interval, delay;
  bool noDelay;
  std::int64_t tickCost;
  std::vector<std::pair<std::int64_t, Event>> events;  // times from begin
  std::pair<std::int64_t, std::int64_t> suspended;     // from begin; {-1, -1} never
  int finishAfterTicks;
  std::vector<std::int64_t> expectedTicks;
};

TEST(FrameClock, PacesFramesByItsRules) {
  const std::vector<ClockCase> cases = {
      {"first frame at once, then one an interval",
       100,
       0,
       false,
       0,
       {{450, Event::Stop}},
       {-1, -1},
       -1,
       {0, 100, 200, 300, 400}},
      {"first frame when the delay has passed",
       100,
       300,
       false,
       0,
       {{650, Event::Stop}},
       {-1, -1},
       -1,
       {300, 400, 500, 600}},
      {"no-delay flag ignores the delay", 100, 5000, true, 0, {{150, Event::Stop}}, {-1, -1}, -1, {0, 100}},
      {"a negative delay starts at once, as no delay does",
       100,
       -3000,
       false,
       0,
       {{150, Event::Stop}},
       {-1, -1},
       -1,
       {0, 100}},
      {"a late frame is not made up: the next is due an interval after it was taken",
       100,
       0,
       false,
       130,
       {{700, Event::Stop}},
       {-1, -1},
       -1,
       {0, 130, 260, 390, 520, 650}},
      {"paused time gives no frames; the first after it is due at once",
       100,
       0,
       false,
       0,
       {{250, Event::Pause}, {1010, Event::Resume}, {1250, Event::Stop}},
       {-1, -1},
       -1,
       {0, 100, 200, 1010, 1110, 1210}},
      {"a pause shorter than the interval delays nothing",
       100,
       0,
       false,
       0,
       {{120, Event::Pause}, {150, Event::Resume}, {250, Event::Stop}},
       {-1, -1},
       -1,
       {0, 100, 200}},
      {"suspended frames are skipped, not made up",
       100,
       0,
       false,
       0,
       {{750, Event::Stop}},
       {150, 520},
       -1,
       {0, 100, 600, 700}},
      {"a stop during the delay ends the clock before any frame",
       100,
       3000,
       false,
       0,
       {{10, Event::Stop}},
       {-1, -1},
       -1,
       {}},
      {"a finished target ends the clock when the next frame is due", 100, 0, false, 0, {}, {-1, -1}, 3, {0, 100, 200}},
      {"a stop set before the clock runs gives no frame", 100, 0, false, 0, {{-1, Event::Stop}}, {-1, -1}, -1, {}},
  };
  for (const ClockCase& c : cases) {
    SCOPED_TRACE(c.name);
    Script script;
    for (const auto& [at, event] : c.events) script.events.emplace(1000 + at, event);
    if (c.suspended.first >= 0) {
      script.suspendedFrom = 1000 + c.suspended.first;
      script.suspendedUntil = 1000 + c.suspended.second;
    }
    script.tickCost = c.tickCost;
    script.finishAfterTicks = c.finishAfterTicks;
    FrameClock clock(&script, c.interval, script);
    EXPECT_TRUE(clock.begin(c.noDelay, c.delay));
    EXPECT_EQ(clock.startTime(), 1000 + (c.noDelay ? 0 : std::max(0, c.delay)));
    script.advanceTo(script.t);  // events before the start
    clock.run();
    EXPECT_EQ(script.ticks, c.expectedTicks);
    EXPECT_FALSE(script.askedWhilePaused);
    // The clock sleeps between frames instead of turning round: a few
    // sleeps a frame at most.
    EXPECT_LE(script.sleeps, 3 * static_cast<int>(c.expectedTicks.size() + c.events.size()) + 10);
  }
}

// A stop or a lifted pause wakes a clock asleep with nothing due (else: a hang).
class WakeScript final : public FrameTimeSource, public iEventListener {
 public:
  std::int64_t now() override { return PerformanceCounterTime().now(); }
  void sleepUntil(std::int64_t deadline, ClockWakeup& wakeup) override {
    ++sleeps;
    PerformanceCounterTime().sleepUntil(deadline, wakeup);
  }
  bool isFinished() override { return false; }
  bool isSuspended() override { return false; }
  void onTick() override {
    const int tick = ticks.load() + 1;
    if (tick == 1) {  // paused from the first frame on
      sleepsBeforePause = sleeps.load();
      m_pause = true;
    }
    if (tick == 2) m_stop = true;
    ticks = tick;  // last: the other thread reads the pause after it
  }
  std::atomic<int> sleeps{0}, ticks{0}, sleepsBeforePause{-1};
};

TEST(FrameClock, StopAndPauseWakeTheSleepingClock) {
  for (const bool stopInDelay : {true, false}) {
    SCOPED_TRACE(stopInDelay ? "stop during an hour's delay" : "pause lifted while nothing is due");
    WakeScript script;
    FrameClock clock(&script, 10, script);
    clock.begin(false, stopInDelay ? 3'600'000 : 0);
    std::thread other([&] {
      // Asleep in the delay, or asleep paused after the first frame.
      pcvr_test::WaitUntil([&] {
        return stopInDelay ? script.sleeps.load() >= 1
                           : script.ticks.load() >= 1 && script.sleeps.load() > script.sleepsBeforePause.load();
      });
      if (stopInDelay) {
        script.m_stop = true;
      } else {
        script.m_pause = false;
      }
    });
    clock.run();
    other.join();
    EXPECT_EQ(script.ticks.load(), stopInDelay ? 0 : 2);
  }
}

// Frames through the queue: each carries its number in its first pixel.
TEST(FramePipeline, WritesEveryFrameInOrderAndStopsAtAFailedWrite) {
  const BITMAPINFOHEADER format{sizeof(BITMAPINFOHEADER), 4, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  const auto number = [](HBITMAP frame) -> std::uint32_t& {
    DIBSECTION section{};
    GetObjectW(frame, sizeof section, &section);
    return *static_cast<std::uint32_t*>(section.dsBm.bmBits);
  };
  for (const int failAt : {-1, 7}) {
    SCOPED_TRACE(failAt);
    std::vector<std::uint32_t> written;
    FramePipeline pipeline;
    ASSERT_TRUE(pipeline.start(format, 3, [&](HBITMAP frame) {
      if (static_cast<int>(number(frame)) == failAt) return false;
      written.push_back(number(frame));
      return true;
    }));
    std::uint32_t pushed = 0;  // until writing fails
    HBITMAP first = nullptr;
    for (HBITMAP frame; pushed < 200 && (frame = pipeline.acquire()) != nullptr; ++pushed) {
      if (first == nullptr) first = frame;
      number(frame) = pushed;
      pipeline.push(frame);
    }
    pipeline.finish();
    DIBSECTION gone{};  // the bitmaps go with the writing's end
    EXPECT_EQ(GetObjectW(first, sizeof gone, &gone), 0);
    EXPECT_EQ(pipeline.acquire(), nullptr);
    std::vector<std::uint32_t> expected;
    for (std::uint32_t i = 0; i < (failAt < 0 ? 200u : static_cast<std::uint32_t>(failAt)); ++i) expected.push_back(i);
    EXPECT_EQ(written, expected);
    EXPECT_EQ(pipeline.written(), expected.size());
    EXPECT_EQ(pipeline.failed(), failAt >= 0);
    EXPECT_LE(pushed, failAt < 0 ? 200u : static_cast<std::uint32_t>(failAt) + 3);  // no more than the queue held
  }
}

// Thread handles: waits, duplicates, suspended threads, a thread that closes
// its own handle, and the performance counter.
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
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](LPVOID argument) -> DWORD { return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(argument)); },
      reinterpret_cast<LPVOID>(42), 0, nullptr);
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
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](LPVOID) -> DWORD {
        thread_local SlowExit slow;
        (void)slow;
        g_returned->set_value();
        return 0;
      },
      nullptr, 0, nullptr);
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
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](LPVOID) -> DWORD {
        g_goOn.wait();
        CloseHandle(g_selfClosing.exchange(nullptr));
        return 7;
      },
      nullptr, CREATE_SUSPENDED, nullptr);
  ASSERT_NE(thread, nullptr);
  g_selfClosing = thread;
  HANDLE duplicate = nullptr;
  ASSERT_TRUE(
      DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &duplicate, 0, FALSE, DUPLICATE_SAME_ACCESS));
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
       std::chrono::steady_clock::now() - start < std::chrono::milliseconds(15);) {}
  ASSERT_TRUE(QueryPerformanceCounter(&second));
  EXPECT_GE(second.QuadPart - first.QuadPart, 15 * frequency.QuadPart / 1000);
  EXPECT_FALSE(QueryPerformanceCounter(nullptr));
}

}  // namespace
