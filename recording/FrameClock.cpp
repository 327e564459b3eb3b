#include "recording/FrameClock.h"

#include "recording/iEventListener.h"
#include "win32/Threads.h"

void ClockWakeup::notify() {
  std::lock_guard lock(m_mutex);
  m_notified = true;
  m_changed.notify_all();
}

void ClockWakeup::clear() {
  std::lock_guard lock(m_mutex);
  m_notified = false;
}

void ClockWakeup::waitUntil(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(m_mutex);
  m_changed.wait_until(lock, deadline, [this] { return m_notified; });
}

void ClockWakeup::wait() {
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [this] { return m_notified; });
}

namespace {

class PerformanceCounterSource final : public FrameTimeSource {
 public:
  PerformanceCounterSource() {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    m_frequency = frequency.QuadPart > 0 ? frequency.QuadPart : 1;
  }
  std::int64_t now() override {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return counter.QuadPart * 1000 / m_frequency;
  }
  void sleepUntil(std::int64_t deadline, ClockWakeup& wakeup) override {
    if (deadline == kNever) return wakeup.wait();
    // Wakes on the very count at which now() first reads the deadline, not a
    // whole millisecond after the current reading: the next frame is due one
    // interval after this one is taken, so any lateness of the wake-up is
    // lost from the frame rate (waking up to a millisecond late cost a
    // recording at 20 fps one frame in sixty).
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    const auto start = std::chrono::steady_clock::now();
    // The first count whose millisecond reading is the deadline (whole
    // seconds apart, so that the product cannot overflow).
    const std::int64_t due = deadline / 1000 * m_frequency + (deadline % 1000 * m_frequency + 999) / 1000;
    const std::int64_t remaining = due - counter.QuadPart;
    if (remaining <= 0) return;
    const auto wait = std::chrono::nanoseconds(remaining / m_frequency * 1'000'000'000 +
                                               remaining % m_frequency * 1'000'000'000 / m_frequency);
    // The wait may end a few counts early, as the two clocks are read one
    // after the other; the caller then finds nothing due yet and sleeps the
    // rest.
    wakeup.waitUntil(start + wait);
  }

 private:
  std::int64_t m_frequency = 1;
};

}  // namespace

FrameTimeSource& PerformanceCounterTime() {
  static PerformanceCounterSource source;
  return source;
}

FrameClock::FrameClock(iEventListener* listener, std::int32_t intervalMs, FrameTimeSource& time)
    : m_listener(listener), m_interval(intervalMs), m_time(time) {}

bool FrameClock::begin(bool noDelay, std::int32_t delayMs) {
  m_startTime = now();
  m_lastFrameTime = m_startTime - m_interval;
  // A negative delay starts at once, as no delay does: the recording's time
  // is counted from the start, which may not lie before now.
  if (!noDelay && delayMs > 0) {
    m_startTime += delayMs;
    m_lastFrameTime += delayMs;
  }
  return true;
}

void FrameClock::run() {
  if (m_listener->m_stop.load()) return;
  for (;;) {
    m_listener->m_wakeup.clear();
    const std::int64_t current = now();
    // While paused nothing is due until the pause is lifted.
    std::int64_t wakeAt = FrameTimeSource::kNever;
    if (!m_listener->m_pause.load()) {
      if (current - m_lastFrameTime >= m_interval) {
        if (m_listener->isFinished()) return;
        if (!m_listener->isSuspended()) {
          m_lastFrameTime = current;
          m_listener->onTick();
          wakeAt = m_lastFrameTime + m_interval;
        } else {
          // A skipped frame is not made up; the question comes again one
          // interval later.
          wakeAt = current + m_interval;
        }
      } else {
        wakeAt = m_lastFrameTime + m_interval;
      }
    }
    if (m_listener->m_stop.load()) return;
    // The thread sleeps until the next frame is due. Pacing never needed a
    // processor between frames: the old loop yielded its time slice over and
    // over only to look at the counter, which cost a core for nothing and
    // took that core from the encoder. A stop or a pause wakes the sleep.
    if (wakeAt == FrameTimeSource::kNever || wakeAt > now()) m_time.sleepUntil(wakeAt, m_listener->m_wakeup);
  }
}
