// Paces live recording on the capture thread: at most one frame per
// interval, measured with the performance counter. Lateness is never made
// up, and time spent paused or suspended produces no frames.
#pragma once

#include <cstdint>

class iEventListener;

class FrameClock {
 public:
  // interval: milliseconds between frames (1000 / frames per second).
  FrameClock(iEventListener* listener, std::int32_t intervalMs);

  // Starts the clock: the first frame is due at once, or after delayMs
  // unless noDelay is set. Returns true.
  bool begin(bool noDelay, std::int32_t delayMs);
  // The pacing loop; returns when the listener's stop flag is set or its
  // target is gone. Never blocks: between checks it yields its time slice.
  void run();

  // Milliseconds of the performance counter.
  std::int64_t now() const;
  std::int64_t startTime() const { return m_startTime; }

 private:
  iEventListener* m_listener;
  std::int64_t m_interval;
  std::int64_t m_lastFrameTime = 0;
  std::int64_t m_frequency = 1;
  std::int64_t m_startTime = 0;
};
