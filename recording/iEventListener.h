// What a frame clock drives: asked on the capture thread whether its target
// is gone, whether a due frame is to be skipped, and to produce a frame.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

// Wakes a frame clock that sleeps until its next frame. Thread-safe.
class ClockWakeup {
 public:
  // Any thread: ends the clock's current sleep, or the next one when the
  // clock is not asleep.
  void notify();
  // Clock's thread: forgets earlier notifications; called before the clock
  // reads the flags, so that a change after the read still ends the sleep.
  void clear();
  // Clock's thread: sleeps until `deadline` or a notification.
  void waitUntil(std::chrono::steady_clock::time_point deadline);
  void wait();

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_notified = false;
};

// A flag that other threads set and the clock reads afresh on every turn;
// setting it wakes the clock, so a stop or a pause is seen while it sleeps.
class WakingFlag {
 public:
  explicit WakingFlag(ClockWakeup& wakeup) : m_wakeup(wakeup) {}
  WakingFlag(const WakingFlag&) = delete;
  WakingFlag& operator=(const WakingFlag&) = delete;
  WakingFlag& operator=(bool value) {
    m_value.store(value);
    m_wakeup.notify();
    return *this;
  }
  bool load() const { return m_value.load(); }
  operator bool() const { return load(); }

 private:
  std::atomic<bool> m_value{false};
  ClockWakeup& m_wakeup;
};

class iEventListener {
 public:
  ClockWakeup m_wakeup;
  // Set by other threads; read afresh on every turn of the clock's loop.
  WakingFlag m_stop{m_wakeup};
  WakingFlag m_pause{m_wakeup};

  // True when the target is gone: ends the clock's loop.
  virtual bool isFinished() = 0;
  // True when a due frame is to be skipped.
  virtual bool isSuspended() = 0;
  // Produces one frame.
  virtual void onTick() = 0;

 protected:
  ~iEventListener() = default;
};
