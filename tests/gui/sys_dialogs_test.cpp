// The system dialogs called directly, each worked by a driver thread.
#include <windows.h>

#include <dlgs.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/dialog_logic.h"
#include "platform/sys_dialogs.h"
#include "platform/win32_owners.h"
#include "tests/gui/dialog_driver.h"
#include "tests/gui/gui_test_support.h"

namespace corvane::gui_test {
namespace {

using platform::ShowTaskMessage;

class OlderWindows {
 public:
  OlderWindows() { platform::SetWindowsMajorVersionForTesting(5); }
  ~OlderWindows() { platform::SetWindowsMajorVersionForTesting(0); }
  OlderWindows(const OlderWindows&) = delete;
  OlderWindows& operator=(const OlderWindows&) = delete;
};

struct BoxCase {
  const char* name;
  int buttons;
  int icon;
  std::vector<int> shown;  // the message box's buttons, as dialog ids
  int press;
  int result;
  LPCSTR system_icon;
};

TEST(SysDialogsTest, MessageBoxPathMapsButtonsIconsAndAnswers) {
  const OlderWindows older;
  const BoxCase cases[] = {
      {"Yes/No, Yes pressed",
       platform::kYes | platform::kNo,
       102,
       {IDYES, IDNO},
       IDYES,
       6,
       IDI_QUESTION},
      {"Yes/No, No pressed",
       platform::kYes | platform::kNo,
       102,
       {IDYES, IDNO},
       IDNO,
       7,
       IDI_QUESTION},
      {"Close as Abort/Retry/Ignore, Abort pressed",
       platform::kClose,
       103,
       {IDABORT, IDRETRY, IDIGNORE},
       IDABORT,
       8,
       IDI_ERROR},
      {"Close as Abort/Retry/Ignore, Ignore pressed",
       platform::kClose,
       101,
       {IDABORT, IDRETRY, IDIGNORE},
       IDIGNORE,
       5,
       IDI_WARNING},
      {"OK and Cancel, Cancel pressed",
       platform::kOk | platform::kCancel,
       104,
       {IDOK, IDCANCEL},
       IDCANCEL,
       2,
       IDI_INFORMATION},
  };
  const int every_button[] = {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO};
  for (const BoxCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text;
    std::vector<int> shown;
    HICON icon = nullptr;
    int result = -1;
    {
      DialogDriver driver(
          [] { return FindProcessDialog("Question"); },
          [&](HWND box) {
            char buffer[256] = {};
            ::GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);
            text = buffer;
            for (int id : every_button) {
              if (IsButtonShown(box, id)) shown.push_back(id);
            }
            icon = reinterpret_cast<HICON>(::SendDlgItemMessageA(box, stc1, STM_GETICON, 0, 0));
            PressButton(box, c.press);
          });
      result = ShowTaskMessage(nullptr, "Question", "Main", "Line 1\nLine 2", c.buttons, c.icon);
      EXPECT_TRUE(driver.Found());
      EXPECT_FALSE(driver.Forced());
    }
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(text, "Main\n\nLine 1\nLine 2");
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(icon, ::LoadIconA(nullptr, c.system_icon));
  }
}

struct TaskCase {
  const char* name;
  int buttons;
  int press;
  int result;
};

TEST(SysDialogsTest, TaskDialogPathShowsTheTextsAndAnswersWithThePressedButton) {
  const TaskCase cases[] = {
      {"OK", platform::kOk, IDOK, 1},
      {"Yes/No, No pressed", platform::kYes | platform::kNo, IDNO, 7},
  };
  for (const TaskCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> statics;
    int result = -1;
    {
      DialogDriver driver([] { return FindProcessDialog("Task caption"); },
                          [&](HWND dialog) {
                            statics = ChildTexts(dialog, "Static");
                            PressButton(dialog, c.press);
                          });
      result =
          ShowTaskMessage(nullptr, "Task caption", "Instruction", "Some content", c.buttons, 104);
      EXPECT_TRUE(driver.Found());
      EXPECT_FALSE(driver.Forced());
    }
    EXPECT_EQ(result, c.result);
    EXPECT_NE(std::find(statics.begin(), statics.end(), "Instruction"), statics.end());
    EXPECT_NE(std::find(statics.begin(), statics.end(), "Some content"), statics.end());
  }
}

struct FolderCase {
  const char* name;
  bool add_backslash;
  bool confirm;
  bool result;
  bool expect_backslash;  // when the result is true
};

TEST(SysDialogsTest, FolderBrowserOpensOnTheGivenFolderAndReturnsIt) {
  platform::ComApartment com;
  com.Initialize();
  TempFolder temp(TempFolder::Place::kDriveRoot);
  const std::string initial = temp.MakeFolder("start") + "\\";  // as the browser gives folders back
  const FolderCase cases[] = {
      {"confirmed, backslash added", true, true, true, true},
      {"confirmed, no backslash", false, true, true, false},
      {"cancelled", true, false, false, true},
  };
  for (const FolderCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string folder = initial;
    bool result = !c.result;
    {
      DialogDriver driver([] { return FindProcessDialogWithText("Pick one"); },
                          [&](HWND dialog) {
                            EXPECT_TRUE(FolderTreeShows(dialog, "start", 5000));
                            PressButton(dialog, c.confirm ? IDOK : IDCANCEL);
                          });
      result = platform::BrowseForFolder("Pick one", folder, c.add_backslash);
      EXPECT_TRUE(driver.Found());
      EXPECT_FALSE(driver.Forced());
    }
    EXPECT_EQ(result, c.result);
    // Confirmed at once, the choice is the preset selection.
    const std::string expected =
        c.expect_backslash ? initial : initial.substr(0, initial.size() - 1);
    EXPECT_EQ(_stricmp(folder.c_str(), expected.c_str()), 0) << folder << " vs " << expected;
  }
}

TEST(SysDialogsTest, TaskTextsAreCutToTheBufferNeverOverrun) {
  struct CutCase {
    std::size_t length;
    std::size_t kept;
  };
  const CutCase cases[] = {{0, 0}, {5, 5}, {1024, 1024}, {1025, 1024}, {2000, 1024}};
  for (const CutCase& c : cases) {
    SCOPED_TRACE(c.length);
    std::string text(c.length, 'x');
    if (c.length > 0) text[0] = 'A';
    const std::wstring wide = platform::ToUtf16Cut(text, 1025);
    ASSERT_EQ(wide.size(), c.kept);
    EXPECT_EQ(wide, std::wstring(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(c.kept)));
  }
}

}  // namespace
}  // namespace corvane::gui_test
