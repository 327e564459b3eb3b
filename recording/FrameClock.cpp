#include "recording/FrameClock.h"

#include "recording/iEventListener.h"
#include "win32/Threads.h"

FrameClock::FrameClock(iEventListener* listener, std::int32_t intervalMs)
    : m_listener(listener), m_interval(intervalMs) {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  m_frequency = frequency.QuadPart > 0 ? frequency.QuadPart : 1;
}

std::int64_t FrameClock::now() const {
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  return counter.QuadPart * 1000 / m_frequency;
}

bool FrameClock::begin(bool noDelay, std::int32_t delayMs) {
  m_startTime = now();
  m_lastFrameTime = m_startTime - m_interval;
  if (!noDelay) {
    m_startTime += delayMs;
    m_lastFrameTime += delayMs;
  }
  return true;
}

void FrameClock::run() {
  if (m_listener->m_stop.load()) return;
  for (;;) {
    const std::int64_t current = now();
    if (!m_listener->m_pause.load() && current - m_lastFrameTime >= m_interval) {
      if (m_listener->isFinished()) return;
      if (!m_listener->isSuspended()) {
        m_lastFrameTime = current;
        m_listener->onTick();
      }
    }
    Sleep(0);
    if (m_listener->m_stop.load()) return;
  }
}
