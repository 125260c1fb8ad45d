// TMainForm: creation, the window procedure and the window's own events.
#include "app/main_form.h"

#include <commctrl.h>

#include "app/application.h"
#include "app/error_text.h"
#include "app/res/resource_ids.h"
#include "batch/conversion_job.h"
#include "os/win32_window_class.h"
#include "platform/drop_filter.h"

namespace corvane::app {
namespace {

static_assert(batch::WM_JOB_PROGRESS == WM_USER + 10);

constexpr char kClassName[] = "CorvaneMainForm";
// A single border with only the close box. The form paints its whole client
// area; WS_CLIPCHILDREN keeps that painting off the two controls.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOPMOST;
// The client size the form is designed at, replaced by the picture's size.
constexpr int kDesignClientWidth = 248;
constexpr int kDesignClientHeight = 276;

ATOM RegisterFormClass(WNDPROC procedure) {
  static const ATOM atom = os::win32::RegisterWindowClass(
      kClassName, procedure, IDI_CORVANE, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  return atom;
}

int ScreenPixelsPerInch() {
  const platform::WindowDC screen(nullptr);
  return screen ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
}

}  // namespace

TMainForm::TMainForm(TApplication& application, Options options) : application_(application) {
  if (RegisterFormClass(&WindowProcedure) == 0) throw SystemError(::GetLastError());
  RECT frame{0, 0, kDesignClientWidth, kDesignClientHeight};
  ::AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  // Owned by the application's window, which carries the taskbar button.
  ::CreateWindowExA(kExStyle, kClassName, "", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                    frame.right - frame.left, frame.bottom - frame.top, application.Handle(),
                    nullptr, ::GetModuleHandleA(nullptr), this);
  if (hwnd_ == nullptr) throw SystemError(::GetLastError());
  try {
    logo_.Load(::GetModuleHandleA(nullptr), IDR_LOGO);
    CreateComponents();
    FormCreate(options.PixelsPerInch != 0 ? options.PixelsPerInch : ScreenPixelsPerInch());
  } catch (...) {
    ::DestroyWindow(hwnd_);
    throw;
  }
}

TMainForm::~TMainForm() {
  if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
}

void TMainForm::CreateComponents() {
  CreateFonts();
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  // Creation order is tab order: the bar first, then the button.
  progress_bar_ = ::CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                    hwnd_, nullptr, instance, nullptr);
  stop_button_ =
      ::CreateWindowExA(0, "BUTTON", "Stop", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0,
                        0, 0, 0, hwnd_, nullptr, instance, nullptr);
  if (progress_bar_ == nullptr || stop_button_ == nullptr) throw SystemError(::GetLastError());
  popup_menu_ = BuildPopupMenu();
  if (!popup_menu_) throw SystemError(::GetLastError());
  ::SendMessageA(progress_bar_, PBM_SETRANGE32, 0, 100);
  ::SendMessageA(stop_button_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  ApplyControlBounds();
}

void TMainForm::FormCreate(int pixels_per_inch) {
  if (pixels_per_inch != 96) ScaleBy(pixels_per_inch, 96);
  application_.SetHandPointCursor(::LoadCursorA(nullptr, IDC_HAND));
  ::SetWindowTextA(hwnd_, kApplicationName);
  application_.SetTitle(kApplicationName);
  ::DragAcceptFiles(hwnd_, TRUE);
  key_preview_ = true;
  SetClientSize(image_.Width, image_.Height);
  progress_bar_bounds_.Width = image_.Width;
  ApplyControlBounds();
  SetViewState(vsIdle);
  platform::AllowDropMessages();
}

void TMainForm::Show() {
  RECT frame{};
  ::GetWindowRect(hwnd_, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  ::SetWindowPos(hwnd_, nullptr, (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (::GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::ShowWindow(hwnd_, SW_SHOW);
  ::UpdateWindow(hwnd_);
}

void TMainForm::FormClose() {
  // Bounded: a converter that hangs must not keep the window from closing.
  batch::StopAndWaitJob();
  ::DestroyWindow(hwnd_);
}

void TMainForm::FormDestroy() { application_.MainFormDestroyed(this); }

void TMainForm::FormKeyUp(WPARAM key) {
  if (key == VK_ESCAPE) batch::RequestStop();
}

void TMainForm::PreviewKey(const MSG& message) {
  if (!key_preview_ || message.message != WM_KEYUP || hwnd_ == nullptr) return;
  if (message.hwnd == hwnd_ || ::IsChild(hwnd_, message.hwnd)) FormKeyUp(message.wParam);
}

void TMainForm::WMCommand(WPARAM wparam, LPARAM lparam) {
  if (reinterpret_cast<HWND>(lparam) == stop_button_ && stop_button_ != nullptr) {
    if (HIWORD(wparam) == BN_CLICKED) StopButtonClick();
    return;
  }
  if (lparam != 0) return;
  switch (LOWORD(wparam)) {
    case cmConvFile: MConvFileClick(); break;
    case cmConvDir: MConvDirClick(); break;
    case cmProgramWebsite: MProgramWebsiteClick(); break;
    case cmCheckForUpdates: MCheckForUpdatesClick(); break;
    case cmSupportService: MSupportServiceClick(); break;
    case cmBugReport: MBugReportClick(); break;
    case cmAbout: MAboutClick(); break;
    case cmUtf8Output: MUtf8OutputClick(); break;
  }
}

LRESULT CALLBACK TMainForm::WindowProcedure(HWND window, UINT message, WPARAM wparam,
                                            LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<TMainForm*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
    form->hwnd_ = window;
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* self = reinterpret_cast<TMainForm*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcA(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    self->progress_bar_ = nullptr;
    self->stop_button_ = nullptr;
    return ::DefWindowProcA(window, message, wparam, lparam);
  }
  return GuardedCall(&self->application_,
                     [&] { return self->HandleMessage(message, wparam, lparam); });
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_PAINT: FormPaint(); return 0;
    case WM_PRINTCLIENT: PaintContent(reinterpret_cast<HDC>(wparam)); return 0;
    case WM_ERASEBKGND: return 1;  // the painting covers the whole client area
    case WM_DROPFILES: WMDropFiles(reinterpret_cast<HDROP>(wparam)); return 0;
    case batch::WM_JOB_PROGRESS: WMJobProgress(); return 0;
    case WM_COMMAND: WMCommand(wparam, lparam); return 0;
    case WM_CONTEXTMENU: WMContextMenu(reinterpret_cast<HWND>(wparam), lparam); return 0;
    case WM_CLOSE: FormClose(); return 0;
    case WM_DESTROY: FormDestroy(); return 0;
  }
  return ::DefWindowProcA(hwnd_, message, wparam, lparam);
}

}  // namespace corvane::app
