#include "batch/collect_files.h"

#include "batch/job_test_support.h"
#include "batch/queued_entry.h"

namespace corvane::batch::testing {
namespace {

using CollectFilesTest = JobTest;

TEST_F(CollectFilesTest, QueuesSubfoldersAndMatchingFilesOnly) {
  const std::string folder = MakeFolder("top");
  MakeFile("top/a.doc");
  MakeFile("top/b.txt");
  MakeFolder("top/sub");
  MakeFile("top/sub/inner.rtf");
  CollectFiles(folder, params_.FileMasks);
  EXPECT_EQ(ReadProgress().total, 2);  // a.doc and sub; b.txt is not queued

  StartConversionJob((root_ / "none.rtf").string(), &params_);  // runs what is queued
  EXPECT_EQ(WaitForClose(), 4 + 1);  // none.rtf, a.doc, sub, sub/inner.rtf, and the close
  std::vector<std::string> converted = Converted();
  std::sort(converted.begin(), converted.end());
  const std::string separator(1, os::kPathSeparator);
  EXPECT_EQ(converted,
            (std::vector<std::string>{folder + separator + "a.doc",
                                      folder + separator + "sub" + separator + "inner.rtf"}));
}

TEST_F(CollectFilesTest, EmptyOrMissingFolderQueuesNothing) {
  CollectFiles(MakeFolder("empty"), params_.FileMasks);
  CollectFiles((root_ / "missing").string(), params_.FileMasks);
  EXPECT_EQ(ReadProgress().total, 0);
}

TEST_F(CollectFilesTest, HiddenFilesAreListedLikeAnyOther) {
  const std::string folder = MakeFolder("h");
  MakeFile("h/.hidden.rtf");  // hidden by name on POSIX
  CollectFiles(folder, params_.FileMasks);
  EXPECT_EQ(ReadProgress().total, 1);
}

TEST_F(CollectFilesTest, AStopEndsTheListingAfterTheEntryAtHand) {
  const std::string folder = MakeFolder("many");
  for (int i = 0; i < 50; ++i) MakeFile("many/f" + std::to_string(i) + ".rtf");
  SetJobState(jsStopping);
  CollectFiles(folder, params_.FileMasks);
  EXPECT_EQ(ReadProgress().total, 1);
  SetJobState(jsIdle);
}

TEST_F(CollectFilesTest, FolderLinksAreNotFollowed) {
  const std::string folder = MakeFolder("loop");
  MakeFile("loop/doc.rtf");
  std::error_code error;
  std::filesystem::create_directory_symlink(root_, root_ / "loop" / "back", error);
  if (error) GTEST_SKIP() << "cannot create a folder link here: " << error.message();
  StartConversionJob(folder, &params_);
  WaitForClose();
  EXPECT_EQ(Converted().size(), 1u);
}

TEST_F(CollectFilesTest, AHundredThousandFileFolderQueuesAndDrains) {
#ifdef _WIN32
  // Wine creates files in one folder in quadratic time (100k would take
  // about an hour), so the Windows build lists a smaller folder.
  constexpr int kFiles = 2000;
#else
  constexpr int kFiles = 100000;
#endif
  const auto make_folder = [&](const std::string& name, int files) {
    const std::string folder = MakeFolder(name);
    for (int i = 0; i < files; ++i) {
      std::ofstream(root_ / name / ("f" + std::to_string(i) + ".rtf"));
    }
    return folder;
  };
  // Work is counted in entries moved: a folder of ten times the files costs
  // about ten times as many when queueing is linear, about a hundred times
  // when the queue shifts or copies itself on every insert or take.
  const auto list_and_drain = [&](int files) {
    const std::string folder = make_folder("f" + std::to_string(files), files);
    const std::int64_t before = QueuedEntryTransfers();
    StartConversionJob(folder, &params_);
    EXPECT_EQ(WaitForClose(), 1 + files + 1);
    return QueuedEntryTransfers() - before;
  };
  const std::int64_t small = list_and_drain(kFiles / 100);
  const std::int64_t large = list_and_drain(kFiles / 10);
  ASSERT_GE(small, kFiles / 100);
  ASSERT_LT(large, 20 * small) << "entries moved for " << kFiles / 100 << " files: " << small
                               << ", for " << kFiles / 10 << ": " << large;

  {
    std::lock_guard<std::mutex> lock(log_.mutex);
    log_.converted.clear();
  }
  SetJobState(jsIdle);  // a listing outside a job stops while one is closed

  const std::string folder = make_folder("big", kFiles);
  CollectFiles(folder, params_.FileMasks);
  EXPECT_EQ(ReadProgress().total, kFiles);
  StartConversionJob(folder, &params_);
  // The queued files, the folder listed again, and its files once more.
  EXPECT_EQ(WaitForClose(), kFiles + 1 + kFiles + 1);
  EXPECT_EQ(static_cast<int>(Converted().size()), 2 * kFiles);
}

}  // namespace
}  // namespace corvane::batch::testing
