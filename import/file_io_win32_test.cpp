// Windows share modes and attributes, which only the real system enforces.
#include <windows.h>

#include "import/convert_document.h"
#include "import/file_io.h"
#include "import/import_test_support.h"
#include "os/os.h"

namespace corvane::import::testing {
namespace {

using FileIoWin32Test = TempFolderTest;

class OpenHandle {
 public:
  OpenHandle(const std::string& path, DWORD access, DWORD share)
      : handle_(CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~OpenHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  OpenHandle(const OpenHandle&) = delete;
  OpenHandle& operator=(const OpenHandle&) = delete;
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const FileError& error) {
    return error.what();
  }
  return "(no error)";
}

TEST_F(FileIoWin32Test, ASourceOpenForWritingElsewhereCannotBeOpened) {
  const std::string input = Write("held.rtf", "{\\rtf1 x}");
  OpenHandle writer(input, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(writer.ok());
  EXPECT_EQ(ErrorOf([&] { ConvertDocumentFile(input); }),
            "Cannot open file \"" + os::FullPathName(input) + "\". " +
                os::SystemErrorText(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(std::filesystem::exists(root_ / "held.html"));
}

TEST_F(FileIoWin32Test, AReadOnlyOrBusyOutputCannotBeCreated) {
  const std::string input = Write("a.rtf", "{\\rtf1 x}");
  const std::string output = Write("a.html", "old");
  ASSERT_TRUE(SetFileAttributesA(output.c_str(), FILE_ATTRIBUTE_READONLY));
  if (OpenHandle(output, GENERIC_WRITE, 0).ok()) {
    // Wine run as root maps the attribute to permissions that root ignores.
    GTEST_SKIP() << "the read-only attribute is not enforced here";
  }
  EXPECT_EQ(ErrorOf([&] { ConvertDocumentFile(input); }),
            "Cannot create file \"" + os::FullPathName(output) + "\". " +
                os::SystemErrorText(ERROR_ACCESS_DENIED));
  ASSERT_TRUE(SetFileAttributesA(output.c_str(), FILE_ATTRIBUTE_NORMAL));

  OpenHandle reader(output, GENERIC_READ, FILE_SHARE_READ);
  ASSERT_TRUE(reader.ok());
  EXPECT_EQ(ErrorOf([&] { ConvertDocumentFile(input); }),
            "Cannot create file \"" + os::FullPathName(output) + "\". " +
                os::SystemErrorText(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(Read(output), "old");
}

TEST_F(FileIoWin32Test, ReadersMayShareTheSource) {
  const std::string input = Write("shared.rtf", "{\\rtf1 x}");
  OpenHandle reader(input, GENERIC_READ, FILE_SHARE_READ);
  ASSERT_TRUE(reader.ok());
  EXPECT_TRUE(ConvertDocumentFile(input));
}

}  // namespace
}  // namespace corvane::import::testing
