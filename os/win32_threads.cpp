// Critical sections, auto-reset events and threads from the Win32 API.
#include <memory>
#include <new>
#include <system_error>
#include <utility>

#include "os/os.h"
#include "os/win32_handle.h"

namespace corvane::os {
namespace {

CRITICAL_SECTION* Section(unsigned char* storage) {
  return std::launder(reinterpret_cast<CRITICAL_SECTION*>(storage));
}

[[noreturn]] void ThrowLastError(const char* what) {
  const DWORD code = ::GetLastError();
  throw std::system_error(static_cast<int>(code), std::system_category(), what);
}

struct ThreadStart {
  Thread::Procedure procedure;
  int argument;
};

// Windows calls this; an exception must not leave it (under this toolchain
// it would end the process instead of reaching any outer handler).
DWORD WINAPI ThreadMain(LPVOID parameter) noexcept {
  const std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(parameter));
  try {
    return static_cast<DWORD>(start->procedure(start->argument));
  } catch (...) {
    return static_cast<DWORD>(-1);
  }
}

}  // namespace

// ---- Lock ----------------------------------------------------------------

Lock::Lock() {
  static_assert(sizeof(CRITICAL_SECTION) <= sizeof(storage_));
  static_assert(alignof(CRITICAL_SECTION) <= 8);  // storage_ is alignas(8)
  // Cannot fail from Vista on; on XP it raises an exception only when
  // memory is exhausted, as every allocation would.
  ::InitializeCriticalSection(new (storage_) CRITICAL_SECTION);
}

Lock::~Lock() { ::DeleteCriticalSection(Section(storage_)); }

void Lock::Enter() { ::EnterCriticalSection(Section(storage_)); }

void Lock::Leave() { ::LeaveCriticalSection(Section(storage_)); }

// ---- Event ---------------------------------------------------------------

struct Event::State {
  win32::KernelHandle event;
};

Event::Event() {
  auto state = std::make_unique<State>();
  state->event.Reset(::CreateEventA(nullptr, FALSE, FALSE, nullptr));
  if (!state->event) ThrowLastError("CreateEventA");
  state_ = std::move(state);
}

Event::~Event() = default;

void Event::Set() { ::SetEvent(state_->event.Get()); }

bool Event::Wait(unsigned timeout_ms) {
  return ::WaitForSingleObject(state_->event.Get(), timeout_ms) == WAIT_OBJECT_0;
}

// ---- Thread --------------------------------------------------------------

bool Thread::Start(Procedure procedure, int argument) {
  Release();
  auto start = std::make_unique<ThreadStart>(ThreadStart{procedure, argument});
  win32::KernelHandle thread(::CreateThread(nullptr, 0, ThreadMain, start.get(), 0, nullptr));
  if (!thread) return false;
  (void)start.release();  // the thread owns it now
  handle_ = reinterpret_cast<std::uintptr_t>(thread.Release());
  return true;
}

bool Thread::Join(unsigned timeout_ms) {
  if (handle_ == 0) return false;
  return ::WaitForSingleObject(reinterpret_cast<HANDLE>(handle_), timeout_ms) == WAIT_OBJECT_0;
}

void Thread::Release() {
  const win32::KernelHandle owner(reinterpret_cast<HANDLE>(std::exchange(handle_, 0)));
}

void Sleep(unsigned milliseconds) { ::Sleep(milliseconds); }

}  // namespace corvane::os
