// Waiting in tests for what another thread or process does: one poll loop
// for every suite.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace corvane::test_support {

// Polls `condition` every few milliseconds; false once `timeout` has passed
// without it holding.
inline bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
                    std::chrono::milliseconds interval = std::chrono::milliseconds(2)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(interval);
  }
  return true;
}

}  // namespace corvane::test_support
