#include "platform/sys_dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "os/os.h"
#include "platform/dialog_logic.h"
#include "platform/win32_owners.h"
#include "platform/windows_version.h"

namespace corvane::platform {
namespace {

constexpr std::size_t kFileBufferChars = 5201;  // 5200 and a terminator
constexpr std::size_t kTaskTextUnits = 1025;    // 1024 and a terminator
// The Windows 2000 form of the record (88 bytes; 152 in the 64-bit test build).
constexpr DWORD kOpenFileNameSize = sizeof(void*) == 4 ? 88 : 152;

DWORD g_major_version_override = 0;

// The folder browser's callback gets no context of its own.
std::string g_initial_folder;

DWORD WindowsMajorVersion() {
  if (g_major_version_override != 0) return g_major_version_override;
  return SystemMajorVersion();
}

bool IsLeadByte(unsigned char c) { return ::IsDBCSLeadByte(c) != 0; }

// Item lists from the shell are freed with CoTaskMemFree.
struct ItemListTraits {
  using Value = LPITEMIDLIST;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr; }
  static void Close(Value value) { ::CoTaskMemFree(value); }
};
using ItemList = UniqueHandle<ItemListTraits>;

[[noreturn]] void RaiseLastOsError() {
  const DWORD code = ::GetLastError();
  if (code == 0) throw SystemError("A call to an OS function failed");
  char message[64];
  std::snprintf(message, sizeof message, "System Error.  Code: %lu.\r\n",
                static_cast<unsigned long>(code));
  throw SystemError(message + os::SystemErrorText(code));
}

// Windows calls this: nothing may be thrown from it.
int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM) noexcept {
  if (message == BFFM_INITIALIZED && !g_initial_folder.empty()) {
    ::SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE,
                   reinterpret_cast<LPARAM>(g_initial_folder.c_str()));
  }
  return 0;
}

using TaskDialogFunction = HRESULT(WINAPI*)(HWND, HINSTANCE, PCWSTR, PCWSTR, PCWSTR,
                                            TASKDIALOG_COMMON_BUTTON_FLAGS, PCWSTR, int*);

int ShowAsTaskDialog(HWND owner, std::string_view caption, std::string_view main_instruction,
                     std::string_view content, int buttons, int icon) {
  HMODULE handle = ::LoadLibraryA("comctl32.dll");
  if (reinterpret_cast<std::uintptr_t>(handle) < 32) return 0;
  const Module library(handle);
  // Through a plain function pointer type: FARPROC's own type does not
  // match the entry's, and the compiler rightly says so.
  const auto task_dialog = reinterpret_cast<TaskDialogFunction>(
      reinterpret_cast<void (*)()>(::GetProcAddress(library.Get(), "TaskDialog")));
  if (task_dialog == nullptr) return 0;
  const std::wstring wide_caption = ToUtf16Cut(caption, kTaskTextUnits);
  const std::wstring wide_instruction = ToUtf16Cut(main_instruction, kTaskTextUnits);
  const std::wstring wide_content = ToUtf16Cut(content, kTaskTextUnits);
  int pressed = 0;
  const HRESULT result = task_dialog(
      owner, nullptr, wide_caption.c_str(), wide_instruction.c_str(), wide_content.c_str(),
      static_cast<TASKDIALOG_COMMON_BUTTON_FLAGS>(buttons), MAKEINTRESOURCEW(icon), &pressed);
  return SUCCEEDED(result) ? pressed : 0;
}

int ShowAsMessageBox(HWND owner, std::string_view caption, std::string_view main_instruction,
                     std::string_view content, int buttons, int icon) {
  const std::string text = MessageBoxText(main_instruction, content);
  const std::string title(caption);
  const int answer =
      ::MessageBoxA(owner, text.c_str(), title.c_str(), MessageBoxStyle(buttons, icon));
  return TaskResultOf(answer);
}

std::wstring ToUtf16(std::string_view text) {
  return ToUtf16Cut(text, text.size() + 1);  // a code page never needs more units than bytes
}

}  // namespace

std::wstring ToUtf16Cut(std::string_view text, std::size_t units) {
  if (text.empty() || units <= 1) return {};
  const int length =
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  if (wide.size() > units - 1) {
    std::size_t keep = units - 1;
    // Never leave half of a surrogate pair at the cut.
    if (keep > 0 && wide[keep - 1] >= 0xD800 && wide[keep - 1] <= 0xDBFF) --keep;
    wide.resize(keep);
  }
  return wide;
}

bool SelectFiles(HWND owner, const SelectFilesOptions& options, std::string& file_name,
                 std::vector<std::string>* chosen, std::vector<std::string>* unusable) {
  // The wide dialog: where the system ignores the manifest's UTF-8 code
  // page, the ANSI one would hand back a look-alike (or "?") for a name
  // that code page cannot spell.
  std::vector<wchar_t> buffer(kFileBufferChars, L'\0');
  const std::wstring initial_name = ToUtf16(file_name);
  std::copy_n(initial_name.begin(), std::min(initial_name.size(), kFileBufferChars - 1),
              buffer.begin());
  const std::wstring filter_list = ToUtf16(FilterForDialog(options.filter, &IsLeadByte));
  const std::wstring ext = ToUtf16(options.default_ext), dir = ToUtf16(options.initial_dir);
  const std::wstring caption = ToUtf16(options.title);

  OPENFILENAMEW record{};
  static_assert(sizeof(OPENFILENAMEW) == kOpenFileNameSize);
  record.lStructSize = kOpenFileNameSize;
  record.hwndOwner = owner;
  record.lpstrFile = buffer.data();
  record.nMaxFile = static_cast<DWORD>(kFileBufferChars);
  record.lpstrFilter = filter_list.c_str();
  record.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
  record.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
  record.lpstrTitle = caption.empty() ? nullptr : caption.c_str();
  if (options.file_must_exist) record.Flags |= OFN_FILEMUSTEXIST;
  if (options.overwrite_prompt) record.Flags |= OFN_OVERWRITEPROMPT;
  if (options.no_change_dir) record.Flags |= OFN_NOCHANGEDIR;
  if (options.multi_select) record.Flags |= OFN_ALLOWMULTISELECT | OFN_EXPLORER;

  const BOOL confirmed =
      options.open_dialog ? ::GetOpenFileNameW(&record) : ::GetSaveFileNameW(&record);
  if (!confirmed) return false;
  const std::wstring_view filled(buffer.data(), buffer.size());
  std::vector<std::wstring> wide_paths;
  if (options.multi_select) {
    wide_paths = SelectedPaths(filled, kFileBufferChars - 1);
  } else {
    wide_paths.emplace_back(filled.substr(0, filled.find(L'\0')));
  }
  // Each name in its exact ANSI form or its short name; one with neither
  // is told apart, never passed on as a look-alike.
  std::vector<std::string> paths, without_form;
  for (const std::wstring& wide : wide_paths) {
    std::string path;
    if (os::ExactAnsiName(wide.c_str(), path)) {
      paths.push_back(std::move(path));
    } else {
      without_form.push_back(os::DisplayAnsiName(wide.c_str()));
    }
  }
  file_name = JoinPaths(paths);
  if (chosen != nullptr) *chosen = std::move(paths);
  if (unusable != nullptr) *unusable = std::move(without_form);
  return true;
}

bool BrowseForFolder(std::string_view title, std::string& folder, bool add_trailing_backslash) {
  g_initial_folder = folder.empty() ? std::string() : folder.substr(0, folder.size() - 1);

  LPITEMIDLIST root_list = nullptr;
  const HRESULT got_root = ::SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &root_list);
  const ItemList root(root_list);
  if (FAILED(got_root)) {
    throw SystemError(os::SystemErrorText(static_cast<os::ErrorCode>(got_root)));
  }

  char display_name[MAX_PATH] = {};
  const std::string caption(title);
  BROWSEINFOA info{};
  info.hwndOwner = ::GetActiveWindow();
  info.pidlRoot = root.Get();
  info.pszDisplayName = display_name;
  info.lpszTitle = caption.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
  info.lpfn = &BrowseCallback;
  info.lParam = 0;

  const ItemList item(::SHBrowseForFolderA(&info));
  if (!item) return false;
  char path[MAX_PATH] = {};
  if (!::SHGetPathFromIDListA(item.Get(), path)) RaiseLastOsError();
  folder = path;
  if (add_trailing_backslash && (folder.empty() || folder.back() != '\\')) folder += '\\';
  return true;
}

int ShowTaskMessage(HWND owner, std::string_view caption, std::string_view main_instruction,
                    std::string_view content, int buttons, int icon) {
  if (WindowsMajorVersion() >= 6) {
    return ShowAsTaskDialog(owner, caption, main_instruction, content, buttons, icon);
  }
  return ShowAsMessageBox(owner, caption, main_instruction, content, buttons, icon);
}

void EndDialogModule() { g_initial_folder.clear(); }

void SetWindowsMajorVersionForTesting(DWORD major) { g_major_version_override = major; }

}  // namespace corvane::platform
