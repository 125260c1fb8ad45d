// TMainForm: the program's one window. A small, always-on-top, fixed-size
// window showing the logo; it takes dropped files and folders, starts the
// conversion job, follows its progress and shows the idle, processing and
// done views.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/logo_picture.h"
#include "batch/conversion_job.h"
#include "platform/win32_owners.h"

namespace corvane::app {

class TApplication;

// Where a component lies, in client pixels.
struct TBounds {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  RECT Rect() const { return {Left, Top, Left + Width, Top + Height}; }
};

// A label painted by the form itself, over the logo.
struct TLabel {
  std::string Caption;
  TBounds Bounds;
  int WrapWidth = 0;  // the width its text is wrapped to
};

enum TViewState : int { vsIdle = 0, vsProcessing = 1, vsDone = 2 };

// The commands of the context menu.
enum TMenuCommand : UINT {
  cmConvFile = 101,
  cmConvDir,
  cmProgramWebsite,
  cmCheckForUpdates,
  cmSupportService,
  cmBugReport,
  cmAbout,
  cmUtf8Output,  // a check item: the setting of the jobs to come
};

// The context menu with its commands and separators, the check item
// showing the stored setting.
platform::Menu BuildPopupMenu();

inline constexpr char kUtf8OutputCaption[] = "Write UTF-8 HTML (keeps all text)";

// The parameters every job of the window gets, from a drop or a command.
batch::TProcessParams JobParameters(HWND window);

// Starts (or joins) the job with a name the user chose that has no form in
// the system's code page: one failure of the job, with the reason.
void StartJobWithNameWithoutForm(const std::string& shown_name,
                                 const batch::TProcessParams& params);

class TMainForm {
 public:
  struct Options {
    int PixelsPerInch = 0;  // 0: the screen's
  };

  // Creates the window (hidden) and runs FormCreate. Throws when the
  // system refuses a window.
  explicit TMainForm(TApplication& application, Options options);
  explicit TMainForm(TApplication& application) : TMainForm(application, Options{}) {}
  ~TMainForm();
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  // Centres the window on the screen and shows it.
  void Show();

  HWND Handle() const { return hwnd_; }
  const TBounds& Image() const { return image_; }
  const TLabel& CenterLabel() const { return center_label_; }
  HWND ProgressBar() const { return progress_bar_; }
  HWND StopButton() const { return stop_button_; }
  HMENU PopupMenu() const { return popup_menu_.Get(); }
  HFONT Font() const { return font_.Get(); }
  int ViewState() const { return view_state_; }
  int LastErrors() const { return last_errors_; }
  // The item text last drawn over the logo. The drawing itself is not kept:
  // the next repaint clears it until the next progress message.
  const std::string& LastProgressText() const { return last_progress_text_; }

  // Lays the window out for one view: 0 idle, 1 processing, 2 done.
  void SetViewState(int state);

  // Key preview: the loop shows the form every message before its target.
  void PreviewKey(const MSG& message);

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  // main_form.cpp: creation and events
  void CreateComponents();
  void FormCreate(int pixels_per_inch);
  void FormClose();
  void FormDestroy();
  void FormKeyUp(WPARAM key);
  void WMCommand(WPARAM wparam, LPARAM lparam);

  // main_form_layout.cpp: sizes, scaling, views
  void ScaleBy(int multiplier, int divider);
  void CreateFonts();
  void SetClientSize(int width, int height);
  void SetLabelCaption(std::string caption);
  void ApplyControlBounds();
  void SetProgressBarPosition(int position);

  // main_form_paint.cpp
  void FormPaint();
  void PaintContent(HDC dc);
  void RepaintImage();
  void DrawProgressText(const std::string& text);

  // main_form_job.cpp: drops and progress
  void WMDropFiles(HDROP drop);
  void WMJobProgress();
  void StopButtonClick();

  // main_form_menu.cpp
  void WMContextMenu(HWND target, LPARAM screen_point);
  void MConvFileClick();
  void MConvDirClick();
  void MProgramWebsiteClick();
  void MCheckForUpdatesClick();
  void MSupportServiceClick();
  void MBugReportClick();
  void MAboutClick();
  void MUtf8OutputClick();

  TApplication& application_;
  HWND hwnd_ = nullptr;
  // Components. The two controls are child windows; the picture and the
  // label are painted by the form.
  TBounds image_{0, 0, 137, 129};
  TLabel center_label_{"", {26, 71, 68, 13}, 68};
  TBounds progress_bar_bounds_{0, 199, 182, 14};
  TBounds stop_button_bounds_{190, 0, 37, 21};
  HWND progress_bar_ = nullptr;
  HWND stop_button_ = nullptr;
  platform::Menu popup_menu_;
  LogoPicture logo_;
  // Character heights, scaled with the window.
  int font_height_ = 10;
  int label_font_height_ = 11;
  int text_margin_ = 2;
  platform::Font font_;
  platform::Font label_font_;

  int view_state_ = vsIdle;
  int last_errors_ = 0;
  bool key_preview_ = false;
  std::string last_progress_text_;
};

}  // namespace corvane::app
