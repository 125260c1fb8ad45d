// Notifications as posted window messages, and a message-only window to
// receive them in programs that have no window of their own.
#include <memory>
#include <system_error>
#include <utility>

#include "os/os.h"
#include "os/win32_handle.h"
#include "os/win32_window_class.h"

namespace corvane::os {
namespace {

// Registered once per process; the window procedure is the default one,
// since Wait counts the notifications before they would be dispatched.
ATOM ListenerClass() {
  static const ATOM atom = win32::RegisterWindowClass("CorvaneProgressListener", ::DefWindowProcA);
  return atom;
}

}  // namespace

bool PostNotification(WindowHandle window, unsigned message) {
  // A null window would turn the post into a thread message no window sees.
  if (window == nullptr) return false;
  return ::PostMessageA(window, message, 0, 0) != FALSE;
}

struct NotificationListener::State {
  UINT message = 0;
  win32::Window window;
};

NotificationListener::NotificationListener(unsigned message) {
  auto state = std::make_unique<State>();
  state->message = message;
  const ATOM atom = ListenerClass();
  if (atom != 0) {
    state->window.Reset(::CreateWindowExA(0, MAKEINTATOM(atom), "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                          nullptr, ::GetModuleHandleA(nullptr), nullptr));
  }
  if (!state->window) {
    const DWORD code = ::GetLastError();
    throw std::system_error(static_cast<int>(code), std::system_category(), "CreateWindowExA");
  }
  state_ = std::move(state);
}

NotificationListener::~NotificationListener() = default;

WindowHandle NotificationListener::Handle() const { return state_->window.Get(); }

int NotificationListener::Wait(unsigned timeout_ms) {
  // GetTickCount rather than GetTickCount64 (missing on XP); unsigned
  // subtraction stays right across its wrap after 49 days.
  const DWORD start = ::GetTickCount();
  int arrived = 0;
  for (;;) {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.hwnd == state_->window.Get() && message.message == state_->message) {
        ++arrived;
      } else {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
      }
    }
    if (arrived > 0) return arrived;
    const DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= timeout_ms) return 0;
    ::MsgWaitForMultipleObjectsEx(0, nullptr, timeout_ms - elapsed, QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE);
  }
}

}  // namespace corvane::os
