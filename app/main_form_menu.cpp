// TMainForm: the context menu, opened by a right click anywhere but on the
// Stop button, and its commands.
#include <windowsx.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/main_form.h"
#include "app/user_settings.h"
#include "batch/file_masks.h"
#include "corvane/version.h"
#include "platform/dialog_logic.h"
#include "platform/sys_dialogs.h"
#include "platform/web_links.h"

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
    {0, "-"},
    {cmUtf8Output, kUtf8OutputCaption},
};

void ShowUtf8OutputCheck(HMENU menu, bool on) {
  ::CheckMenuItem(menu, cmUtf8Output, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

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
  ShowUtf8OutputCheck(menu.Get(), ReadUtf8OutputSetting());
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
  // Another instance may have changed the setting meanwhile.
  ShowUtf8OutputCheck(popup_menu_.Get(), ReadUtf8OutputSetting());
  // Without the foreground the menu would not close on a click elsewhere.
  ::SetForegroundWindow(hwnd_);
  ::TrackPopupMenu(popup_menu_.Get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_,
                   nullptr);
  ::PostMessageA(hwnd_, WM_NULL, 0, 0);
}

namespace {

void OpenSitePage(std::string_view path) {
  std::string address(platform::kWebSiteAddress);
  address += path;
  platform::OpenWebPage(address, platform::BuildLinkQuery());
}

std::string AboutContent() {
  const std::pair<std::string_view, std::string_view> groups[] = {
      {"Native: ", batch::kNativeFileMasks},
      {"If Office 2003 installed: ", batch::kOffice2003FileMasks},
      {"Windows XP only: ", batch::kWindowsXpFileMasks},
      {"Web pages: ", batch::kWebPageFileMasks},
  };
  std::string content = "Supported formats:";
  for (const auto& [label, masks] : groups) {
    content += '\n';
    content += label;
    for (char c : masks) {
      if (c == ';') {
        content += ", ";
      } else {
        content += c;
      }
    }
  }
  return content;
}

std::string Lines(const std::vector<std::string>& paths) {
  std::string block;
  for (const std::string& path : paths) {
    if (!block.empty()) block += '\n';
    block += path;
  }
  return block;
}

}  // namespace

void TMainForm::MConvFileClick() {
  std::string file_name;
  std::vector<std::string> chosen;
  std::vector<std::string> unusable;
  const std::string filter = batch::OpenDialogFilter();
  if (!platform::SelectFiles(hwnd_,
                             {.default_ext = "*.*",
                              .filter = filter,
                              .initial_dir = "",
                              .title = "Select File(s) to Convert",
                              .file_must_exist = true,
                              .overwrite_prompt = false,
                              .no_change_dir = false,
                              .open_dialog = true,
                              .multi_select = true},
                             file_name, &chosen, &unusable)) {
    return;
  }
  if (ViewState() != vsProcessing) SetViewState(vsProcessing);
  // One entry per chosen file, taken from the list rather than from the
  // ";"-joined text, so that a name holding ";" stays whole.
  const batch::TProcessParams params = JobParameters(hwnd_);
  if (!chosen.empty()) batch::StartConversionJob(Lines(chosen), &params);
  for (const std::string& name : unusable) StartJobWithNameWithoutForm(name, params);
}

void TMainForm::MConvDirClick() {
  std::string folder;
  if (!platform::BrowseForFolder("Select Folder to Convert", folder, false)) return;
  if (ViewState() != vsProcessing) SetViewState(vsProcessing);
  const batch::TProcessParams params = JobParameters(hwnd_);
  batch::StartConversionJob(folder, &params);
}

void TMainForm::MProgramWebsiteClick() { OpenSitePage(platform::kProgramPagePath); }
void TMainForm::MCheckForUpdatesClick() { OpenSitePage(platform::kDownloadPagePath); }
void TMainForm::MSupportServiceClick() { OpenSitePage(platform::kServicePagePath); }
void TMainForm::MBugReportClick() { OpenSitePage(platform::kServicePagePath); }

// Off by default; a job already under way keeps the output it started with.
void TMainForm::MUtf8OutputClick() {
  const bool on = !ReadUtf8OutputSetting();
  if (WriteUtf8OutputSetting(on)) ShowUtf8OutputCheck(popup_menu_.Get(), on);
}

void TMainForm::MAboutClick() {
  platform::ShowTaskMessage(hwnd_, "About", "Belmorn Corvane version " CORVANE_VERSION_TEXT,
                            AboutContent(), platform::kOk, platform::kInformation);
}

}  // namespace corvane::app
