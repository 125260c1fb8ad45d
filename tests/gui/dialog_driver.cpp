#include "tests/gui/dialog_driver.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <shlobj.h>

#include "platform/sys_dialogs.h"
#include "tests/support/wait_for.h"

namespace corvane::gui_test {
namespace {

// Long enough for the slowest drive (a folder listing under Wine), short
// enough that a stuck dialog costs little.
constexpr DWORD kDriveGrace = 20'000;

// Everything the driver's thread asks a dialog goes through here. A plain
// send would wait for ever when the dialog closes meanwhile: the test's
// thread then joins the driver and no longer answers messages.
LRESULT SendBounded(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;
  if (::SendMessageTimeoutA(window, message, wparam, lparam, SMTO_NORMAL, 2000, &result) == 0)
    return 0;
  return static_cast<LRESULT>(result);
}

std::string TextOf(HWND window) {
  char text[1024] = {};
  SendBounded(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return text;
}

std::string ClassName(HWND window) {
  char name[64] = {};
  ::GetClassNameA(window, name, sizeof name);
  return name;
}

bool IsOwnVisibleDialog(HWND window) {
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  return process == ::GetCurrentProcessId() && ::IsWindowVisible(window) &&
         ClassName(window) == "#32770";
}

struct Search {
  std::function<bool(HWND)> matches;
  HWND found = nullptr;
};

BOOL CALLBACK VisitTopLevel(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<Search*>(context);
  if (IsOwnVisibleDialog(window) && search.matches(window)) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindTopLevel(std::function<bool(HWND)> matches) {
  Search search{std::move(matches)};
  ::EnumWindows(&VisitTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct Children {
  std::string window_class;
  std::vector<HWND> found;
};

BOOL CALLBACK VisitChild(HWND window, LPARAM context) {
  auto& children = *reinterpret_cast<Children*>(context);
  if (children.window_class.empty() ||
      _stricmp(ClassName(window).c_str(), children.window_class.c_str()) == 0) {
    children.found.push_back(window);
  }
  return TRUE;
}

std::vector<HWND> ChildrenOf(HWND dialog, const char* window_class) {
  Children children{window_class != nullptr ? window_class : "", {}};
  ::EnumChildWindows(dialog, &VisitChild, reinterpret_cast<LPARAM>(&children));
  return children.found;
}

}  // namespace

HWND FindProcessDialog(const std::string& caption) {
  return FindTopLevel([&](HWND window) { return TextOf(window) == caption; });
}

HWND FindProcessDialogWithText(const std::string& text) {
  return FindTopLevel([&](HWND window) {
    for (HWND child : ChildrenOf(window, nullptr)) {
      if (TextOf(child) == text) return true;
    }
    return false;
  });
}

std::vector<std::string> ChildTexts(HWND dialog, const char* window_class) {
  std::vector<std::string> texts;
  for (HWND child : ChildrenOf(dialog, window_class)) texts.push_back(TextOf(child));
  return texts;
}

HWND FindChild(HWND dialog, const char* window_class) {
  const std::vector<HWND> children = ChildrenOf(dialog, window_class);
  return children.empty() ? nullptr : children.front();
}

void PressButton(HWND dialog, int id) {
  ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

bool IsButtonShown(HWND dialog, int id) {
  const HWND button = ::GetDlgItem(dialog, id);
  return button != nullptr && ::IsWindowVisible(button);
}

bool WaitFor(const std::function<bool()>& condition, unsigned timeout_ms) {
  return test_support::WaitFor(condition, std::chrono::milliseconds(timeout_ms),
                               std::chrono::milliseconds(10));
}

bool FolderTreeShows(HWND dialog, const std::string& leaf, unsigned timeout_ms) {
  const HWND tree = ::FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr);
  if (tree == nullptr) return false;
  return WaitFor(
      [&] {
        const auto item =
            reinterpret_cast<HTREEITEM>(SendBounded(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        if (item == nullptr) return false;
        char text[MAX_PATH] = {};
        TVITEMA info{};
        info.mask = TVIF_TEXT;
        info.hItem = item;
        info.pszText = text;
        info.cchTextMax = sizeof text;
        return SendBounded(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info)) != 0 &&
               _stricmp(text, leaf.c_str()) == 0;
      },
      timeout_ms);
}

bool ChooseInFolderBrowser(HWND dialog, const std::string& path, const std::string& leaf) {
  // Sent once: the browser answers through its dialog procedure, so the
  // result of the message says nothing, and a second try would find the
  // stamps changed by the browser's own listing of the first.
  SendBounded(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
  return FolderTreeShows(dialog, leaf, 5000);
}

DialogDriver::DialogDriver(std::function<HWND()> find, std::function<void(HWND)> drive)
    : find_(std::move(find)), drive_(std::move(drive)), thread_([this] { Run(); }) {}

DialogDriver::~DialogDriver() {
  stop_ = true;
  thread_.join();
}

void DialogDriver::Run() {
  DWORD driven_at = 0;
  while (!stop_) {
    const HWND dialog = find_();
    if (dialog != nullptr && !found_) {
      found_ = true;
      drive_(dialog);
      driven_at = ::GetTickCount();
    } else if (dialog != nullptr && ::GetTickCount() - driven_at >= kDriveGrace) {
      // Left open by a failed drive, or a second one: the modal loop must end.
      forced_ = true;
      ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      ::PostMessageA(dialog, WM_CLOSE, 0, 0);
      ::Sleep(200);
    }
    ::Sleep(10);
  }
}

std::string WithoutBackslash(std::string path) {
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

bool SamePath(const std::string& a, const std::string& b) {
  return _stricmp(WithoutBackslash(a).c_str(), WithoutBackslash(b).c_str()) == 0;
}

// An edit of its own in Wine's dialog, the edit inside a combo box in
// Windows'.
HWND FileNameBox(HWND dialog) {
  if (const HWND edit = ::GetDlgItem(dialog, edt1); edit != nullptr) return edit;
  if (const HWND combo = ::GetDlgItem(dialog, cmb13); combo != nullptr)
    return FindChild(combo, "Edit");
  return FindChild(dialog, "Edit");
}

std::wstring Wide(const std::string& ansi) { return platform::ToUtf16Cut(ansi, ansi.size() + 1); }

// The dialog answers in its own character set, whichever call asks.
std::string FolderShown(HWND dialog) {
  if (::IsWindowUnicode(dialog)) {
    wchar_t wide[MAX_PATH] = {};
    ::SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(wide));
    char path[MAX_PATH * 2] = {};
    ::WideCharToMultiByte(CP_ACP, 0, wide, -1, path, sizeof path, nullptr, nullptr);
    return path;
  }
  char path[MAX_PATH] = {};
  ::SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof path, reinterpret_cast<LPARAM>(path));
  return path;
}

void ChooseFiles(HWND dialog, const std::string& folder, const std::wstring& quoted_names) {
  const HWND name_box = FileNameBox(dialog);
  if (name_box == nullptr) return;  // the driver cancels it
  ::SendMessageA(name_box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
  PressButton(dialog, IDOK);
  if (!WaitFor([&] { return SamePath(FolderShown(dialog), folder); }, 10'000)) return;
  ::SendMessageW(name_box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(quoted_names.c_str()));
  PressButton(dialog, IDOK);
}

void ChooseFiles(HWND dialog, const std::string& folder, const std::string& quoted_names) {
  ChooseFiles(dialog, folder, Wide(quoted_names));
}

}  // namespace corvane::gui_test
