// corvane-cli.exe on a tree of names outside any Western code page: its
// manifest's UTF-8 code page gives every name an exact form, so each file
// converts and no best-fitted name leads out of the tree.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "os/win32_handle.h"

namespace {

namespace win32 = corvane::os::win32;

std::wstring Wide(const std::string& utf8) {
  const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), size);
  wide.resize(static_cast<std::size_t>(size) - 1);
  return wide;
}

bool MakeFile(const std::wstring& path, const std::string& content) {
  const win32::KernelHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file &&
         ::WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written,
                     nullptr) &&
         written == content.size();
}

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The exit code, or -1 when it could not run or did not end in time.
int RunCli(const std::wstring& arguments) {
  const std::wstring program = Wide(CORVANE_CLI_PATH);
  std::wstring command_line = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
    return -1;
  }
  ::CloseHandle(info.hThread);
  const win32::KernelHandle process(info.hProcess);
  if (::WaitForSingleObject(process.Get(), 120000) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.Get(), 1);
    return -1;
  }
  DWORD code = 0;
  ::GetExitCodeProcess(process.Get(), &code);
  return static_cast<int>(code);
}

TEST(CliUnicodeNames, ATreeOfAnyNamesConvertsAndStaysInside) {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring root =
      std::wstring(temp) + L"corvane-names-" + std::to_wstring(::GetCurrentProcessId());
  const std::wstring tree = root + L"\\tree";
  // Inside: Cyrillic, CJK and emoji names, and a folder whose best-fit
  // form is "x\..\..\escaped", which would lead to root\escaped.
  const std::wstring trap = tree +
                            L"\\x\xFF3C..\xFF3C..\xFF3C"
                            L"escaped";
  const std::wstring folders[] = {root, tree, tree + L"\\\x041F\x0430\x043F\x043A\x0430", trap,
                                  root + L"\\escaped"};
  for (const std::wstring& folder : folders)
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring inputs[] = {
      tree +
          L"\\\x0416"
          L"doc.rtf",
      tree + L"\\\x65E5\x672C.rtf",
      tree + L"\\\xD83D\xDE00.rtf",
      tree + L"\\\x041F\x0430\x043F\x043A\x0430\\\x6587\x66F8.rtf",
      trap + L"\\inside.rtf",
  };
  const std::wstring outside = root + L"\\escaped\\outside.rtf";
  for (const std::wstring& input : inputs) ASSERT_TRUE(MakeFile(input, "{\\rtf1 hello}"));
  ASSERT_TRUE(MakeFile(outside, "{\\rtf1 outside}"));

  EXPECT_EQ(RunCli(L"\"" + tree + L"\""), 0);
  for (const std::wstring& input : inputs) {
    const std::wstring output = input.substr(0, input.size() - 3) + L"html";
    EXPECT_TRUE(Exists(output)) << "no output for input " << input.size() << " characters long";
  }
  EXPECT_FALSE(Exists(root + L"\\escaped\\outside.html")) << "the walk left the tree";

  for (const std::wstring& input : inputs) {
    ::DeleteFileW(input.c_str());
    ::DeleteFileW((input.substr(0, input.size() - 3) + L"html").c_str());
  }
  ::DeleteFileW(outside.c_str());
  for (auto folder = std::rbegin(folders); folder != std::rend(folders); ++folder) {
    ::RemoveDirectoryW(folder->c_str());
  }
}

}  // namespace
