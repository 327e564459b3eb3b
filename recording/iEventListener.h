// What a frame clock drives: asked on the capture thread whether its target
// is gone, whether a due frame is to be skipped, and to produce a frame.
#pragma once

#include <atomic>

class iEventListener {
 public:
  // Set by other threads; read afresh on every turn of the clock's loop.
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_pause{false};

  // True when the target is gone: ends the clock's loop.
  virtual bool isFinished() = 0;
  // True when a due frame is to be skipped.
  virtual bool isSuspended() = 0;
  // Produces one frame.
  virtual void onTick() = 0;

 protected:
  ~iEventListener() = default;
};
