// Dropped names reach the job whole, and the item text shows them as they
// are: any length, any character.
#include <algorithm>
#include <string>

#include "batch/conversion_job.h"
#include "tests/gui/main_form_fixture.h"

namespace corvane::gui_test {
namespace {

TEST_F(MainFormTest, ANameLongerThan1024CharactersReachesTheJobWhole) {
  ConversionGate gate;
  TempFolder folder;
  // One worker holds this file at the gate, so the job stays open...
  const std::string held = folder.Write("held.rtf", kSmallRtf);
  PostDrop(Form().Handle(), {held});
  ASSERT_TRUE(PumpRecording(
      [&] { return gate.Waiting() == 1 && Form().LastProgressText() == "Item 1 of 1\n" + held; }));
  // ...while the other takes the long name and stays the job's current
  // entry. A name beyond the system's limit cannot be examined: one counted
  // failure, not a name passed over.
  std::string long_name = "C:\\";
  for (int i = 0; i < 12; ++i) long_name += std::string(100, static_cast<char>('a' + i)) + "\\";
  long_name += "end.rtf";
  ASSERT_GT(long_name.size(), 1024u);
  PostDrop(Form().Handle(), {long_name});
  ASSERT_TRUE(
      PumpRecording([&] { return Form().LastProgressText().rfind("Item 2 of 2\n", 0) == 0; }));
  EXPECT_EQ(Form().LastProgressText(), "Item 2 of 2\n" + long_name);
  gate.Open();
  ASSERT_TRUE(PumpUntilDone());
  ExpectConsistentSights(1);
}

TEST_F(MainFormTest, EveryDroppedNameIsAnEntryOfItsOwn) {
  ConversionGate gate;
  TempFolder folder;
  std::vector<std::string> names;
  for (const char* name : {"a.rtf", "b.rtf", "c.rtf", "d.txt"})
    names.push_back(folder.Write(name, kSmallRtf));
  names.push_back(folder.Path() + "missing.rtf");
  PostDrop(Form().Handle(), names);
  ASSERT_TRUE(PumpRecording([&] { return gate.Waiting() == 2; }));
  EXPECT_EQ(batch::ReadJobProgress().total, 5);
  gate.Open();
  ASSERT_TRUE(PumpUntilDone());
  ExpectConsistentSights(0);
  // The text file and the missing one are passed over without an error.
  std::vector<std::string> converted = gate.Converted();
  std::sort(converted.begin(), converted.end());
  EXPECT_EQ(converted, std::vector<std::string>(names.begin(), names.begin() + 3));
}

// The item text as the window must draw it over `background`: white, in the
// window's font, between the label and the bar.
Picture DrawnText(const Picture& background, HFONT font, const std::string& text, UINT flags) {
  Picture expected = background;
  const platform::WindowDC screen(nullptr);
  const platform::MemoryDC dc(::CreateCompatibleDC(screen.Get()));
  BITMAPINFO info{};
  info.bmiHeader = {
      sizeof info.bmiHeader, background.width, -background.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const platform::Bitmap bitmap(
      ::CreateDIBSection(dc.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  const platform::SelectedObject selected_bitmap(dc.Get(), bitmap.Get());
  auto* pixels = static_cast<std::uint32_t*>(bits);
  std::copy(background.pixels.begin(), background.pixels.end(), pixels);
  const platform::SelectedObject selected_font(dc.Get(), font);
  TEXTMETRICA metrics{};
  ::GetTextMetricsA(dc.Get(), &metrics);
  RECT area{2, 0, kImageWidth - 2, kBarTopShown - 2};
  area.top = area.bottom - 2 * metrics.tmHeight;
  ::SetTextColor(dc.Get(), RGB(255, 255, 255));
  ::SetBkMode(dc.Get(), TRANSPARENT);
  ::DrawTextA(dc.Get(), text.c_str(), static_cast<int>(text.size()), &area, flags);
  ::GdiFlush();
  for (std::size_t i = 0; i < expected.pixels.size(); ++i)
    expected.pixels[i] = pixels[i] & 0x00FFFFFF;
  return expected;
}

TEST_F(MainFormTest, AnAmpersandInAPathIsDrawnAsIs) {
  ConversionGate gate;
  TempFolder folder;
  const std::string name = folder.Write("R&D &Co.rtf", kSmallRtf);
  PostDrop(Form().Handle(), {name});
  const std::string text = "Item 1 of 1\n" + name;
  ASSERT_TRUE(
      PumpRecording([&] { return gate.Waiting() == 1 && Form().LastProgressText() == text; }));
  // A repaint clears the item text; the next progress message draws it
  // again over exactly that picture.
  ::RedrawWindow(Form().Handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  const Picture background = CaptureClient(Form().Handle());
  ::PostMessageA(Form().Handle(), batch::WM_JOB_PROGRESS, 0, 0);
  ASSERT_TRUE(PumpUntil(App(), [] { return ::GetQueueStatus(QS_ALLINPUT) == 0; }));
  const Picture shown = CaptureClient(Form().Handle());
  ASSERT_NE(shown.pixels, background.pixels) << "no item text drawn";

  constexpr UINT kEllipses = DT_PATH_ELLIPSIS | DT_END_ELLIPSIS;
  const Picture as_is = DrawnText(background, Form().Font(), text, DT_NOPREFIX | kEllipses);
  const Picture as_accelerators = DrawnText(background, Form().Font(), text, kEllipses);
  ASSERT_NE(as_is.pixels, as_accelerators.pixels)
      << "the path shows no ampersand to tell them apart";
  EXPECT_EQ(shown.pixels, as_is.pixels);
  gate.Open();
  ASSERT_TRUE(PumpUntilDone());
}

}  // namespace
}  // namespace corvane::gui_test
