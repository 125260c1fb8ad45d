// The main window's views: its make-up at rest, the processing view while
// a job runs, and the done view with the error count.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "app/logo/jpeg_decoder.h"
#include "app/res/resource_ids.h"
#include "batch/conversion_job.h"
#include "tests/gui/main_form_fixture.h"

namespace corvane::gui_test {
namespace {

// The logo as decoded from this program's own resources.
app::DecodedImage DecodedLogo() {
  app::DecodedImage image;
  const HMODULE module = ::GetModuleHandleA(nullptr);
  const HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(IDR_LOGO), MAKEINTRESOURCEA(10));
  const void* data = found != nullptr ? ::LockResource(::LoadResource(module, found)) : nullptr;
  std::string error;
  if (data == nullptr || !app::DecodeJpeg(static_cast<const std::uint8_t*>(data),
                                          ::SizeofResource(module, found), image, error)) {
    ADD_FAILURE() << "logo: " << error;
  }
  return image;
}

bool Near(std::uint32_t shown, const app::DecodedImage& logo, int x, int y) {
  const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(logo.width) +
                          static_cast<std::size_t>(x)) *
                         4;
  const int want[3] = {logo.bgrx[at + 2], logo.bgrx[at + 1], logo.bgrx[at]};
  const int got[3] = {static_cast<int>((shown >> 16) & 0xFF), static_cast<int>((shown >> 8) & 0xFF),
                      static_cast<int>(shown & 0xFF)};
  for (int i = 0; i < 3; ++i) {
    if (std::abs(want[i] - got[i]) > 2) return false;
  }
  return true;
}

constexpr std::uint32_t kWhite = 0xFFFFFF;

TEST_F(MainFormTest, IdleViewIsTheLogoWithDropFilesHere) {
  const HWND window = Form().Handle();
  // The window: a single border with only the close box, on top of others.
  const auto style = static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_STYLE));
  const auto ex_style = static_cast<DWORD>(::GetWindowLongPtrA(window, GWL_EXSTYLE));
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
  EXPECT_NE(ex_style & WS_EX_TOPMOST, 0u);
  EXPECT_NE(ex_style & WS_EX_ACCEPTFILES, 0u);
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_EQ(WindowText(window), "Corvane");

  // The taskbar's window: unowned, visible, owns the form, says "Corvane".
  const HWND taskbar = App().Handle();
  EXPECT_EQ(::GetWindow(window, GW_OWNER), taskbar);
  EXPECT_EQ(::GetWindow(taskbar, GW_OWNER), nullptr);
  EXPECT_TRUE(::IsWindowVisible(taskbar));
  EXPECT_EQ(::GetWindowLongPtrA(taskbar, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
  EXPECT_EQ(App().Title(), "Corvane");

  // Centred on the screen, the client area the size of the logo.
  RECT client{};
  ::GetClientRect(window, &client);
  EXPECT_EQ(client.right, kImageWidth);
  EXPECT_EQ(client.bottom, kImageHeight);
  RECT frame{};
  ::GetWindowRect(window, &frame);
  EXPECT_LE(std::abs((frame.left + frame.right) / 2 - ::GetSystemMetrics(SM_CXSCREEN) / 2), 1);
  EXPECT_LE(std::abs((frame.top + frame.bottom) / 2 - ::GetSystemMetrics(SM_CYSCREEN) / 2), 1);

  // The controls lie outside the client area, enabled and not hidden.
  EXPECT_EQ(ChildBounds(Form().ProgressBar()).top, kBarTopHidden);
  const RECT bar = ChildBounds(Form().ProgressBar());
  EXPECT_EQ(bar.right - bar.left, kImageWidth);
  EXPECT_EQ(bar.bottom - bar.top, kBarHeight);
  const RECT button = ChildBounds(Form().StopButton());
  EXPECT_EQ(button.left, kButtonLeftHidden);
  EXPECT_EQ(button.top, 0);
  EXPECT_EQ(button.right - button.left, kButtonWidth);
  EXPECT_EQ(button.bottom - button.top, kButtonHeight);
  EXPECT_EQ(WindowText(Form().StopButton()), "Stop");
  for (HWND control : {Form().ProgressBar(), Form().StopButton()}) {
    EXPECT_TRUE(::IsWindowEnabled(control));
    EXPECT_TRUE(::IsWindowVisible(control));
  }
  // Tab order: the bar, then the button.
  EXPECT_EQ(::GetWindow(window, GW_CHILD), Form().ProgressBar());
  EXPECT_EQ(::GetWindow(Form().ProgressBar(), GW_HWNDNEXT), Form().StopButton());
  PBRANGE range{};
  ::SendMessageA(Form().ProgressBar(), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iLow, 0);
  EXPECT_EQ(range.iHigh, 100);

  // The label: centred in the picture.
  const app::TLabel& label = Form().CenterLabel();
  EXPECT_EQ(label.Caption, "Drop Files Here");
  EXPECT_GT(label.Bounds.Height, 0);
  EXPECT_EQ(label.Bounds.Left, kImageWidth / 2 - label.Bounds.Width / 2);
  EXPECT_EQ(label.Bounds.Top, kImageHeight / 2 - label.Bounds.Height / 2);

  // Tahoma, in the character heights the form is designed with.
  LOGFONTA font{};
  ::GetObjectA(Form().Font(), sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, "Tahoma");
  EXPECT_EQ(font.lfHeight, -10);
  char face[LF_FACESIZE] = {};
  {
    const platform::WindowDC dc(window);
    const platform::SelectedObject selected(dc.Get(), Form().Font());
    ::GetTextFaceA(dc.Get(), sizeof face, face);
  }
  EXPECT_STREQ(face, "Tahoma") << "the Wine fonts are not linked into the prefix";

  // The picture on screen is the logo, and the label is white on it; what
  // WM_PRINTCLIENT paints is what the screen shows.
  const Picture shown = CaptureClient(window);
  const app::DecodedImage logo = DecodedLogo();
  ASSERT_EQ(logo.width, kImageWidth);
  for (const POINT p :
       {POINT{2, 2}, POINT{20, 25}, POINT{55, 16}, POINT{130, 125}, POINT{5, 100}}) {
    EXPECT_TRUE(Near(shown.At(p.x, p.y), logo, p.x, p.y)) << p.x << "," << p.y;
  }
  EXPECT_GT(shown.CountInside(label.Bounds.Rect(), kWhite), 20);
  RECT above_label{0, 30, kImageWidth, label.Bounds.Top - 1};
  EXPECT_EQ(shown.CountInside(above_label, kWhite), 0);
  const Picture painted = RenderClient(window);
  EXPECT_EQ(painted.pixels, shown.pixels);
  SaveScreenshot(CaptureWindow(window), "idle.png");

  // The manifest brought the version-6 common controls.
  char comctl[MAX_PATH] = {};
  ::GetModuleFileNameA(::GetModuleHandleA("comctl32.dll"), comctl, sizeof comctl);
  EXPECT_NE(std::string(comctl).find("common-controls"), std::string::npos) << comctl;
}

TEST_F(MainFormTest, DroppedFilesAreConvertedAndTheDoneViewCountsNoErrors) {
  TempFolder folder;
  const std::vector<std::string> files = {folder.Write("one.rtf", kSmallRtf),
                                          folder.Write("two.RTF", kSmallRtf),
                                          folder.Write("R&D notes.rtf", kSmallRtf)};
  PostDrop(Form().Handle(), files);
  ASSERT_TRUE(PumpUntilDone());
  ExpectConsistentSights(0);
  EXPECT_EQ(Form().LastErrors(), 0);
  for (const char* html : {"one.html", "two.html", "R&D notes.html"}) {
    EXPECT_NE(::GetFileAttributesA((folder.Path() + html).c_str()), INVALID_FILE_ATTRIBUTES)
        << html;
  }
  // The done view: the bar full along the bottom, the button away, and the
  // taskbar saying what the caption no longer says.
  const Sight done = Look();
  EXPECT_EQ(done.label, "Done\nErrors: 0\nDrop Files Here Again");
  EXPECT_EQ(done.caption, "Corvane");
  EXPECT_EQ(done.title, "Corvane:Done");
  EXPECT_EQ(done.bar.top, kBarTopShown);
  EXPECT_EQ(done.bar_position, 100);
  EXPECT_EQ(done.button.left, kButtonLeftHidden);
  const app::TLabel& label = Form().CenterLabel();
  EXPECT_EQ(label.Bounds.Top, kBarTopShown / 2 - label.Bounds.Height / 2);
  EXPECT_EQ(label.Bounds.Left, kImageWidth / 2 - label.Bounds.Width / 2);
  ASSERT_TRUE(PumpUntil(App(), [] { return ::GetQueueStatus(QS_PAINT) == 0; }));
  const Picture shown = CaptureClient(Form().Handle());
  EXPECT_GT(shown.CountInside(label.Bounds.Rect(), kWhite), 40);
  SaveScreenshot(CaptureWindow(Form().Handle()), "done.png");
}

TEST_F(MainFormTest, DoneViewCountsTheFilesThatFailed) {
  TempFolder folder;
  const std::string docs = folder.MakeFolder("docs") + "\\";
  folder.MakeFolder("docs\\sub");
  // An output name taken by a folder cannot be written: that file fails.
  folder.MakeFolder("docs\\locked.html");
  for (const char* name : {"a.rtf", "b.rtf", "locked.rtf", "sub\\c.rtf", "notes.txt"}) {
    folder.Write(std::string("docs\\") + name, kSmallRtf);
  }
  PostDrop(Form().Handle(), {folder.Path() + "docs"});
  ASSERT_TRUE(PumpUntilDone());
  ExpectConsistentSights(1);
  EXPECT_EQ(Form().LastErrors(), 1);
  EXPECT_EQ(Form().CenterLabel().Caption, "Done\nErrors: 1\nDrop Files Here Again");
  EXPECT_NE(::GetFileAttributesA((docs + "sub\\c.html").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(::GetFileAttributesA((docs + "notes.html").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(MainFormTest, ProcessingViewShowsTheItemThePathAndThePercentage) {
  ConversionGate gate;
  TempFolder folder;
  std::vector<std::string> files;
  for (int i = 0; i < 10; ++i)
    files.push_back(folder.Write("doc" + std::to_string(i) + ".rtf", kSmallRtf));
  PostDrop(Form().Handle(), files);
  // Both workers hold a file at the gate: the job stands still at item 2.
  ASSERT_TRUE(PumpRecording([&] {
    return gate.Waiting() == 2 && Form().LastProgressText().rfind("Item 2 of 10\n", 0) == 0;
  }));
  ASSERT_TRUE(PumpUntil(App(), [] { return ::GetQueueStatus(QS_ALLINPUT) == 0; }));
  const Sight sight = Look();
  EXPECT_EQ(sight.view, app::vsProcessing);
  EXPECT_EQ(sight.label, "Processing...");
  EXPECT_EQ(sight.caption, "Corvane:20%");
  EXPECT_EQ(sight.title, "Corvane:20%");
  EXPECT_EQ(sight.bar_position, 20);
  EXPECT_EQ(sight.bar.top, kBarTopShown);
  EXPECT_EQ(sight.button.left, kButtonLeftShown);
  // The first two names dropped are the two the workers hold.
  const std::string path = sight.item_text.substr(sight.item_text.find('\n') + 1);
  EXPECT_TRUE(path == files[0] || path == files[1]) << path;
  const app::TLabel& label = Form().CenterLabel();
  EXPECT_EQ(label.Bounds.Top, kBarTopShown / 2 - label.Bounds.Height / 2);

  // "Processing..." is one word wider than the label's wrap width: it must
  // show whole, dots and all, not cut at the label's edges.
  const Picture shown = CaptureClient(Form().Handle());
  int first_white = kImageWidth;
  int last_white = -1;
  for (int y = label.Bounds.Top; y < label.Bounds.Top + label.Bounds.Height; ++y) {
    for (int x = 0; x < kImageWidth; ++x) {
      if (shown.At(x, y) == kWhite) {
        first_white = std::min(first_white, x);
        last_white = std::max(last_white, x);
      }
    }
  }
  SIZE word{};
  {
    const platform::Font bold(::CreateFontA(-11, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                                            DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma"));
    const platform::WindowDC dc(Form().Handle());
    const platform::SelectedObject selected(dc.Get(), bold.Get());
    ::GetTextExtentPoint32A(dc.Get(), "Processing...", 13, &word);
  }
  EXPECT_GE(last_white - first_white + 1, word.cx - 3);
  EXPECT_LE(std::abs((first_white + last_white) / 2 - kImageWidth / 2), 2);

  // The two lines stand in white between the label and the bar.
  const RECT text_area{2, label.Bounds.Top + label.Bounds.Height, kImageWidth - 2,
                       kBarTopShown - 2};
  EXPECT_GT(shown.CountInside(text_area, kWhite), 60);
  SaveScreenshot(CaptureWindow(Form().Handle()), "processing.png");

  gate.Open();
  ASSERT_TRUE(PumpUntilDone());
  ExpectConsistentSights(0);
  EXPECT_EQ(gate.Converted().size(), files.size());
}

TEST_F(MainFormTest, AFolderCountsAsAnItemOfItsOwn) {
  ConversionGate gate;
  TempFolder folder;
  folder.MakeFolder("four");
  for (int i = 0; i < 4; ++i) folder.Write("four\\f" + std::to_string(i) + ".doc.rtf", kSmallRtf);
  PostDrop(Form().Handle(), {folder.Path() + "four"});
  ASSERT_TRUE(PumpRecording([&] { return gate.Waiting() == 2; }));
  gate.Open();
  ASSERT_TRUE(PumpUntilDone());
  ExpectConsistentSights(0);
  bool saw_five = false;
  for (const Sight& s : sights_)
    saw_five = saw_five || s.item_text.find(" of 5\n") != std::string::npos;
  EXPECT_TRUE(saw_five);
  EXPECT_EQ(gate.Converted().size(), 4u);
}

struct ScaleCase {
  int pixels_per_inch;
  int client_width, client_height;
  int bar_height, button_width, button_height;
  int font_height, label_font_height;
};

TEST(MainFormScaling, ScalesWindowControlsAndFontsByTheScreensPixelsPerInch) {
  const ScaleCase cases[] = {
      {96, 137, 129, 14, 37, 21, 10, 11},
      {120, 171, 161, 17, 46, 26, 13, 14},
      {144, 206, 194, 21, 56, 32, 15, 17},
  };
  for (const ScaleCase& c : cases) {
    SCOPED_TRACE(c.pixels_per_inch);
    app::TApplication application;
    app::TMainForm form(application, {c.pixels_per_inch});
    RECT client{};
    ::GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, c.client_width);
    EXPECT_EQ(client.bottom, c.client_height);
    EXPECT_EQ(form.Image().Width, c.client_width);
    EXPECT_EQ(form.Image().Height, c.client_height);
    LOGFONTA font{};
    ::GetObjectA(form.Font(), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -c.font_height);
    // The processing view puts the controls along the scaled edges.
    form.SetViewState(app::vsProcessing);
    const RECT bar = ChildBounds(form.ProgressBar());
    EXPECT_EQ(bar.bottom - bar.top, c.bar_height);
    EXPECT_EQ(bar.right - bar.left, c.client_width);
    EXPECT_EQ(bar.bottom, c.client_height);
    const RECT button = ChildBounds(form.StopButton());
    EXPECT_EQ(button.right - button.left, c.button_width);
    EXPECT_EQ(button.bottom - button.top, c.button_height);
    EXPECT_EQ(button.right, c.client_width);
    // The label is bold Tahoma at the scaled height: one line of it.
    const platform::Font bold(::CreateFontA(-c.label_font_height, 0, 0, 0, FW_BOLD, FALSE, FALSE,
                                            FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma"));
    TEXTMETRICA metrics{};
    {
      const platform::WindowDC dc(form.Handle());
      const platform::SelectedObject selected(dc.Get(), bold.Get());
      ::GetTextMetricsA(dc.Get(), &metrics);
    }
    EXPECT_EQ(form.CenterLabel().Bounds.Height, metrics.tmHeight);
  }
}

}  // namespace
}  // namespace corvane::gui_test
