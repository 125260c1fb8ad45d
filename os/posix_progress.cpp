// Notifications without windows: a call on the receiver's sink.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <utility>

#include "os/os.h"

namespace corvane::os {

bool PostNotification(WindowHandle window, unsigned message) {
  if (window == nullptr) return false;
  window->OnNotification(message);
  return true;
}

// Counts its message's notifications; Wait takes the count. Posters only
// add one and wake the waiter, so OnNotification never blocks for long.
struct NotificationListener::State final : NotificationSink {
  explicit State(unsigned wanted) : message(wanted) {}

  void OnNotification(unsigned posted) override {
    if (posted != message) return;
    {
      const std::lock_guard<std::mutex> guard(mutex);
      ++arrived;
    }
    arrived_changed.notify_one();
  }

  const unsigned message;
  std::mutex mutex;  // guards arrived
  std::condition_variable arrived_changed;
  int arrived = 0;
};

NotificationListener::NotificationListener(unsigned message)
    : state_(std::make_unique<State>(message)) {}

NotificationListener::~NotificationListener() = default;

WindowHandle NotificationListener::Handle() const { return state_.get(); }

int NotificationListener::Wait(unsigned timeout_ms) {
  std::unique_lock<std::mutex> lock(state_->mutex);
  state_->arrived_changed.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                   [this] { return state_->arrived > 0; });
  return std::exchange(state_->arrived, 0);
}

}  // namespace corvane::os
