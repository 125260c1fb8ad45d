// The open dialog in a program that declares no code page, as a Windows
// that ignores the manifest's UTF-8 entry runs Corvane: a chosen name the
// ANSI code page cannot spell comes back in a form that names the file
// (its short name) or as a name without form, never as a look-alike.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "os/os_test_support.h"
#include "os/win32_handle.h"
#include "platform/sys_dialogs.h"
#include "tests/gui/dialog_driver.h"

namespace corvane::gui_test {
namespace {

TEST(OpenDialogCodePage, ANameTheCodePageCannotSpellIsNeverALookAlike) {
  if (::GetACP() == CP_UTF8) GTEST_SKIP() << "the ANSI code page is UTF-8 here";
  const os::testing::TempFolder temp;
  const std::string folder = temp.Path() + "\\";
  ASSERT_TRUE(os::testing::WriteFileAt(folder + "a.rtf", "{\\rtf1 a}"));
  const std::wstring name =
      L"\x0416"
      L"doc.rtf";
  {
    const os::win32::KernelHandle file(::CreateFileW((Wide(folder) + name).c_str(), GENERIC_WRITE,
                                                     0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                                     nullptr));
    ASSERT_TRUE(file);
  }
  std::string file_name;
  std::vector<std::string> chosen, unusable;
  bool confirmed = false;
  {
    DialogDriver driver(
        [] { return FindProcessDialog("Choose"); },
        [&](HWND dialog) { ChooseFiles(dialog, folder, L"\"a.rtf\" \"" + name + L"\""); });
    confirmed = platform::SelectFiles(nullptr,
                                      {.default_ext = "",
                                       .filter = "Documents|*.rtf",
                                       .initial_dir = "",
                                       .title = "Choose",
                                       .file_must_exist = true,
                                       .overwrite_prompt = false,
                                       .no_change_dir = false,
                                       .open_dialog = true,
                                       .multi_select = true},
                                      file_name, &chosen, &unusable);
    EXPECT_FALSE(driver.Forced()) << "the dialog did not take the choice";
  }
  ASSERT_TRUE(confirmed);
  EXPECT_EQ(chosen.size() + unusable.size(), 2u);
  for (const std::string& path : chosen) {
    EXPECT_NE(::GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES)
        << path << " names no file";
  }
  ASSERT_FALSE(chosen.empty());
  EXPECT_EQ(chosen.front(), folder + "a.rtf");
  ::DeleteFileW((Wide(folder) + name).c_str());  // the folder's own clean-up may not reach it
}

}  // namespace
}  // namespace corvane::gui_test
