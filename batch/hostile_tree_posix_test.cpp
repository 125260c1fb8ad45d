// Trees a hostile user can make on POSIX systems: names holding line feeds,
// folders that cannot be listed or examined, paths too long, and folders
// swapped for links while the job runs.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "batch/collect_files.h"
#include "batch/job_test_support.h"
#include "os/posix_child_process.h"

namespace corvane::batch::testing {
namespace {

namespace fs = std::filesystem;
using HostileTreeTest = JobTest;

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(HostileTreeTest, LineFeedsInNamesNeverSplitAnEntry) {
  // "a\nsecret.rtf" once became the entries ".../a" and "secret.rtf", the
  // latter a file of the current folder; "x\n.." made the walk endless.
  const std::string walk = MakeFolder("walk");
  const std::string split_name = MakeFile("walk/a\nsecret.rtf");
  const std::string inner = MakeFile("walk/x\n../inner.rtf");
  const std::string dropped = MakeFile("dropped\nname.rtf");
  StartConversionJob(std::vector<std::string>{walk, dropped}, &params_);
  WaitForClose();
  EXPECT_EQ(Sorted(Converted()), Sorted({split_name, inner, dropped}));
  EXPECT_EQ(ReadProgress().last_failures, 0);
}

TEST_F(HostileTreeTest, AFolderSwappedForALinkAfterItsListingIsNotDescended) {
  const std::string top = MakeFolder("top");
  const std::string kept = MakeFile("top/kept.rtf");
  MakeFile("top/sub/inner.rtf");
  MakeFile("outside/secret.rtf");
  CollectFiles(top, params_.FileMasks);  // queues kept.rtf and sub, runs nothing
  fs::remove_all(root_ / "top" / "sub");
  fs::create_directory_symlink(root_ / "outside", root_ / "top" / "sub");
  StartConversionJob((root_ / "none.rtf").string(), &params_);
  WaitForClose();
  EXPECT_EQ(Converted(), std::vector<std::string>{kept});
  EXPECT_EQ(ReadProgress().last_failures, 0);  // a link is passed over, as in a listing
}

TEST_F(HostileTreeTest, APathBeyondTheSystemsLimitIsAFailureNotASilentSkip) {
  // Built with relative calls, as no absolute name can reach the bottom.
  const std::string deep = MakeFolder("deep");
  const std::string part(200, 'd');
  int fd = ::open(deep.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  std::size_t length = deep.size();
  while (length < PATH_MAX + 400) {
    ASSERT_EQ(::mkdirat(fd, part.c_str(), 0755), 0);
    const int next = ::openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(fd);
    ASSERT_GE(next, 0);
    fd = next;
    length += part.size() + 1;
  }
  const int file = ::openat(fd, "bottom.rtf", O_WRONLY | O_CREAT, 0644);
  ::close(file);
  ::close(fd);
  StartConversionJob(std::vector<std::string>{deep}, &params_);
  WaitForClose();
  EXPECT_GE(ReadProgress().last_failures, 1);
  const std::vector<std::string> reports = ReportedFailures();
  ASSERT_FALSE(reports.empty());
  EXPECT_NE(reports.front().find(os::SystemErrorText(ENAMETOOLONG)), std::string::npos)
      << reports.front();
  // remove_all cannot take it apart by absolute names either.
  ASSERT_EQ(std::system(("rm -rf '" + deep + "'").c_str()), 0);
}

// As a user without rights on them (the tests may run as root, who has all).
TEST_F(HostileTreeTest, FoldersThatCannotBeListedOrExaminedAreCountedFailures) {
  const std::string tree = MakeFolder("tree");
  const std::string fine = MakeFile("tree/fine.rtf");
  const std::string locked = MakeFolder("tree/locked");
  MakeFile("tree/locked/hidden.rtf");
  const std::string unsearchable = MakeFolder("tree/unsearchable");
  MakeFile("tree/unsearchable/inside.rtf");
  MakeFile("tree/unsearchable/notes.txt");  // matches no mask: no failure for it
  fs::permissions(locked, fs::perms::none);
  fs::permissions(unsearchable,
                  fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const std::string unsearchable_file = unsearchable + "/inside.rtf";
  const int result = os::testing::RunInChild(
      [&] {
        if (::access(locked.c_str(), R_OK) == 0) return 3;  // the rights did not go
        StartConversionJob(std::vector<std::string>{tree, unsearchable_file}, &params_);
        WaitForClose();
        if (Converted() != std::vector<std::string>{fine}) return 4;
        const std::vector<std::string> reports = Sorted(ReportedFailures());
        const std::string denied = os::SystemErrorText(EACCES);
        const std::vector<std::string> expected = Sorted({
            locked + ": cannot list the folder: " + denied,
            unsearchable_file + ": cannot examine it: " + denied,  // from the listing
            unsearchable_file + ": cannot examine it: " + denied,  // named directly
        });
        if (reports != expected) return 5;
        return ReadProgress().last_failures == 3 ? 0 : 6;
      },
      true, std::chrono::seconds(60));
  fs::permissions(locked, fs::perms::owner_all);
  fs::permissions(unsearchable, fs::perms::owner_all);
  EXPECT_EQ(result, 0) << "3: rights kept, 4: wrong conversions, 5: wrong reports, 6: wrong count";
}

}  // namespace
}  // namespace corvane::batch::testing
