#include <signal.h>
#include <sys/resource.h>

#include "import/convert_document.h"
#include "import/file_io.h"
#include "import/import_test_support.h"

namespace corvane::import::testing {
namespace {

using FileIoPosixTest = TempFolderTest;

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

TEST_F(FileIoPosixTest, AShortWriteFailsAndLeavesNoPartialOutput) {
  const std::string input = Write("big.rtf", "{\\rtf1 " + std::string(10000, 'x') + "}");
  {
    FileSizeLimit limit(1000);
    try {
      ConvertDocumentFile(input);
      ADD_FAILURE() << "no error raised";
    } catch (const FileError& error) {
      EXPECT_EQ(std::string(error.what()).rfind("Cannot write file \"", 0), 0u) << error.what();
    }
  }
  EXPECT_FALSE(std::filesystem::exists(root_ / "big.html"));
}

}  // namespace
}  // namespace corvane::import::testing
