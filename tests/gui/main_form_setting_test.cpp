// The check item that picks the full-text output: off by default, stored per
// user, and read by the next job, which then writes UTF-8 pages.
#include <fstream>
#include <iterator>
#include <string>

#include "app/user_settings.h"
#include "tests/gui/main_form_fixture.h"

namespace corvane::gui_test {
namespace {

void ForgetUtf8Setting() {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, app::kSettingsKey, 0, KEY_SET_VALUE, &key) ==
      ERROR_SUCCESS) {
    ::RegDeleteValueA(key, app::kUtf8OutputValue);
    ::RegCloseKey(key);
  }
}

bool IsChecked(HMENU menu) {
  return (::GetMenuState(menu, app::cmUtf8Output, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

// What a fresh menu shows: the stored setting, as another instance would see it.
bool FreshMenuChecked() {
  const platform::Menu menu = app::BuildPopupMenu();
  return IsChecked(menu.Get());
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Cyrillic as Word writes it: bytes of a charset-204 font, and \u characters.
constexpr char kCyrillicRtf[] =
    "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fcharset204 Arial;}}"
    "{\\info{\\title \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}}\\f0 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2, "
    "\\uc1\\u1084?\\u1080?\\u1088?!\\par}";

// One test, not several: the setting is the user's, and tests of this
// program may run at the same time.
class Utf8SettingTest : public MainFormTest {
 protected:
  void SetUp() override {
    ForgetUtf8Setting();
    MainFormTest::SetUp();
  }
  void TearDown() override {
    MainFormTest::TearDown();
    ForgetUtf8Setting();
  }
  void Toggle() { ::SendMessageA(Form().Handle(), WM_COMMAND, app::cmUtf8Output, 0); }
  std::string ConvertDropped(TempFolder& folder) {
    const std::string rtf = folder.Write("privet.rtf", kCyrillicRtf);
    PostDrop(Form().Handle(), {rtf});
    EXPECT_TRUE(PumpUntilDone());
    return ReadFile(folder.Path() + "privet.html");
  }
};

TEST_F(Utf8SettingTest, TheCheckItemTogglesPersistsAndMakesDroppedPagesUtf8) {
  EXPECT_FALSE(IsChecked(Form().PopupMenu()));
  EXPECT_FALSE(app::ReadUtf8OutputSetting());

  Toggle();
  EXPECT_TRUE(IsChecked(Form().PopupMenu()));
  EXPECT_TRUE(app::ReadUtf8OutputSetting());
  EXPECT_TRUE(FreshMenuChecked());
  {
    TempFolder folder;
    const std::string html = ConvertDropped(folder);
    EXPECT_NE(html.find("<head><meta charset=\"utf-8\">"), std::string::npos) << html;
    EXPECT_NE(html.find("<title>\u041f\u0440\u0438\u0432\u0435\u0442</title>"), std::string::npos)
        << html;
    EXPECT_NE(html.find("<p>\u041f\u0440\u0438\u0432\u0435\u0442, \u043c\u0438\u0440!</p>"),
              std::string::npos)
        << html;
  }

  Toggle();
  EXPECT_FALSE(IsChecked(Form().PopupMenu()));
  EXPECT_FALSE(app::ReadUtf8OutputSetting());
  EXPECT_FALSE(FreshMenuChecked());
  {
    TempFolder folder;
    const std::string html = ConvertDropped(folder);
    // The classic page: the document's own bytes, no character set named.
    EXPECT_EQ(html.find("charset"), std::string::npos);
    EXPECT_NE(html.find("<p>\xCF\xF0\xE8\xE2\xE5\xF2, \?\?\?!</p>"), std::string::npos) << html;
  }
}

}  // namespace
}  // namespace corvane::gui_test
