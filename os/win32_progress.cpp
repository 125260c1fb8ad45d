// The progress notification as a posted window message, and a message-only
// window to receive it in programs that have no window of their own.
#include <memory>
#include <system_error>

#include "os/os.h"
#include "os/win32_handle.h"
#include "os/win32_window_class.h"

namespace corvane::os {
namespace {

static_assert(kJobProgressMessage == WM_USER + 10);

// Registered once per process; the window procedure is the default one,
// since Wait counts the notifications before they would be dispatched.
ATOM ListenerClass() {
  static const ATOM atom =
      win32::RegisterWindowClass("CorvaneProgressListener", ::DefWindowProcA);
  return atom;
}

}  // namespace

bool PostJobProgress(WindowHandle window) {
  // A null window would turn the post into a thread message no window sees.
  if (window == nullptr) return false;
  return ::PostMessageA(window, kJobProgressMessage, 0, 0) != FALSE;
}

struct ProgressListener::State {
  win32::Window window;
};

ProgressListener::ProgressListener() {
  auto state = std::make_unique<State>();
  const ATOM atom = ListenerClass();
  if (atom != 0) {
    state->window.Reset(::CreateWindowExA(0, MAKEINTATOM(atom), "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                          nullptr, ::GetModuleHandleA(nullptr), nullptr));
  }
  if (!state->window) {
    const DWORD code = ::GetLastError();
    throw std::system_error(static_cast<int>(code), std::system_category(), "CreateWindowExA");
  }
  state_ = state.release();
}

ProgressListener::~ProgressListener() { delete state_; }

WindowHandle ProgressListener::Handle() const { return state_->window.Get(); }

int ProgressListener::Wait(unsigned timeout_ms) {
  // GetTickCount rather than GetTickCount64 (missing on XP); unsigned
  // subtraction stays right across its wrap after 49 days.
  const DWORD start = ::GetTickCount();
  int arrived = 0;
  for (;;) {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.hwnd == state_->window.Get() && message.message == kJobProgressMessage) {
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
