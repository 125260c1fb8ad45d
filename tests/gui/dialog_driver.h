// Drives a system dialog that the test's own thread shows modally: a second
// thread waits for the dialog, works it as a user would, and closes
// whatever is still open when the test goes on, so that no test can hang in
// a modal loop.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace corvane::gui_test {

// A visible dialog of this process whose caption is `caption`, or null.
HWND FindProcessDialog(const std::string& caption);
// A visible dialog of this process holding a child with the text `text`.
HWND FindProcessDialogWithText(const std::string& text);

// The texts of every child of the given window class ("Static", "Button").
std::vector<std::string> ChildTexts(HWND dialog, const char* window_class);
HWND FindChild(HWND dialog, const char* window_class);

// Clicks a button of the dialog as its own procedure would see it.
void PressButton(HWND dialog, int id);
bool IsButtonShown(HWND dialog, int id);

// Polls `condition` every few milliseconds; false after `timeout_ms`.
bool WaitFor(const std::function<bool()>& condition, unsigned timeout_ms);

// True when the folder browser's tree shows an item named `leaf` selected
// within timeout_ms.
bool FolderTreeShows(HWND dialog, const std::string& leaf, unsigned timeout_ms);
// Chooses `path` (ending in the folder `leaf`) in the classic folder
// browser as a user would; false if the browser cannot find it. The browser
// keeps each folder's time stamps, last write and last access, as it listed
// them and finds a path only while they still match, so nothing may touch
// the path's folders while it is open (TempFolder's kDriveRoot).
bool ChooseInFolderBrowser(HWND dialog, const std::string& path, const std::string& leaf);

// The same folder, whatever the trailing backslash and the case.
std::string WithoutBackslash(std::string path);
bool SamePath(const std::string& a, const std::string& b);
std::wstring Wide(const std::string& ansi);

// The open dialog's name box, and the folder it shows (in ANSI).
HWND FileNameBox(HWND dialog);
std::string FolderShown(HWND dialog);
// Types the folder and confirms (the dialog opens it), then types the
// names in quotes and confirms, as a user choosing several files does.
void ChooseFiles(HWND dialog, const std::string& folder, const std::wstring& quoted_names);
void ChooseFiles(HWND dialog, const std::string& folder, const std::string& quoted_names);

class DialogDriver {
 public:
  // `find` is asked again and again for the dialog; the first time it
  // answers, `drive` runs with it on the driver's thread. A dialog still
  // found some seconds later is cancelled, and so is any found after that.
  DialogDriver(std::function<HWND()> find, std::function<void(HWND)> drive);
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  bool Found() const { return found_; }
  // True when the driver had to cancel a dialog that `drive` left open.
  bool Forced() const { return forced_; }

 private:
  void Run();

  std::function<HWND()> find_;
  std::function<void(HWND)> drive_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> found_{false};
  std::atomic<bool> forced_{false};
  std::thread thread_;
};

}  // namespace corvane::gui_test
