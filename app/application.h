// The application object: a window of its own that carries the taskbar
// button and the application title and owns the main form; the message
// loop; the error box for errors that reach the loop.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "os/win32_handle.h"

namespace corvane::app {

class TMainForm;

class TApplication {
 public:
  // Registers the window classes and creates the (not yet shown) taskbar
  // window. Throws when the system refuses.
  TApplication();
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // The taskbar window: unowned and visible, so the taskbar shows its text.
  HWND Handle() const { return window_.Get(); }
  std::string Title() const;
  void SetTitle(std::string_view title);

  void SetHandPointCursor(HCURSOR cursor) { hand_point_cursor_ = cursor; }
  HCURSOR HandPointCursor() const { return hand_point_cursor_; }

  // The form that previews keys, owns error boxes, and whose end ends the
  // loop.
  void SetMainForm(TMainForm* form) { main_form_ = form; }
  TMainForm* MainForm() const { return main_form_; }
  void MainFormDestroyed(const TMainForm* form);

  // Shows the taskbar window, then the main form.
  void ShowMainForm();
  // Runs the message loop until the main form has gone.
  void Run();
  // One message as the loop handles it: the main form's key preview, then
  // translation and dispatch. Tests pump through this too.
  void Deliver(const MSG& message);

  // The error box for the exception being handled (call inside a catch).
  void HandleException() noexcept;
  // Caption: the application title; the message with its full stop; the
  // error icon and OK.
  void ShowError(const std::string& message) noexcept;

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void ForwardClose();

  os::win32::Window window_;
  TMainForm* main_form_ = nullptr;
  HCURSOR hand_point_cursor_ = nullptr;
};

// The title before anything sets one, and the caption of an error box when
// no application object exists.
inline constexpr char kApplicationName[] = "Corvane";

// Shows the error box for the exception being handled; with no application
// object, under the program's name. Never throws.
void ReportException(TApplication* application) noexcept;

// Every function that Windows calls runs its body through this: an
// exception must not cross a system frame (the process would end), so it
// ends here in the error box and the caller gets `on_error`.
template <class Body>
LRESULT GuardedCall(TApplication* application, Body&& body, LRESULT on_error = 0) noexcept {
  try {
    return body();
  } catch (...) {
    ReportException(application);
    return on_error;
  }
}

}  // namespace corvane::app
