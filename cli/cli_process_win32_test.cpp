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

std::string ReadFile(const std::wstring& path) {
  const win32::KernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string content(1 << 16, '\0');
  DWORD read = 0;
  if (!file ||
      !::ReadFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &read, nullptr)) {
    return {};
  }
  content.resize(read);
  return content;
}

// The exit code, or -1 when it could not run or did not end in time.
// Standard output goes to output_file when one is named.
int RunCli(const std::wstring& arguments, const std::wstring& output_file = {}) {
  const std::wstring program = Wide(CORVANE_CLI_PATH);
  std::wstring command_line = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  win32::KernelHandle output;
  if (!output_file.empty()) {
    output = win32::KernelHandle(::CreateFileW(output_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                               &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                               nullptr));
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output.Get();
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  }
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr,
                        output_file.empty() ? FALSE : TRUE, 0, nullptr, nullptr, &startup, &info)) {
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

// The path limit of the ANSI calls is in UTF-16 units, not in bytes: a
// file 176 characters deep in Cyrillic folders (over 300 bytes in UTF-8)
// is found and converted.
TEST(CliUnicodeNames, APathLongInBytesButNotInCharactersIsWalked) {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring root =
      std::wstring(temp) + L"corvane-long-" + std::to_wstring(::GetCurrentProcessId());
  const std::wstring name = L"\\\x0416.rtf";
  // Folders of at most 60 letters: the host's file system counts a name's
  // limit in UTF-8 bytes.
  std::vector<std::wstring> folders = {root};
  while (folders.back().size() + name.size() < 176) {
    const std::size_t left = 176 - folders.back().size() - name.size();
    // A separator and at least one letter each; none left with a separator alone.
    const std::size_t units = left <= 61 ? left : left - 61 == 1 ? 60 : 61;
    folders.push_back(folders.back() + L"\\" + std::wstring(units - 1, L'\x0414'));
  }
  const std::wstring input = folders.back() + name;
  ASSERT_EQ(input.size(), 176u);
  for (const std::wstring& made : folders) ASSERT_TRUE(::CreateDirectoryW(made.c_str(), nullptr));
  ASSERT_TRUE(MakeFile(input, "{\\rtf1 deep}"));

  EXPECT_EQ(RunCli(L"\"" + root + L"\""), 0);
  const std::wstring output = input.substr(0, input.size() - 3) + L"html";
  EXPECT_TRUE(Exists(output));

  for (const std::wstring& made : {input, output}) ::DeleteFileW(made.c_str());
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
    ::RemoveDirectoryW(folder->c_str());
  }
}

// A list, an output folder, four workers and the report, with names
// outside any Western code page on every path.
TEST(CliUnicodeNames, AListAndAnOutputFolderKeepEveryName) {
  wchar_t temp[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring root =
      std::wstring(temp) + L"corvane-outdir-" + std::to_wstring(::GetCurrentProcessId());
  const std::wstring source = root + L"\\src";
  const std::wstring folder = source + L"\\\x041F\x0430\x043F\x043A\x0430";
  for (const std::wstring& made : {root, source, folder})
    ASSERT_TRUE(::CreateDirectoryW(made.c_str(), nullptr));
  ASSERT_TRUE(MakeFile(folder + L"\\\x6587\x66F8.rtf", "{\\rtf1 deep}"));
  ASSERT_TRUE(MakeFile(source + L"\\top.rtf", "{\\rtf1 top}"));
  // The list names one file directly, in the manifest's code page, UTF-8.
  const std::string listed = "\xD0\x96.rtf";  // "Ж.rtf"
  ASSERT_TRUE(MakeFile(root + L"\\\x0416.rtf", "{\\rtf1 listed}"));
  ASSERT_TRUE(MakeFile(root + L"\\list.txt", listed + "\r\n"));

  ASSERT_TRUE(::SetCurrentDirectoryW(root.c_str()));
  const std::wstring report = root + L"\\report.jsonl";
  EXPECT_EQ(RunCli(L"--jobs 4 --report json --outdir out --files-from list.txt src", report), 0);
  const std::wstring outputs[] = {
      root + L"\\out\\src\\\x041F\x0430\x043F\x043A\x0430\\\x6587\x66F8.html",
      root + L"\\out\\src\\top.html",
      root + L"\\out\\\x0416.html",
  };
  for (const std::wstring& output : outputs) EXPECT_TRUE(Exists(output));
  const std::string lines = ReadFile(report);
  EXPECT_NE(lines.find("\"files\":3,\"converted\":3,\"failed\":0"), std::string::npos) << lines;
  EXPECT_NE(lines.find("\xE6\x96\x87\xE6\x9B\xB8.html"), std::string::npos) << "names in UTF-8";

  wchar_t outside[MAX_PATH + 1] = {};
  ::GetTempPathW(MAX_PATH, outside);
  ::SetCurrentDirectoryW(outside);
  for (const std::wstring& output : outputs) ::DeleteFileW(output.c_str());
  for (const wchar_t* name : {L"\\src\\top.rtf", L"\\\x0416.rtf", L"\\list.txt", L"\\report.jsonl"})
    ::DeleteFileW((root + name).c_str());
  ::DeleteFileW((folder + L"\\\x6587\x66F8.rtf").c_str());
  for (const wchar_t* name :
       {L"\\out\\src\\\x041F\x0430\x043F\x043A\x0430", L"\\out\\src", L"\\out"})
    ::RemoveDirectoryW((root + name).c_str());
  for (const std::wstring& made : {folder, source, root}) ::RemoveDirectoryW(made.c_str());
}

}  // namespace
