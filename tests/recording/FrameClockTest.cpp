// The frame clock's pacing rules on a scripted time source (no real time
// passes), its waking on the real one, and the frame queue between the
// capture and the writer thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <thread>
#include <vector>

#include "recording/FrameClock.h"
#include "recording/FramePipeline.h"
#include "recording/iEventListener.h"

namespace {

// What happens to the flags at a scripted time.
enum class Event { Pause, Resume, Stop };

// Time moves when the clock sleeps (to the deadline, or to the next
// scripted event before it, whose flag change ends the sleep early) and
// while a frame is taken.
class ScriptedTime final : public FrameTimeSource {
 public:
  std::int64_t now() override { return t; }
  void sleepUntil(std::int64_t deadline, ClockWakeup&) override {
    ++sleeps;
    if (!events.empty() && events.begin()->first <= deadline) return fireNext();
    if (deadline == kNever) {
      ADD_FAILURE() << "the clock sleeps for ever at " << t;
      listener->m_stop = true;
      return;
    }
    t = deadline;
  }
  void advanceTo(std::int64_t target) {
    while (!events.empty() && events.begin()->first <= target) fireNext();
    t = std::max(t, target);
  }

  std::int64_t t = 1000;
  std::multimap<std::int64_t, Event> events;
  iEventListener* listener = nullptr;
  int sleeps = 0;

 private:
  void fireNext() {
    t = std::max(t, events.begin()->first);
    const Event event = events.begin()->second;
    events.erase(events.begin());
    if (event == Event::Pause) listener->m_pause = true;
    if (event == Event::Resume) listener->m_pause = false;
    if (event == Event::Stop) listener->m_stop = true;
  }
};

class ScriptedListener final : public iEventListener {
 public:
  bool isFinished() override {
    ++finishedQueries;
    if (m_pause.load()) askedWhilePaused = true;
    return finishAfterTicks >= 0 && static_cast<int>(ticks.size()) >= finishAfterTicks;
  }
  bool isSuspended() override { return time->t >= suspendedFrom && time->t < suspendedUntil; }
  void onTick() override {
    ticks.push_back(time->t - 1000);
    time->advanceTo(time->t + tickCost);
  }

  ScriptedTime* time = nullptr;
  int finishAfterTicks = -1;
  std::int64_t suspendedFrom = -1, suspendedUntil = -1;  // absolute scripted times
  std::int64_t tickCost = 0;
  int finishedQueries = 0;
  bool askedWhilePaused = false;
  std::vector<std::int64_t> ticks;  // times of onTick, from begin
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
      {"first frame at once, then one an interval", 100, 0, false, 0, {{450, Event::Stop}}, {-1, -1}, -1,
       {0, 100, 200, 300, 400}},
      {"first frame when the delay has passed", 100, 300, false, 0, {{650, Event::Stop}}, {-1, -1}, -1,
       {300, 400, 500, 600}},
      {"no-delay flag ignores the delay", 100, 5000, true, 0, {{150, Event::Stop}}, {-1, -1}, -1, {0, 100}},
      {"a late frame is not made up: the next is due an interval after it was taken", 100, 0, false, 130,
       {{700, Event::Stop}}, {-1, -1}, -1, {0, 130, 260, 390, 520, 650}},
      {"paused time gives no frames; the first after it is due at once", 100, 0, false, 0,
       {{250, Event::Pause}, {1010, Event::Resume}, {1250, Event::Stop}}, {-1, -1}, -1,
       {0, 100, 200, 1010, 1110, 1210}},
      {"a pause shorter than the interval delays nothing", 100, 0, false, 0,
       {{120, Event::Pause}, {150, Event::Resume}, {250, Event::Stop}}, {-1, -1}, -1, {0, 100, 200}},
      {"suspended frames are skipped, not made up", 100, 0, false, 0, {{750, Event::Stop}}, {150, 520}, -1,
       {0, 100, 600, 700}},
      {"a stop during the delay ends the clock before any frame", 100, 3000, false, 0, {{10, Event::Stop}},
       {-1, -1}, -1, {}},
      {"a finished target ends the clock when the next frame is due", 100, 0, false, 0, {}, {-1, -1}, 3,
       {0, 100, 200}},
  };
  for (const ClockCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedTime time;
    ScriptedListener listener;
    listener.time = &time;
    time.listener = &listener;
    for (const auto& [at, event] : c.events) time.events.emplace(1000 + at, event);
    if (c.suspended.first >= 0) {
      listener.suspendedFrom = 1000 + c.suspended.first;
      listener.suspendedUntil = 1000 + c.suspended.second;
    }
    listener.tickCost = c.tickCost;
    listener.finishAfterTicks = c.finishAfterTicks;
    FrameClock clock(&listener, c.interval, time);
    EXPECT_TRUE(clock.begin(c.noDelay, c.delay));
    EXPECT_EQ(clock.startTime(), 1000 + (c.noDelay ? 0 : c.delay));
    clock.run();
    EXPECT_EQ(listener.ticks, c.expectedTicks);
    EXPECT_FALSE(listener.askedWhilePaused);
    // The clock sleeps between frames instead of turning round: a few
    // sleeps a frame at most.
    EXPECT_LE(time.sleeps, 3 * static_cast<int>(c.expectedTicks.size() + c.events.size()) + 10);
  }
}

TEST(FrameClock, AStopSetBeforeRunAsksNothing) {
  ScriptedTime time;
  ScriptedListener listener;
  listener.time = &time;
  time.listener = &listener;
  listener.m_stop = true;
  FrameClock clock(&listener, 10, time);
  clock.begin(false, 0);
  clock.run();
  EXPECT_EQ(listener.finishedQueries, 0);
  EXPECT_TRUE(listener.ticks.empty());
}

// On the real performance counter: a stop or a lifted pause wakes a clock
// that sleeps with nothing due for an hour. Were it not woken, the test
// would hang until its time limit.
class CountedSleeps final : public FrameTimeSource {
 public:
  std::int64_t now() override { return PerformanceCounterTime().now(); }
  void sleepUntil(std::int64_t deadline, ClockWakeup& wakeup) override {
    ++sleeps;
    PerformanceCounterTime().sleepUntil(deadline, wakeup);
  }
  std::atomic<int> sleeps{0};
};

class WakeListener final : public iEventListener {
 public:
  bool isFinished() override { return false; }
  bool isSuspended() override { return false; }
  void onTick() override {
    if (++ticks == 1) m_pause = true;  // paused from the first frame on
    if (ticks == 2) m_stop = true;
  }
  std::atomic<int> ticks{0};
};

TEST(FrameClock, StopAndPauseWakeTheSleepingClock) {
  for (const bool stopInDelay : {true, false}) {
    SCOPED_TRACE(stopInDelay ? "stop during an hour's delay" : "pause lifted while nothing is due");
    CountedSleeps time;
    WakeListener listener;
    FrameClock clock(&listener, 10, time);
    clock.begin(false, stopInDelay ? 3'600'000 : 0);
    std::thread other([&] {
      while (time.sleeps.load() < 1) std::this_thread::yield();
      if (stopInDelay) {
        listener.m_stop = true;
      } else {
        listener.m_pause = false;
      }
    });
    clock.run();
    other.join();
    EXPECT_EQ(listener.ticks.load(), stopInDelay ? 0 : 2);
  }
}

// Frames through the queue: each carries its number in its first pixel.
TEST(FramePipeline, WritesEveryFrameInOrderAndStopsAtAFailedWrite) {
  BITMAPINFOHEADER format{};
  format.biSize = sizeof format;
  format.biWidth = 4;
  format.biHeight = 2;
  format.biPlanes = 1;
  format.biBitCount = 32;
  format.biCompression = BI_RGB;
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
    std::uint32_t pushed = 0;
    for (std::uint32_t i = 0; i < 200; ++i) {
      HBITMAP frame = pipeline.acquire();
      if (frame == nullptr) break;  // writing failed
      number(frame) = i;
      pipeline.push(frame);
      ++pushed;
    }
    pipeline.finish();
    std::vector<std::uint32_t> expected;
    for (std::uint32_t i = 0; i < (failAt < 0 ? 200u : static_cast<std::uint32_t>(failAt)); ++i) expected.push_back(i);
    EXPECT_EQ(written, expected);
    EXPECT_EQ(pipeline.written(), expected.size());
    EXPECT_EQ(pipeline.failed(), failAt >= 0);
    if (failAt >= 0) {
      EXPECT_LE(pushed, static_cast<std::uint32_t>(failAt) + 4);  // no more than the queue held
    }
  }
}

}  // namespace
