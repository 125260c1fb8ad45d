// The context menu's commands with the real system dialogs, driven from a
// second thread as a user would work them.
#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>
#include <shlobj.h>

#include <algorithm>
#include <set>

#include "batch/conversion_job.h"
#include "platform/sys_dialogs.h"
#include "platform/web_links.h"
#include "platform/win32_owners.h"
#include "tests/gui/dialog_driver.h"
#include "tests/gui/main_form_fixture.h"
#include "tests/gui/recording_browser.h"

namespace corvane::gui_test {
namespace {

constexpr char kFileTitle[] = "Select File(s) to Convert";
constexpr char kFolderTitle[] = "Select Folder to Convert";

// The folder browser needs COM on the thread that shows it, as the program has.
class MainFormDialogTest : public MainFormTest {
 protected:
  void SetUp() override {
    com_.Initialize();
    MainFormTest::SetUp();
  }
  void TearDown() override {
    MainFormTest::TearDown();
    com_.Uninitialize();
  }

  void Command(UINT command) { ::SendMessageA(Form().Handle(), WM_COMMAND, command, 0); }

  platform::ComApartment com_;
};

// The names in a folder (ending in a backslash), without "." and "..".
std::set<std::string> Listing(const std::string& folder) {
  std::set<std::string> names;
  WIN32_FIND_DATAA found{};
  const HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.insert(name);
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  return names;
}

TEST_F(MainFormDialogTest, ConvertFileConvertsEveryFileChosenInTheOpenDialog) {
  TempFolder folder;
  // A ";" in a name must not split it into two entries.
  folder.Write("a.rtf", kSmallRtf);
  folder.Write("x;y.rtf", kSmallRtf);
  ASSERT_EQ(Form().ViewState(), app::vsIdle);
  {
    DialogDriver driver(
        [] { return FindProcessDialog(kFileTitle); },
        [&](HWND dialog) { ChooseFiles(dialog, folder.Path(), "\"a.rtf\" \"x;y.rtf\""); });
    Command(app::cmConvFile);
    EXPECT_TRUE(driver.Found());
    EXPECT_FALSE(driver.Forced()) << "the open dialog did not take the choice";
  }
  // The processing view comes at once, before the job reports anything.
  EXPECT_EQ(Form().ViewState(), app::vsProcessing);
  ASSERT_TRUE(PumpUntilDone());
  ExpectConsistentSights(0);
  // Both chosen files, each whole, and nothing else. (Small files convert
  // faster than the window reads the job, so the items shown prove little.)
  EXPECT_EQ(Listing(folder.Path()),
            (std::set<std::string>{"a.rtf", "a.html", "x;y.rtf", "x;y.html"}));
}

TEST_F(MainFormDialogTest, ConvertFolderConvertsTheFolderChosenInTheBrowser) {
  TempFolder folder(TempFolder::Place::kDriveRoot);
  const std::string chosen = folder.MakeFolder("chosen") + "\\";
  folder.Write("chosen\\one.rtf", kSmallRtf);
  folder.Write("chosen\\two.rtf", kSmallRtf);
  folder.Write("beside.rtf", kSmallRtf);  // not in the chosen folder: left alone
  const std::string selection = WithoutBackslash(chosen);
  {
    DialogDriver driver([] { return FindProcessDialogWithText(kFolderTitle); },
                        [&](HWND dialog) {
                          EXPECT_TRUE(ChooseInFolderBrowser(dialog, selection, "chosen"));
                          PressButton(dialog, IDOK);
                        });
    Command(app::cmConvDir);
    EXPECT_TRUE(driver.Found());
    EXPECT_FALSE(driver.Forced()) << "the folder browser did not take the choice";
  }
  EXPECT_EQ(Form().ViewState(), app::vsProcessing);
  ASSERT_TRUE(PumpUntilDone());
  ExpectConsistentSights(0);
  EXPECT_EQ(Listing(chosen), (std::set<std::string>{"one.rtf", "one.html", "two.rtf", "two.html"}));
  EXPECT_EQ(Listing(folder.Path()), (std::set<std::string>{"beside.rtf", "chosen"}));
}

struct CancelCase {
  const char* name;
  UINT command;
  bool by_text;  // the folder browser shows its title inside, not as caption
  const char* title;
  int view_before;
};

TEST_F(MainFormDialogTest, CancellingEitherDialogStartsNothingAndKeepsTheView) {
  const CancelCase cases[] = {
      {"open dialog, idle view", app::cmConvFile, false, kFileTitle, app::vsIdle},
      {"open dialog, done view", app::cmConvFile, false, kFileTitle, app::vsDone},
      {"folder browser, idle view", app::cmConvDir, true, kFolderTitle, app::vsIdle},
      {"folder browser, done view", app::cmConvDir, true, kFolderTitle, app::vsDone},
  };
  for (const CancelCase& c : cases) {
    SCOPED_TRACE(c.name);
    Form().SetViewState(c.view_before);
    const batch::TJobState state_before = batch::GetJobState();
    {
      DialogDriver driver(
          [&] {
            return c.by_text ? FindProcessDialogWithText(c.title) : FindProcessDialog(c.title);
          },
          [](HWND dialog) { PressButton(dialog, IDCANCEL); });
      Command(c.command);
      EXPECT_TRUE(driver.Found());
      EXPECT_FALSE(driver.Forced());
    }
    EXPECT_EQ(Form().ViewState(), c.view_before);
    EXPECT_EQ(batch::GetJobState(), state_before);
    // Nothing arrives later either.
    sights_.clear();
    PumpRecording([] { return false; }, 300);
    EXPECT_TRUE(sights_.empty());
    EXPECT_EQ(Form().ViewState(), c.view_before);
  }
  Form().SetViewState(app::vsIdle);
}

struct PageCase {
  UINT command;
  std::string_view path;
};

TEST_F(MainFormDialogTest, WebCommandsOpenTheirPagesWithTheLinkQuery) {
  RecordingBrowser browser(ToWindowsPath(RECORD_BROWSER_EXE));
  ASSERT_TRUE(browser.Registered());
  const PageCase pages[] = {
      {app::cmProgramWebsite, "/corvane/"},
      {app::cmCheckForUpdates, "/corvane/download/"},
      {app::cmSupportService, "/we/service/"},
      {app::cmBugReport, "/we/service/"},  // the same page as Support Service
  };
  std::string expected;
  std::size_t count = 0;
  for (const PageCase& page : pages) {
    Command(page.command);
    expected += std::string(platform::kWebSiteAddress) + std::string(page.path) +
                platform::BuildLinkQuery() + "\n";
    // One at a time, so that the log keeps the order of the commands.
    browser.Opened(++count);
  }
  EXPECT_EQ(browser.Opened(count), expected);
  EXPECT_EQ(Form().ViewState(), app::vsIdle);
}

constexpr char kAboutInstruction[] = "Belmorn Corvane version 3.0.0";
constexpr char kAboutContent[] =
    "Supported formats:\n"
    "Native: *.rtf, *.doc, *.docx, *.docm, *.wps, *.wpd\n"
    "If Office 2003 installed: *.pwd, *.pwi, *.wk1, *.wk3, *.wk4, *xls, *.xlw, *.mcw, *.wps, "
    "*.wpt\n"
    "Windows XP only: *.wri\n"
    "Web pages: *.htm, *.htx, *.otm";

// Makes the version check answer as Windows 5.x would, for one test.
class OlderWindows {
 public:
  OlderWindows() { platform::SetWindowsMajorVersionForTesting(5); }
  ~OlderWindows() { platform::SetWindowsMajorVersionForTesting(0); }
  OlderWindows(const OlderWindows&) = delete;
  OlderWindows& operator=(const OlderWindows&) = delete;
};

struct AboutSight {
  std::vector<std::string> statics;
  bool ok_shown = false;
  bool cancel_shown = false;
  HICON icon = nullptr;
};

AboutSight ShowAbout(HWND form, bool* found) {
  AboutSight sight;
  DialogDriver driver([] { return FindProcessDialog("About"); },
                      [&](HWND dialog) {
                        sight.statics = ChildTexts(dialog, "Static");
                        sight.ok_shown = IsButtonShown(dialog, IDOK);
                        sight.cancel_shown = IsButtonShown(dialog, IDCANCEL);
                        sight.icon = reinterpret_cast<HICON>(
                            ::SendDlgItemMessageA(dialog, stc1, STM_GETICON, 0, 0));
                        PressButton(dialog, IDOK);
                      });
  ::SendMessageA(form, WM_COMMAND, app::cmAbout, 0);
  *found = driver.Found() && !driver.Forced();
  return sight;
}

bool Holds(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST_F(MainFormDialogTest, AboutShowsVersionAndFormatsAsTaskDialog) {
  bool found = false;
  const AboutSight sight = ShowAbout(Form().Handle(), &found);
  ASSERT_TRUE(found) << "no task dialog \"About\", or it did not close with OK";
  EXPECT_TRUE(Holds(sight.statics, kAboutInstruction)) << ::testing::PrintToString(sight.statics);
  EXPECT_TRUE(Holds(sight.statics, kAboutContent)) << ::testing::PrintToString(sight.statics);
  EXPECT_TRUE(sight.ok_shown);
  EXPECT_FALSE(sight.cancel_shown);
}

TEST_F(MainFormDialogTest, AboutShowsVersionAndFormatsAsMessageBoxOnOlderWindows) {
  const OlderWindows older;
  bool found = false;
  const AboutSight sight = ShowAbout(Form().Handle(), &found);
  ASSERT_TRUE(found) << "no message box \"About\", or it did not close with OK";
  EXPECT_TRUE(Holds(sight.statics, std::string(kAboutInstruction) + "\n\n" + kAboutContent))
      << ::testing::PrintToString(sight.statics);
  EXPECT_TRUE(sight.ok_shown);
  EXPECT_FALSE(sight.cancel_shown);
  EXPECT_EQ(sight.icon, ::LoadIconA(nullptr, IDI_INFORMATION));
}

}  // namespace
}  // namespace corvane::gui_test
