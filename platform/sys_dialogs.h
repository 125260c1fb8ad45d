// The system dialogs: open files, browse for a folder, and a message shown
// as a task dialog (or, before Windows 6, as a message box). Modal; main
// thread only, which has COM initialised.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::platform {

// What the open (or save) dialog shows and allows. Fields keep the order of
// the call this replaces, so designated initialisers read like it.
struct SelectFilesOptions {
  std::string_view default_ext;
  std::string_view filter;  // "label|masks|label|masks"
  std::string_view initial_dir;
  std::string_view title;
  bool file_must_exist = false;
  bool overwrite_prompt = false;
  bool no_change_dir = false;
  bool open_dialog = true;  // false: the save dialog
  bool multi_select = false;
};

// The open (or save) dialog. On true, file_name holds the choice: one full
// path, or several joined by ";" in the dialog's order; `chosen`, when
// given, gets them as a list, which keeps a name holding ";" whole. A name
// chosen that has no form in the ANSI code page (neither exact nor short)
// is left out of both and goes to `unusable`, in a form for messages.
// False (cancel or failure) leaves all of them as they were.
bool SelectFiles(HWND owner, const SelectFilesOptions& options, std::string& file_name,
                 std::vector<std::string>* chosen = nullptr,
                 std::vector<std::string>* unusable = nullptr);

// The shell's folder browser, rooted at the computer's drives, opening on
// `folder` (empty, or a path ending in a backslash). On true, folder holds
// the chosen path (with a trailing backslash if asked). False on cancel.
// Throws SystemError when the choice has no file-system path.
bool BrowseForFolder(std::string_view title, std::string& folder, bool add_trailing_backslash);

// Shows a message; returns the pressed button's result code, 0 when
// nothing could be shown. Button and icon codes are in dialog_logic.h.
int ShowTaskMessage(HWND owner, std::string_view caption, std::string_view main_instruction,
                    std::string_view content, int buttons, int icon);

// An operating-system failure with the system's wording.
class SystemError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Module end: forgets the folder browser's remembered initial folder.
void EndDialogModule();

// Converts ANSI text to UTF-16 in a buffer of `units` (terminator
// included); longer texts are cut, never written past the buffer.
std::wstring ToUtf16Cut(std::string_view text, std::size_t units);

// Tests can make the version check answer as an older Windows would.
// 0 restores the real answer.
void SetWindowsMajorVersionForTesting(DWORD major);

}  // namespace corvane::platform
