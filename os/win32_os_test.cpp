// Windows-only behaviour of the OS layer (share modes, attributes, links,
// the ANSI code page, window messages), and the Windows facts the shared
// tests in os_test.cpp compare against.
#include <windows.h>
#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <string>
#include <utility>

#include "os/os.h"
#include "os/os_test_support.h"
#include "os/win32_handle.h"

namespace corvane::os::testing {

const ExpectedErrors kExpectedErrors = {
    .file_not_found = ERROR_FILE_NOT_FOUND,
    .path_not_found = ERROR_PATH_NOT_FOUND,
    .access_denied = ERROR_ACCESS_DENIED,
    .open_folder = ERROR_ACCESS_DENIED,
    .create_over_folder = ERROR_ACCESS_DENIED,
};

// Windows refuses every process write access to a read-only file; Wine
// keeps the attribute as Unix permissions, which root passes.
bool WriteProtectionApplies(const std::string& path) {
  const win32::KernelHandle probe(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return !probe;
}

}  // namespace corvane::os::testing

namespace {

namespace os = corvane::os;
namespace win32 = corvane::os::win32;
using os::testing::ContentOf;
using os::testing::TempFolder;
using os::testing::WriteFileAt;

// A handle another program might hold on the file.
win32::KernelHandle OpenElsewhere(const std::string& path, DWORD access, DWORD share) {
  return win32::KernelHandle(::CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

struct SharingCase {
  const char* name;
  DWORD other_access;  // what the other handle asked for, with full sharing
  bool create;         // CreateForWriting, else OpenForReading
  bool granted;
};

TEST(OsWin32Sharing, WhatOthersHoldDecidesOurOpen) {
  const SharingCase cases[] = {
      {"reading beside another reader", GENERIC_READ, false, true},
      {"reading is refused while someone writes", GENERIC_WRITE, false, false},
      {"replacing is refused while someone reads", GENERIC_READ, true, false},
      {"replacing is refused while someone writes", GENERIC_WRITE, true, false},
  };
  TempFolder temp;
  const std::string path = temp / "shared.rtf";
  for (const SharingCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteFileAt(path, "content"));
    const win32::KernelHandle other = OpenElsewhere(path, c.other_access, kShareAll);
    ASSERT_TRUE(other) << ::GetLastError();
    os::ErrorCode error = 0;
    const os::File ours =
        c.create ? os::File::CreateForWriting(path, error) : os::File::OpenForReading(path, error);
    EXPECT_EQ(static_cast<bool>(ours), c.granted);
    EXPECT_EQ(error, c.granted ? 0u : static_cast<os::ErrorCode>(ERROR_SHARING_VIOLATION));
  }
  EXPECT_EQ(ContentOf(path), "content");  // no refused create truncated it
}

TEST(OsWin32Sharing, OurOpenFilesKeepOthersOut) {
  const struct {
    const char* name;
    bool create;
    DWORD other_access;
    bool granted;
  } cases[] = {
      {"a reader admits readers", false, GENERIC_READ, true},
      {"a reader refuses writers", false, GENERIC_WRITE, false},
      {"a new file admits no reader", true, GENERIC_READ, false},
      {"a new file admits no writer", true, GENERIC_WRITE, false},
  };
  TempFolder temp;
  const std::string path = temp / "ours.rtf";
  ASSERT_TRUE(WriteFileAt(path, "content"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    os::ErrorCode error = 0;
    const os::File ours =
        c.create ? os::File::CreateForWriting(path, error) : os::File::OpenForReading(path, error);
    ASSERT_TRUE(ours) << error;
    const win32::KernelHandle other = OpenElsewhere(path, c.other_access, kShareAll);
    const DWORD other_error = ::GetLastError();
    EXPECT_EQ(static_cast<bool>(other), c.granted);
    if (!c.granted) {
      EXPECT_EQ(other_error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
  }
}

// Sharing makes an open handle visible: a file we still hold cannot be read.
bool HeldByUs(const std::string& path) {
  os::ErrorCode error = 0;
  return !os::File::OpenForReading(path, error) && error == ERROR_SHARING_VIOLATION;
}

TEST(OsWin32Sharing, FilesCloseWhenTheirOwnerLetsGo) {
  TempFolder temp;
  const std::string first_path = temp / "first.txt";
  const std::string second_path = temp / "second.txt";
  os::ErrorCode error = 0;
  {
    os::File first = os::File::CreateForWriting(first_path, error);
    os::File second = os::File::CreateForWriting(second_path, error);
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(HeldByUs(first_path));
    first = std::move(second);  // closes what `first` held
    EXPECT_FALSE(HeldByUs(first_path));
    EXPECT_TRUE(HeldByUs(second_path));
  }
  EXPECT_FALSE(HeldByUs(second_path));
  // A read to the end closes nothing early, and a failed open holds nothing.
  EXPECT_EQ(ContentOf(first_path), "");
  EXPECT_FALSE(HeldByUs(first_path));
}

// ---- Attributes and links ------------------------------------------------------

TEST(OsWin32Folders, AttributesNeitherHideEntriesNorChangeTheirKind) {
  TempFolder temp;
  const std::string hidden = temp / "hidden.doc";
  const std::string system = temp / "system.rtf";
  const std::string marked = temp / "marked folder";
  ASSERT_TRUE(WriteFileAt(hidden, ""));
  ASSERT_TRUE(WriteFileAt(system, ""));
  ASSERT_TRUE(::CreateDirectoryA(marked.c_str(), nullptr));
  ASSERT_TRUE(::SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(::SetFileAttributesA(system.c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_TRUE(::SetFileAttributesA(
      marked.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));

  std::map<std::string, bool> is_folder;
  ASSERT_TRUE(os::ListFolder(temp.Path(), [&](const os::FolderEntry& entry) {
    is_folder[entry.name] = entry.is_folder;
    EXPECT_FALSE(entry.is_link) << entry.name;
    return true;
  }));
  const std::map<std::string, bool> expected = {
      {"hidden.doc", false}, {"system.rtf", false}, {"marked folder", true}};
  EXPECT_EQ(is_folder, expected);
  EXPECT_EQ(os::GetPathKind(marked), os::PathKind::kFolder);
  EXPECT_EQ(os::GetPathKind(hidden), os::PathKind::kFile);
  ::SetFileAttributesA(marked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(OsWin32Folders, DirectoryLinksAreReported) {
  TempFolder temp;
  const std::string target = temp / "real";
  const std::string link = temp / "link";
  ASSERT_TRUE(::CreateDirectoryA(target.c_str(), nullptr));
  // Windows needs a privilege or developer mode for this; Wine 8 answers
  // TRUE and makes nothing.
  const bool made =
      ::CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
  const DWORD code = ::GetLastError();
  const DWORD attributes = ::GetFileAttributesA(link.c_str());
  if (!made || attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    GTEST_SKIP() << "no directory link could be made here (error " << code << ")";
  }
  std::map<std::string, std::pair<bool, bool>> seen;
  ASSERT_TRUE(os::ListFolder(temp.Path(), [&](const os::FolderEntry& entry) {
    seen[entry.name] = {entry.is_folder, entry.is_link};
    return true;
  }));
  const std::map<std::string, std::pair<bool, bool>> expected = {{"real", {true, false}},
                                                                 {"link", {true, true}}};
  EXPECT_EQ(seen, expected);
}

// ---- The ANSI code page -----------------------------------------------------------

bool WesternCodePage() { return ::GetACP() == 1252; }

TEST(OsWin32Text, LowerCaseAnsiFoldsWesternLetters) {
  if (!WesternCodePage()) GTEST_SKIP() << "the ANSI code page is " << ::GetACP() << ", not 1252";
  const struct {
    const char* name;
    std::string text, lowered;
  } cases[] = {
      {"E acute", "\xC9", "\xE9"},
      {"a name with accents", "R\xC9SUM\xC9.DOC", "r\xE9sum\xE9.doc"},
      {"thorn and A ring", "\xDE\xC5", "\xFE\xE5"},
      {"multiplication sign is no letter", "\xD7", "\xD7"},
      {"lower case stays", "\xE9\xFF", "\xE9\xFF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text = c.text;
    os::LowerCaseAnsi(text);
    EXPECT_EQ(text, c.lowered);
  }
}

TEST(OsWin32Text, AnsiNamesRoundTripThroughTheFileSystem) {
  if (!WesternCodePage()) GTEST_SKIP() << "the ANSI code page is " << ::GetACP() << ", not 1252";
  TempFolder temp;
  const std::string name = "caf\xE9 \xC0 la cr\xE8me.rtf";
  ASSERT_TRUE(WriteFileAt(temp / name, "bytes"));
  std::string listed;
  ASSERT_TRUE(os::ListFolder(temp.Path(), [&](const os::FolderEntry& entry) {
    listed = entry.name;
    return true;
  }));
  EXPECT_EQ(listed, name);
  EXPECT_EQ(ContentOf(temp / listed), "bytes");
  EXPECT_EQ(os::FullPathName(temp / name), temp / name);
}

// ---- Window messages ----------------------------------------------------------------

constexpr unsigned kMessage = WM_USER + 10;

TEST(OsWin32Progress, OnlyTheProgressMessageIsCounted) {
  os::NotificationListener listener(kMessage);
  ASSERT_TRUE(::PostMessageA(listener.Handle(), kMessage + 1, 0, 0));
  ASSERT_TRUE(::PostMessageA(listener.Handle(), WM_NULL, 0, 0));
  EXPECT_EQ(listener.Wait(20), 0);
  ASSERT_TRUE(os::PostNotification(listener.Handle(), kMessage));
  EXPECT_EQ(listener.Wait(60000), 1);
}

TEST(OsWin32Progress, PostingToAGoneWindowFails) {
  os::WindowHandle gone = nullptr;
  {
    const os::NotificationListener listener(kMessage);
    gone = listener.Handle();
    ASSERT_TRUE(::IsWindow(gone));
  }
  EXPECT_FALSE(::IsWindow(gone));
  EXPECT_FALSE(os::PostNotification(gone, kMessage));
}

}  // namespace

namespace {

// Names a Western ANSI code page cannot spell, and one whose best-fit form
// holds path separators. Made with the wide calls.
struct WideName {
  const wchar_t* name;
  bool folder;
};
constexpr WideName kHostileNames[] = {
    {L"\x0416"
     L"doc.rtf",
     false},                       // Cyrillic
    {L"\x65E5\x672C.rtf", false},  // CJK
    {L"\xD83D\xDE00.rtf", false},  // an emoji, a surrogate pair
    {L"x\xFF3C..\xFF3C..\xFF3C"
     L"escaped",
     true},  // fullwidth reverse solidus
    {L"plain.rtf", false},
};

std::wstring Wide(const std::string& ansi) {
  const int size = ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, wide.data(), size);
  wide.resize(static_cast<std::size_t>(size) - 1);
  return wide;
}

TEST(OsWin32Names, AListingNeverBestFitsANameIntoAnother) {
  // This test program declares no code page: the system's ANSI one is in
  // force, as on a Windows that ignores the programs' manifest entry.
  if (::GetACP() == CP_UTF8) GTEST_SKIP() << "the ANSI code page is UTF-8 here";
  TempFolder temp;
  const std::wstring folder = Wide(temp.Path()) + L"\\";
  for (const WideName& entry : kHostileNames) {
    const std::wstring path = folder + entry.name;
    if (entry.folder) {
      ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr));
    } else {
      const win32::KernelHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                   CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
      ASSERT_TRUE(file);
    }
  }
  int listed = 0;
  os::ErrorCode error = 0;
  ASSERT_TRUE(os::ListFolder(
      temp.Path(),
      [&](const os::FolderEntry& entry) {
        ++listed;
        SCOPED_TRACE(entry.name);
        if (entry.examine_error != 0) {
          // No exact name and no short one: a failure the walker counts.
          EXPECT_EQ(entry.examine_error, static_cast<os::ErrorCode>(ERROR_NO_UNICODE_TRANSLATION));
          return true;
        }
        // The exact name or the short one: it names the entry itself,
        // inside the folder, and holds no separator.
        EXPECT_EQ(entry.name.find_first_of("\\/?"), std::string::npos);
        const DWORD attributes = ::GetFileAttributesA((temp / entry.name).c_str());
        EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0, entry.is_folder);
        return true;
      },
      error));
  EXPECT_EQ(listed, static_cast<int>(std::size(kHostileNames)));  // none passed over in silence
}

}  // namespace
