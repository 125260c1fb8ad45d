// Locks, events and threads on pthreads.
#include <pthread.h>
#include <time.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cxxabi.h>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <utility>

#include "os/os.h"

namespace corvane::os {
namespace {

pthread_mutex_t* Mutex(unsigned char* storage) {
  return std::launder(reinterpret_cast<pthread_mutex_t*>(storage));
}

// Shared by the owner and the thread; the last of the two to let go
// deletes it, so an owner may end before its thread and the other way round.
struct ThreadRecord {
  Thread::Procedure procedure = nullptr;
  int argument = 0;
  pthread_t id{};
  std::mutex mutex;  // guards ended
  std::condition_variable ended_changed;
  bool ended = false;
  bool joined = false;  // owner side only
  std::atomic<int> owners{2};
};

void LetGo(ThreadRecord* record) {
  if (record->owners.fetch_sub(1, std::memory_order_acq_rel) == 1) delete record;
}

extern "C" void* ThreadMain(void* parameter) {
  auto* record = static_cast<ThreadRecord*>(parameter);
  // Nothing may leave a thread's start routine: it would end the process.
  try {
    (void)record->procedure(record->argument);
  } catch (abi::__forced_unwind&) {
    throw;  // cancellation unwinds through here by design
  } catch (...) {
  }
  {
    const std::lock_guard<std::mutex> guard(record->mutex);
    record->ended = true;
  }
  record->ended_changed.notify_all();
  LetGo(record);
  return nullptr;
}

ThreadRecord* RecordOf(std::uintptr_t handle) { return reinterpret_cast<ThreadRecord*>(handle); }

}  // namespace

// ---- Lock ----------------------------------------------------------------

Lock::Lock() {
  static_assert(sizeof(pthread_mutex_t) <= sizeof(storage_));
  static_assert(alignof(pthread_mutex_t) <= 8);  // storage_ is alignas(8)
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  const int result = pthread_mutex_init(new (storage_) pthread_mutex_t, &attributes);
  pthread_mutexattr_destroy(&attributes);
  if (result != 0) throw std::system_error(result, std::generic_category(), "pthread_mutex_init");
}

Lock::~Lock() { pthread_mutex_destroy(Mutex(storage_)); }

void Lock::Enter() { pthread_mutex_lock(Mutex(storage_)); }

void Lock::Leave() { pthread_mutex_unlock(Mutex(storage_)); }

// ---- Event ---------------------------------------------------------------

struct Event::State {
  std::mutex mutex;  // guards set
  std::condition_variable set_changed;
  bool set = false;
};

Event::Event() : state_(std::make_unique<State>()) {}

Event::~Event() = default;

void Event::Set() {
  {
    const std::lock_guard<std::mutex> guard(state_->mutex);
    state_->set = true;
  }
  state_->set_changed.notify_one();
}

bool Event::Wait(unsigned timeout_ms) {
  std::unique_lock<std::mutex> lock(state_->mutex);
  if (!state_->set_changed.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                    [this] { return state_->set; })) {
    return false;
  }
  state_->set = false;  // auto-reset: one Set, one Wait
  return true;
}

// ---- Thread --------------------------------------------------------------

bool Thread::Start(Procedure procedure, int argument) {
  Release();
  auto record = std::make_unique<ThreadRecord>();
  record->procedure = procedure;
  record->argument = argument;
  if (pthread_create(&record->id, nullptr, ThreadMain, record.get()) != 0) return false;
  handle_ = reinterpret_cast<std::uintptr_t>(record.release());
  return true;
}

bool Thread::Join(unsigned timeout_ms) {
  if (handle_ == 0) return false;
  ThreadRecord* record = RecordOf(handle_);
  {
    // pthread_join has no timeout; the flag set as the thread leaves gives one.
    std::unique_lock<std::mutex> lock(record->mutex);
    if (!record->ended_changed.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                        [record] { return record->ended; })) {
      return false;
    }
  }
  if (!record->joined) {
    pthread_join(record->id, nullptr);  // only the last few instructions remain
    record->joined = true;
  }
  return true;
}

void Thread::Release() {
  if (handle_ == 0) return;
  ThreadRecord* record = RecordOf(std::exchange(handle_, 0));
  if (!record->joined) pthread_detach(record->id);
  LetGo(record);
}

void Sleep(unsigned milliseconds) {
  timespec left{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

}  // namespace corvane::os
