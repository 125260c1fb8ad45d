#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <functional>
#include <vector>

#include "engine/rtf2html.h"
#include "import/convert_document.h"
#include "import/file_io.h"
#include "import/import_test_support.h"
#include "os/os.h"
#include "os/posix_child_process.h"

namespace corvane::import::testing {
namespace {

using os::testing::RunInChild;
using FileIoPosixTest = TempFolderTest;
namespace fs = std::filesystem;

constexpr const char* kRtf = "{\\rtf1 Hello}";

// Lowers this process's file size limit for one scope, so writes come up short.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    old_handler_ = signal(SIGXFSZ, SIG_IGN);  // a short write instead of a signal
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit saved_{};
  sighandler_t old_handler_;
};

// Names in the folder other than the given ones: temporary files left over.
std::vector<std::string> OtherNames(const fs::path& folder,
                                    std::initializer_list<std::string> known) {
  std::vector<std::string> others;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (std::find(known.begin(), known.end(), name) == known.end()) others.push_back(name);
  }
  return others;
}

std::string CreateErrorPrefix(const std::string& path) {
  return "Cannot create file \"" + os::FullPathName(path) + "\". ";
}

TEST_F(FileIoPosixTest, AShortWriteFailsAndKeepsThePreviousOutput) {
  const std::string input = Write("big.rtf", "{\\rtf1 " + std::string(10000, 'x') + "}");
  for (const bool previous : {false, true}) {
    SCOPED_TRACE(previous ? "with a previous output" : "without one");
    if (previous) Write("big.html", "previous");
    {
      FileSizeLimit limit(1000);
      try {
        ConvertDocumentFile(input);
        ADD_FAILURE() << "no error raised";
      } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("Cannot write file \"", 0), 0u) << error.what();
      }
    }
    EXPECT_EQ(fs::exists(root_ / "big.html"), previous);
    if (previous) {
      EXPECT_EQ(Read(PathOf("big.html")), "previous");
    }
    EXPECT_EQ(OtherNames(root_, {"big.rtf", "big.html"}), std::vector<std::string>{});
  }
}

// Names at the output's place that must never be written through or over.
TEST_F(FileIoPosixTest, HostileOutputNamesFailAndLeaveEverythingAsItWas) {
  struct Case {
    const char* name;
    std::function<void(const fs::path& input, const fs::path& output, const fs::path& outside)>
        make;
  };
  const Case cases[] = {
      {"a link to a file outside",
       [](const fs::path&, const fs::path& output, const fs::path& outside) {
         fs::create_symlink(outside, output);
       }},
      {"a dangling link",
       [](const fs::path&, const fs::path& output, const fs::path& outside) {
         fs::create_symlink(outside.string() + ".none", output);
       }},
      {"a link to the input", [](const fs::path& input, const fs::path& output,
                                 const fs::path&) { fs::create_symlink(input, output); }},
      {"a hard link to the input", [](const fs::path& input, const fs::path& output,
                                      const fs::path&) { fs::create_hard_link(input, output); }},
      {"a FIFO", [](const fs::path&, const fs::path& output,
                    const fs::path&) { ASSERT_EQ(::mkfifo(output.c_str(), 0644), 0); }},
      {"a folder", [](const fs::path&, const fs::path& output,
                      const fs::path&) { fs::create_directory(output); }},
  };
  int number = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = root_ / std::to_string(number++);
    fs::create_directory(folder);
    const fs::path input = folder / "doc.rtf";
    const fs::path output = folder / "doc.html";
    const fs::path outside = root_ / ("outside" + std::to_string(number) + ".txt");
    std::ofstream(input, std::ios::binary) << kRtf;
    std::ofstream(outside, std::ios::binary) << "keep me";
    c.make(input, output, outside);
    const fs::file_status before = fs::symlink_status(output);
    // In a child, so that a blocking open cannot hang the test.
    const int result = RunInChild(
        [&] {
          try {
            ConvertDocumentFile(input.string());
            return 1;
          } catch (const FileError& error) {
            return std::string(error.what()).rfind(CreateErrorPrefix(output.string()), 0) == 0 ? 0
                                                                                               : 2;
          }
        },
        false, std::chrono::seconds(10));
    EXPECT_EQ(result, 0) << "1: no error, 2: another error, -1: hung";
    EXPECT_EQ(Read(input.string()), kRtf);
    EXPECT_EQ(Read(outside.string()), "keep me");
    EXPECT_EQ(fs::symlink_status(output).type(), before.type());
    EXPECT_EQ(OtherNames(folder, {"doc.rtf", "doc.html"}), std::vector<std::string>{});
  }
}

TEST_F(FileIoPosixTest, AnInputThatIsNoRegularFileFailsAtOnceWhateverItsRow) {
  // A FIFO would block the worker for good, the zero device would be read
  // until memory runs out: each is one failure, with nothing written.
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> make;
  };
  const Case cases[] = {
      {"pipe.docx", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }},
      {"pipe.doc", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }},
      {"pipe.rtf", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }},
      {"zero.docx", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }},
      {"zero.doc", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path input = root_ / c.name;
    c.make(input);
    EXPECT_THROW(ConvertDocument(input.string()), FileError);
    EXPECT_FALSE(fs::exists(fs::path(input).replace_extension(".html")));
  }
}

TEST_F(FileIoPosixTest, TheOutputTakesTheSourcesReadWriteBitsLessTheUmask) {
  struct Case {
    fs::perms source;
    mode_t umask;
    fs::perms expected;
  };
  using P = fs::perms;
  const Case cases[] = {
      {P::owner_read | P::owner_write, 022, P::owner_read | P::owner_write},
      {P::owner_read | P::owner_write | P::group_read | P::others_read, 022,
       P::owner_read | P::owner_write | P::group_read | P::others_read},
      {P::owner_all | P::group_all | P::others_all, 022,
       P::owner_read | P::owner_write | P::group_read | P::others_read},
      {P::owner_read | P::group_read | P::group_write | P::others_read | P::others_write, 077,
       P::owner_read},
  };
  for (const Case& c : cases) {
    const std::string input = Write("private.rtf", kRtf);
    fs::permissions(input, c.source);
    const mode_t saved = ::umask(c.umask);
    const bool converted = ConvertDocumentFile(input);
    ::umask(saved);
    ASSERT_TRUE(converted);
    EXPECT_EQ(fs::status(root_ / "private.html").permissions(), c.expected)
        << "source " << static_cast<int>(c.source) << " umask " << c.umask;
    fs::remove(root_ / "private.html");
    fs::remove(input);
  }
}

TEST_F(FileIoPosixTest, AReadOnlyOutputIsRefusedForAUserWhoCannotWriteIt) {
  fs::permissions(root_, fs::perms::all);  // the unprivileged child creates files here
  const std::string input = Write("a.rtf", kRtf);
  const std::string output = Write("a.html", "previous");
  fs::permissions(input, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::permissions(output, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const int result = RunInChild(
      [&] {
        if (::access(output.c_str(), W_OK) == 0) return 3;  // could not drop the right to write
        try {
          ConvertDocumentFile(input);
          return 1;
        } catch (const FileError& error) {
          return std::string(error.what()) ==
                         CreateErrorPrefix(output) + os::SystemErrorText(EACCES)
                     ? 0
                     : 2;
        }
      },
      true);
  EXPECT_EQ(result, 0) << "1: no error, 2: another error, 3: still writable";
  EXPECT_EQ(Read(output), "previous");
}

// A folder that takes no new file still lets its existing, writable output
// be replaced, as a truncating create would; a missing output there is
// the create error it always was.
TEST_F(FileIoPosixTest, AFolderThatTakesNoNewFileStillHasItsOutputReplaced) {
  fs::permissions(root_, fs::perms::all);  // the unprivileged child reaches it
  const fs::path folder = root_ / "closed";
  fs::create_directory(folder);
  const std::string replaced_input = (folder / "kept.rtf").string();
  const std::string replaced_output = (folder / "kept.html").string();
  const std::string missing_input = (folder / "new.rtf").string();
  std::ofstream(replaced_input, std::ios::binary) << kRtf;
  std::ofstream(replaced_output, std::ios::binary) << std::string(200, 'x');
  std::ofstream(missing_input, std::ios::binary) << kRtf;
  fs::permissions(replaced_output, fs::perms::all);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read |
                              fs::perms::others_exec);
  const int result = RunInChild(
      [&] {
        if (::access(folder.c_str(), W_OK) == 0) return 3;  // could not drop the right to write
        try {
          if (!ConvertDocumentFile(replaced_input)) return 1;
        } catch (const FileError&) {
          return 1;
        }
        try {
          ConvertDocumentFile(missing_input);
          return 2;
        } catch (const FileError& error) {
          const std::string expected =
              CreateErrorPrefix((folder / "new.html").string()) + os::SystemErrorText(EACCES);
          return error.what() == expected ? 0 : 2;
        }
      },
      true);
  EXPECT_EQ(result, 0) << "1: the output was not replaced, 2: the missing one went wrong, "
                          "3: still allowed to write the folder";
  fs::permissions(folder, fs::perms::all);
  EXPECT_EQ(Read(replaced_output), RenderRtfAsHtml(kRtf));
  EXPECT_EQ(OtherNames(folder, {"kept.rtf", "kept.html", "new.rtf"}), std::vector<std::string>{});
}

// An output path just under the system's limit is written although a
// temporary name beside it would be over the limit.
TEST_F(FileIoPosixTest, AnOutputNearThePathLimitIsWrittenWhereItsTemporaryCannotBe) {
  struct Case {
    std::size_t output_length;
    bool previous;  // an output to replace is there already
  };
  const Case cases[] = {{PATH_MAX - 1, false}, {PATH_MAX - 1, true}, {PATH_MAX - 12, false}};
  int number = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.output_length) + (c.previous ? " replacing" : " new"));
    // Folders of at most 200 bytes each, down to the length that leaves
    // room for "/a.html" exactly.
    fs::path folder = root_ / std::to_string(number++);
    const std::size_t folder_length = c.output_length - std::string("/a.html").size();
    while (folder.string().size() < folder_length) {
      const std::size_t left = folder_length - folder.string().size() - 1;
      folder /= std::string(std::min<std::size_t>(left, 200), 'd');
    }
    ASSERT_EQ(folder.string().size(), folder_length);
    fs::create_directories(folder);
    const std::string input = (folder / "a.rtf").string();
    const std::string output = (folder / "a.html").string();
    ASSERT_EQ(output.size(), c.output_length);
    std::ofstream(input, std::ios::binary) << kRtf;
    if (c.previous) std::ofstream(output, std::ios::binary) << std::string(200, 'x');
    EXPECT_TRUE(ConvertDocumentFile(input));
    EXPECT_EQ(Read(output), RenderRtfAsHtml(kRtf));
    EXPECT_EQ(OtherNames(folder, {"a.rtf", "a.html"}), std::vector<std::string>{});
  }
}

// The leftover of a real writer that has ended goes; that of a live
// process (ours is the parent) stays.
TEST_F(FileIoPosixTest, ALeftoverTemporaryGoesOnlyWhenItsWriterHasEnded) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  const std::string ended = Write(".~corvane-" + std::to_string(child) + "-0.tmp", "partial");
  const std::string live = Write(".~corvane-" + std::to_string(::getppid()) + "-0.tmp", "partial");
  EXPECT_TRUE(ConvertDocumentFile(Write("a.rtf", kRtf)));
  EXPECT_FALSE(fs::exists(ended));
  EXPECT_TRUE(fs::exists(live));
}

// A writer killed at any point leaves the previous output or the new one,
// never a part of one.
TEST_F(FileIoPosixTest, AWriterKilledMidWayLeavesACompleteOutput) {
  const std::string output = PathOf("out.html");
  const std::string first(4 << 20, 'a');
  const std::string second(4 << 20, 'b');
  WriteTextFile(output, first);
  for (int round = 0; round < 5; ++round) {
    const int result = RunInChild(
        [&] {
          for (;;) {
            WriteTextFile(output, second);
            WriteTextFile(output, first);
          }
          return 0;
        },
        false, std::chrono::milliseconds(50 + 40 * round));
    EXPECT_EQ(result, os::testing::kChildTimedOut);
    const std::string now = Read(output);
    EXPECT_TRUE(now == first || now == second) << "size " << now.size();
  }
}

}  // namespace
}  // namespace corvane::import::testing
