#include "app/application.h"

#include <commctrl.h>

#include "app/error_text.h"
#include "app/main_form.h"
#include "app/res/resource_ids.h"
#include "os/win32_window_class.h"

namespace corvane::app {
namespace {

constexpr char kClassName[] = "CorvaneApplication";
// Posted to itself: activating another window inside WM_ACTIVATE is not allowed.
constexpr UINT kActivateMainForm = WM_APP + 1;

ATOM RegisterApplicationClass(WNDPROC procedure) {
  static const ATOM atom = os::win32::RegisterWindowClass(kClassName, procedure, IDI_CORVANE);
  return atom;
}

}  // namespace

TApplication::TApplication() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  if (RegisterApplicationClass(&WindowProcedure) == 0) throw SystemError(::GetLastError());
  // Zero-sized in the middle of the screen: there, but never seen. No
  // caption, so no window manager decorates it; the system menu still
  // gives the taskbar button its close command.
  const int x = ::GetSystemMetrics(SM_CXSCREEN) / 2;
  const int y = ::GetSystemMetrics(SM_CYSCREEN) / 2;
  window_.Reset(::CreateWindowExA(0, kClassName, kApplicationName,
                                  WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPSIBLINGS, x, y, 0,
                                  0, nullptr, nullptr, ::GetModuleHandleA(nullptr), this));
  if (!window_) throw SystemError(::GetLastError());
}

TApplication::~TApplication() {
  if (window_) ::SetWindowLongPtrA(window_.Get(), GWLP_USERDATA, 0);
}

std::string TApplication::Title() const {
  const int length = ::GetWindowTextLengthA(window_.Get());
  std::string title(static_cast<std::size_t>(length) + 1, '\0');
  title.resize(static_cast<std::size_t>(
      ::GetWindowTextA(window_.Get(), title.data(), static_cast<int>(title.size()))));
  return title;
}

void TApplication::SetTitle(std::string_view title) {
  ::SetWindowTextA(window_.Get(), std::string(title).c_str());
}

void TApplication::MainFormDestroyed(const TMainForm* form) {
  if (form == main_form_) {
    main_form_ = nullptr;
    ::PostQuitMessage(0);
  }
}

void TApplication::ShowMainForm() {
  ::ShowWindow(window_.Get(), SW_SHOWNOACTIVATE);
  if (main_form_ != nullptr) main_form_->Show();
}

void TApplication::Run() {
  MSG message;
  // -1 is an error of GetMessage itself; there is nothing left to do then.
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) Deliver(message);
}

void TApplication::Deliver(const MSG& message) {
  try {
    if (main_form_ != nullptr) main_form_->PreviewKey(message);
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  } catch (...) {
    HandleException();
  }
}

void TApplication::HandleException() noexcept {
  try {
    ShowError(CurrentExceptionMessage());
  } catch (...) {
    // Not even the message could be built; nothing more can be said.
  }
}

void TApplication::ShowError(const std::string& message) noexcept {
  try {
    // Owned by the main form, which stays on top of others, so that the box
    // is not hidden behind it.
    HWND owner = main_form_ != nullptr ? main_form_->Handle() : nullptr;
    if (owner == nullptr) owner = window_.Get();
    const std::string text = WithFullStop(message);
    const std::string caption = Title();
    ::MessageBoxA(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
  } catch (...) {
  }
}

void TApplication::ForwardClose() {
  if (main_form_ != nullptr) ::PostMessageA(main_form_->Handle(), WM_CLOSE, 0, 0);
}

LRESULT CALLBACK TApplication::WindowProcedure(HWND window, UINT message, WPARAM wparam,
                                               LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TApplication*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcA(window, message, wparam, lparam);
  return GuardedCall(self, [&] { return self->HandleMessage(window, message, wparam, lparam); });
}

LRESULT TApplication::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CLOSE:  // the taskbar button's close: the program ends as the form closes
      ForwardClose();
      return 0;
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == SC_CLOSE) {
        ForwardClose();
        return 0;
      }
      break;
    case WM_ACTIVATE:  // the taskbar button was clicked: the form is what the user wants
      if (LOWORD(wparam) != WA_INACTIVE) ::PostMessageA(window, kActivateMainForm, 0, 0);
      break;
    case kActivateMainForm:
      if (main_form_ != nullptr && ::IsWindowVisible(main_form_->Handle())) {
        ::SetActiveWindow(main_form_->Handle());
      }
      return 0;
  }
  return ::DefWindowProcA(window, message, wparam, lparam);
}

void ReportException(TApplication* application) noexcept {
  if (application != nullptr) {
    application->HandleException();
    return;
  }
  try {
    const std::string text = WithFullStop(CurrentExceptionMessage());
    ::MessageBoxA(nullptr, text.c_str(), kApplicationName, MB_OK | MB_ICONERROR);
  } catch (...) {
  }
}

}  // namespace corvane::app
