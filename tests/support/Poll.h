// Waiting in tests for what can be observed, never for a fixed time.
#pragma once

#include <chrono>
#include <thread>

namespace pcvr_test {

// Asks `condition` every few milliseconds until it holds or `deadline` has
// passed; returns its last answer. The deadline is generous: it only ends a
// wait for something that is never going to happen.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds deadline = std::chrono::seconds(20)) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace pcvr_test
