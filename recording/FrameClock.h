// Paces live recording on the capture thread: at most one frame per
// interval, measured with the performance counter. Lateness is never made
// up, and time spent paused or suspended produces no frames.
#pragma once

#include <cstdint>
#include <limits>

class ClockWakeup;
class iEventListener;

// Where a frame clock reads the time and how it sleeps; the performance
// counter in the recorder, a scripted time in tests.
class FrameTimeSource {
 public:
  static constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
  // Milliseconds on a monotonic scale.
  virtual std::int64_t now() = 0;
  // Returns when now() has reached `deadline` (kNever: no deadline) or when
  // `wakeup` is notified, whichever comes first; may return early.
  virtual void sleepUntil(std::int64_t deadline, ClockWakeup& wakeup) = 0;

 protected:
  ~FrameTimeSource() = default;
};

// The performance counter in milliseconds (counter × 1000 / frequency).
FrameTimeSource& PerformanceCounterTime();

class FrameClock {
 public:
  // interval: milliseconds between frames (1000 / frames per second).
  FrameClock(iEventListener* listener, std::int32_t intervalMs, FrameTimeSource& time = PerformanceCounterTime());

  // Starts the clock: the first frame is due at once, or after delayMs
  // unless noDelay is set or the delay is not positive. Returns true.
  bool begin(bool noDelay, std::int32_t delayMs);
  // The pacing loop, on the capture thread; returns when the listener's stop
  // flag is set or its target is gone. Sleeps between frames; a change of
  // the stop or pause flag wakes it.
  void run();

  std::int64_t now() const { return m_time.now(); }
  std::int64_t startTime() const { return m_startTime; }

 private:
  iEventListener* m_listener;
  std::int64_t m_interval;
  std::int64_t m_lastFrameTime = 0;
  std::int64_t m_startTime = 0;
  FrameTimeSource& m_time;
};
