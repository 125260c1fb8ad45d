// The progress notification without windows: a call on the receiver's sink.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "os/os.h"

namespace corvane::os {

bool PostJobProgress(WindowHandle window) {
  if (window == nullptr) return false;
  window->OnJobProgress();
  return true;
}

// Counts the notifications; Wait takes the count. Workers only add one and
// wake the waiter, so OnJobProgress never blocks for long.
struct ProgressListener::State final : ProgressSink {
  void OnJobProgress() override {
    {
      const std::lock_guard<std::mutex> guard(mutex);
      ++arrived;
    }
    arrived_changed.notify_one();
  }

  std::mutex mutex;  // guards arrived
  std::condition_variable arrived_changed;
  int arrived = 0;
};

ProgressListener::ProgressListener() : state_(new State) {}

ProgressListener::~ProgressListener() { delete state_; }

WindowHandle ProgressListener::Handle() const { return state_; }

int ProgressListener::Wait(unsigned timeout_ms) {
  std::unique_lock<std::mutex> lock(state_->mutex);
  state_->arrived_changed.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                   [this] { return state_->arrived > 0; });
  return std::exchange(state_->arrived, 0);
}

}  // namespace corvane::os
