// POSIX-only behaviour of the OS layer, and the POSIX facts the shared
// tests in os_test.cpp compare against.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "os/os.h"
#include "os/os_test_support.h"
#include "os/posix_child_process.h"

namespace corvane::os::testing {

const ExpectedErrors kExpectedErrors = {
    .file_not_found = ENOENT,
    .path_not_found = ENOENT,
    .access_denied = EACCES,
    .open_folder = EISDIR,
    .create_over_folder = EISDIR,
};

bool WriteProtectionApplies(const std::string& path) { return ::access(path.c_str(), W_OK) != 0; }

}  // namespace corvane::os::testing

namespace {

namespace os = corvane::os;
using os::testing::TempFolder;
using os::testing::WriteFileAt;

// The shared test of this skips where the process may write anything (root,
// as in CI); here the same refusal is checked as an unprivileged user.
TEST(OsPosixFiles, ReadOnlyFileCannotBeReplacedByAnUnprivilegedUser) {
  TempFolder temp;
  std::filesystem::permissions(temp.Path(), std::filesystem::perms::all);
  const std::string path = temp / "locked.html";
  ASSERT_TRUE(WriteFileAt(path, "keep me"));
  std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
  const int result = os::testing::RunInChild(
      [&] {
        if (::access(path.c_str(), W_OK) == 0) return 3;  // still allowed to write
        os::ErrorCode error = 0;
        if (os::File::CreateForWriting(path, error)) return 1;
        return error == EACCES ? 0 : 2;
      },
      true);
  EXPECT_EQ(result, 0) << "1: replaced, 2: another error, 3: could not drop the right to write";
  std::ifstream in(path);
  std::string content;
  std::getline(in, content);
  EXPECT_EQ(content, "keep me");
}

TEST(OsPosixFolders, LinksAreReportedWithTheKindTheyPointTo) {
  TempFolder temp;
  std::filesystem::create_directory(temp / "real");
  ASSERT_TRUE(WriteFileAt(temp / "real.txt", ""));
  std::filesystem::create_directory_symlink(temp / "real", temp / "to-folder");
  std::filesystem::create_symlink(temp / "real.txt", temp / "to-file");
  std::filesystem::create_symlink(temp / "gone", temp / "dangling");
  // A loop back to the folder itself: a walker that follows links never ends.
  std::filesystem::create_directory_symlink(temp.Path(), temp / "loop");

  struct Kind {
    bool is_folder, is_link;
  };
  std::map<std::string, Kind> seen;
  ASSERT_TRUE(os::ListFolder(temp.Path(), [&](const os::FolderEntry& entry) {
    seen[entry.name] = {entry.is_folder, entry.is_link};
    return true;
  }));
  const struct {
    const char* name;
    bool is_folder, is_link;
  } cases[] = {
      {"real", true, false},    {"real.txt", false, false}, {"to-folder", true, true},
      {"to-file", false, true}, {"dangling", false, true},  {"loop", true, true},
  };
  EXPECT_EQ(seen.size(), std::size(cases));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(seen.count(c.name), 1u);
    EXPECT_EQ(seen[c.name].is_folder, c.is_folder);
    EXPECT_EQ(seen[c.name].is_link, c.is_link);
  }
}

TEST(OsPosixFiles, SpecialFilesAreRefusedWithoutWaiting) {
  TempFolder temp;
  const std::string fifo = temp / "pipe.rtf";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << errno;
  os::ErrorCode error = 0;
  // Opening a FIFO for reading would wait for a writer that never comes.
  EXPECT_FALSE(os::File::OpenForReading(fifo, error));
  EXPECT_EQ(error, static_cast<os::ErrorCode>(EINVAL));
}

// The way in for writing an output where it stands: what the open file is
// decides, not what the name was when looked at earlier.
TEST(OsPosixFiles, RewritingInPlaceOpensOnlyARegularFileAndNotThroughALink) {
  TempFolder temp;
  const std::string target = temp / "target.html";
  ASSERT_TRUE(WriteFileAt(target, "keep me"));
  ASSERT_EQ(::mkfifo((temp / "pipe.html").c_str(), 0600), 0) << errno;
  std::filesystem::create_symlink(target, temp / "link.html");
  std::filesystem::create_directory(temp / "folder.html");
  const struct {
    const char* name;
    os::ErrorCode error;  // 0: opened
  } cases[] = {
      {"target.html", 0},      {"link.html", ELOOP},
      {"pipe.html", EINVAL},  // refused at once, not waited on
      {"folder.html", EISDIR}, {"missing.html", ENOENT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    os::ErrorCode error = 0;
    os::File file = os::File::OpenExistingToRewrite(temp / c.name, error);
    EXPECT_EQ(static_cast<bool>(file), c.error == 0);
    EXPECT_EQ(error, c.error);
  }
  EXPECT_EQ(os::testing::ContentOf(target), "keep me");  // opening alone truncates nothing

  std::filesystem::create_hard_link(target, temp / "hard.html");
  os::ErrorCode error = 0;
  os::File file = os::File::OpenExistingToRewrite(target, error);
  ASSERT_TRUE(file);
  EXPECT_TRUE(file.IsSameFileAs(temp / "hard.html"));
  EXPECT_FALSE(file.IsSameFileAs(temp / "pipe.html"));
  ASSERT_TRUE(file.Truncate(error));
  ASSERT_TRUE(file.WriteAll("new", error));
  EXPECT_EQ(os::testing::ContentOf(target), "new");
}

}  // namespace
