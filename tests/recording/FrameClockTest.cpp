// The frame clock's pacing contract, with a scripted listener.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "recording/FrameClock.h"
#include "recording/iEventListener.h"
#include "win32/Threads.h"

namespace {

class ScriptedListener final : public iEventListener {
 public:
  bool isFinished() override {
    ++finishedQueries;
    if (m_pause.load()) pausedQueries = true;
    return finishAfterTicks >= 0 && ticks >= finishAfterTicks;
  }
  bool isSuspended() override {
    ++suspendedQueries;
    return suspendedQueries <= suspendFirst;
  }
  void onTick() override {
    tickTimes.push_back(clock->now());
    ++ticks;
    if (onTickHook) onTickHook(*this);
  }

  FrameClock* clock = nullptr;
  int finishAfterTicks = -1;
  int suspendFirst = 0;
  int ticks = 0;
  int finishedQueries = 0;
  int suspendedQueries = 0;
  bool pausedQueries = false;
  std::vector<std::int64_t> tickTimes;
  std::function<void(ScriptedListener&)> onTickHook;
};

TEST(FrameClock, AStopSetBeforeRunCallsNothing) {
  ScriptedListener listener;
  FrameClock clock(&listener, 10);
  listener.clock = &clock;
  listener.m_stop = true;
  clock.begin(false, 0);
  clock.run();
  EXPECT_EQ(listener.finishedQueries, 0);
  EXPECT_EQ(listener.suspendedQueries, 0);
  EXPECT_EQ(listener.ticks, 0);
}

TEST(FrameClock, FirstFrameIsDueAtOnceAndFramesKeepTheInterval) {
  ScriptedListener listener;
  FrameClock clock(&listener, 20);
  listener.clock = &clock;
  listener.finishAfterTicks = 5;
  clock.begin(false, 0);
  const std::int64_t start = clock.now();
  clock.run();
  ASSERT_EQ(listener.ticks, 5);
  EXPECT_GE(listener.tickTimes[0], clock.startTime());
  EXPECT_GE(clock.startTime(), start - 1);
  for (std::size_t i = 1; i < listener.tickTimes.size(); ++i) {
    EXPECT_GE(listener.tickTimes[i] - listener.tickTimes[i - 1], 20) << i;
  }
  // The loop ended on the query that came after the fifth frame was due.
  EXPECT_EQ(listener.finishedQueries, 6);
}

TEST(FrameClock, NoFrameBeforeTheStartDelayHasPassed) {
  ScriptedListener listener;
  FrameClock clock(&listener, 10);
  listener.clock = &clock;
  listener.finishAfterTicks = 1;
  const std::int64_t begun = clock.now();
  clock.begin(false, 300);
  EXPECT_GE(clock.startTime(), begun + 300);
  clock.run();
  ASSERT_EQ(listener.ticks, 1);
  EXPECT_GE(listener.tickTimes[0], begun + 300);
}

TEST(FrameClock, NoDelayFlagIgnoresTheDelay) {
  ScriptedListener listener;
  FrameClock clock(&listener, 10);
  listener.clock = &clock;
  const std::int64_t begun = clock.now();
  clock.begin(true, 100000);
  EXPECT_LT(clock.startTime(), begun + 1000);
}

TEST(FrameClock, SuspendedFramesAreSkippedNotMadeUp) {
  ScriptedListener listener;
  FrameClock clock(&listener, 5);
  listener.clock = &clock;
  listener.suspendFirst = 3;  // three due frames are skipped
  listener.finishAfterTicks = 2;
  clock.begin(false, 0);
  clock.run();
  EXPECT_EQ(listener.ticks, 2);
  EXPECT_GE(listener.suspendedQueries, 5);
}

TEST(FrameClock, PauseStopsFramesAndIsFinishedIsNotAskedWhilePaused) {
  ScriptedListener listener;
  FrameClock clock(&listener, 5);
  listener.clock = &clock;
  std::atomic<bool> pausedSeen{false};
  listener.onTickHook = [&](ScriptedListener& l) {
    if (l.ticks == 2) l.m_pause = true;  // paused from the second frame on
  };
  std::thread controller([&] {
    // Wait until the clock has paused itself, then hold the pause a while.
    while (!listener.m_pause.load()) std::this_thread::yield();
    pausedSeen = true;
    Sleep(60);
    EXPECT_EQ(listener.ticks, 2);  // nothing while paused
    listener.m_stop = true;
  });
  clock.begin(false, 0);
  clock.run();
  controller.join();
  EXPECT_TRUE(pausedSeen);
  EXPECT_EQ(listener.ticks, 2);
  EXPECT_FALSE(listener.pausedQueries);
}

TEST(FrameClock, AfterAPauseTheNextFrameIsDueAtOnce) {
  ScriptedListener listener;
  FrameClock clock(&listener, 1000);
  listener.clock = &clock;
  listener.finishAfterTicks = 2;
  listener.onTickHook = [](ScriptedListener& l) {
    if (l.ticks == 1) l.m_pause = true;
  };
  std::thread controller([&] {
    while (!listener.m_pause.load()) std::this_thread::yield();
    Sleep(1100);  // longer than an interval
    listener.m_pause = false;
  });
  clock.begin(false, 0);
  clock.run();
  controller.join();
  ASSERT_EQ(listener.ticks, 2);
  // The second frame followed the end of the pause, not a second interval.
  EXPECT_LT(listener.tickTimes[1] - listener.tickTimes[0], 2000);
}

}  // namespace
