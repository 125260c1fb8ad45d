// The context menu, and errors that reach the message loop.
#include <atomic>
#include <stdexcept>
#include <thread>

#include "batch/conversion_job.h"
#include "tests/gui/main_form_fixture.h"

namespace corvane::gui_test {
namespace {

std::string MenuText(HMENU menu, int position) {
  char text[128] = {};
  ::GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
  return text;
}

TEST_F(MainFormTest, PopupMenuHasItsSevenCommandsThenTheOutputCheckItem) {
  const HMENU menu = Form().PopupMenu();
  ASSERT_NE(menu, nullptr);
  struct Item {
    UINT command;  // 0: a separator
    const char* caption;
  };
  const Item items[] = {
      {app::cmConvFile, "Convert &File..."},
      {app::cmConvDir, "Convert F&older..."},
      {0, ""},
      {app::cmProgramWebsite, "&Program Website"},
      {app::cmCheckForUpdates, "Check for &Updates"},
      {app::cmSupportService, "&Support Service"},
      {app::cmBugReport, "&Bug Report"},
      {0, ""},
      {app::cmAbout, "&About..."},
      {0, ""},
      {app::cmUtf8Output, "Write UTF-8 HTML (keeps all text)"},
  };
  ASSERT_EQ(::GetMenuItemCount(menu), static_cast<int>(std::size(items)));
  for (int i = 0; i < static_cast<int>(std::size(items)); ++i) {
    SCOPED_TRACE(i);
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID;
    ASSERT_TRUE(::GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info));
    if (items[i].command == 0) {
      EXPECT_NE(info.fType & MFT_SEPARATOR, 0u);
    } else {
      EXPECT_EQ(info.wID, items[i].command);
      EXPECT_EQ(MenuText(menu, i), items[i].caption);
    }
  }
}

// Watches for popup menus on another thread: counts each one that opens
// and closes it with Escape, as a user would.
class MenuWatcher {
 public:
  explicit MenuWatcher(HWND form) : form_(form), thread_([this] { Watch(); }) {}
  ~MenuWatcher() {
    stop_ = true;
    thread_.join();
  }
  int Opened() const { return opened_; }

 private:
  void Watch() {
    while (!stop_) {
      HWND menu = ::FindWindowA("#32768", nullptr);
      if (menu != nullptr && ::IsWindowVisible(menu)) {
        ++opened_;
        // The menu loop reads the keyboard of the form's thread.
        ::PostMessageA(form_, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        while (!stop_ && ::IsWindowVisible(menu)) ::Sleep(5);
      }
      ::Sleep(5);
    }
  }
  HWND form_;
  std::atomic<bool> stop_{false};
  std::atomic<int> opened_{0};
  std::thread thread_;
};

struct ClickCase {
  const char* name;
  bool on_button;  // else on the bar, else on the picture
  bool on_bar;
  bool opens;
};

TEST_F(MainFormTest, RightClickOpensTheMenuAnywhereButOnTheStopButton) {
  // The processing view brings both controls into the client area.
  Form().SetViewState(app::vsProcessing);
  const ClickCase cases[] = {
      {"on the picture and label", false, false, true},
      {"on the progress bar", false, true, true},
      {"on the Stop button", true, false, false},
  };
  MenuWatcher watcher(Form().Handle());
  for (const ClickCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND target = c.on_button ? Form().StopButton()
                  : c.on_bar  ? Form().ProgressBar()
                              : Form().Handle();
    const int before = watcher.Opened();
    // What the mouse would send: the target turns it into WM_CONTEXTMENU,
    // which children pass up to the form. Sent, so that a menu opened
    // here has been closed again when the call returns.
    ::SendMessageA(target, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    ::SendMessageA(target, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(watcher.Opened() - before, c.opens ? 1 : 0);
  }
  Form().SetViewState(app::vsIdle);
}

// A window of the test's own whose procedure fails as a handler might, run
// through the same guard as the program's window procedures.
app::TApplication* g_application = nullptr;
LRESULT CALLBACK FailingProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_APP) return ::DefWindowProcA(window, message, wparam, lparam);
  return app::GuardedCall(
      g_application,
      []() -> LRESULT {
        throw std::runtime_error("Cannot open file \"C:\\x.rtf\". Access is denied");
      },
      7);
}

// Reads the error box on another thread, then presses its OK button.
struct BoxReport {
  std::string caption;
  std::string text;
  bool has_ok = false;
  bool has_cancel = false;
};

TEST_F(MainFormTest, AnErrorInAHandlerEndsInTheErrorBoxAndTheLoopGoesOn) {
  g_application = &App();
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = &FailingProcedure;
  window_class.hInstance = ::GetModuleHandleA(nullptr);
  window_class.lpszClassName = "CorvaneFailingWindow";
  ::RegisterClassA(&window_class);
  const HWND failing = ::CreateWindowExA(0, "CorvaneFailingWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                         nullptr, window_class.hInstance, nullptr);
  ASSERT_NE(failing, nullptr);
  App().SetTitle("Corvane:40%");  // the box takes the application title

  BoxReport report;
  std::thread reader([&] {
    const DWORD start = ::GetTickCount();
    HWND box = nullptr;
    while (box == nullptr && ::GetTickCount() - start < kPatience) {
      box = ::FindWindowA("#32770", "Corvane:40%");
      if (box == nullptr) ::Sleep(10);
    }
    if (box == nullptr) return;
    char text[512] = {};
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    report.caption = WindowText(box);
    report.text = text;
    report.has_ok =
        ::GetDlgItem(box, IDOK) != nullptr && ::IsWindowVisible(::GetDlgItem(box, IDOK));
    const HWND cancel = ::GetDlgItem(box, IDCANCEL);
    report.has_cancel = cancel != nullptr && ::IsWindowVisible(cancel);
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  // Through a system frame, as every window procedure is called.
  const LRESULT result = ::SendMessageA(failing, WM_APP, 0, 0);
  reader.join();
  EXPECT_EQ(result, 7);
  EXPECT_EQ(report.caption, "Corvane:40%");
  EXPECT_EQ(report.text, "Cannot open file \"C:\\x.rtf\". Access is denied.");
  EXPECT_TRUE(report.has_ok);
  EXPECT_FALSE(report.has_cancel);
  ::DestroyWindow(failing);

  // The program goes on: a drop still runs a job to its end.
  TempFolder folder;
  PostDrop(Form().Handle(), {folder.Write("after.rtf", kSmallRtf)});
  ASSERT_TRUE(PumpUntilDone());
  ExpectConsistentSights(0);
}

}  // namespace
}  // namespace corvane::gui_test
