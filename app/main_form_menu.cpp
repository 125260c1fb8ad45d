// TMainForm: the context menu, opened by a right click anywhere but on the
// Stop button, and its commands.
#include <windowsx.h>

#include "app/main_form.h"

namespace corvane::app {
namespace {

struct TMenuItem {
  UINT command;  // 0: a separator
  const char* caption;
};

constexpr TMenuItem kPopupItems[] = {
    {cmConvFile, "Convert &File..."},
    {cmConvDir, "Convert F&older..."},
    {0, "-"},
    {cmProgramWebsite, "&Program Website"},
    {cmCheckForUpdates, "Check for &Updates"},
    {cmSupportService, "&Support Service"},
    {cmBugReport, "&Bug Report"},
    {0, "-"},
    {cmAbout, "&About..."},
};

}  // namespace

platform::Menu BuildPopupMenu() {
  platform::Menu menu(::CreatePopupMenu());
  if (!menu) return menu;
  for (const TMenuItem& item : kPopupItems) {
    if (item.command == 0) {
      ::AppendMenuA(menu.Get(), MF_SEPARATOR, 0, nullptr);
    } else {
      ::AppendMenuA(menu.Get(), MF_STRING, item.command, item.caption);
    }
  }
  return menu;
}

void TMainForm::WMContextMenu(HWND target, LPARAM screen_point) {
  if (target == stop_button_) return;  // the button has no menu
  POINT at{GET_X_LPARAM(screen_point), GET_Y_LPARAM(screen_point)};
  if (screen_point == -1) {
    // From the keyboard: open it in the middle of the window.
    at = {image_.Width / 2, image_.Height / 2};
    ::ClientToScreen(hwnd_, &at);
  } else {
    POINT client = at;
    ::ScreenToClient(hwnd_, &client);
    RECT area{};
    ::GetClientRect(hwnd_, &area);
    if (!::PtInRect(&area, client)) {
      // The caption: its own system menu.
      ::DefWindowProcA(hwnd_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(target), screen_point);
      return;
    }
  }
  // Without the foreground the menu would not close on a click elsewhere.
  ::SetForegroundWindow(hwnd_);
  ::TrackPopupMenu(popup_menu_.Get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr);
  ::PostMessageA(hwnd_, WM_NULL, 0, 0);
}

// The commands are not wired yet: the file and folder dialogs, the web
// pages and the About box come next. Choosing one does nothing for now.
void TMainForm::MConvFileClick() {}
void TMainForm::MConvDirClick() {}
void TMainForm::MProgramWebsiteClick() {}
void TMainForm::MCheckForUpdatesClick() {}
void TMainForm::MSupportServiceClick() {}
void TMainForm::MBugReportClick() {}
void TMainForm::MAboutClick() {}

}  // namespace corvane::app
