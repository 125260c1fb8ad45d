// Windows share modes and attributes, which only the real system enforces.
#include <windows.h>

#include <string_view>

#include "engine/rtf2html.h"
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

TEST_F(FileIoWin32Test, AReadOnlyOutputCannotBeCreated) {
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
}

// Apart from the read-only case, whose skip where the attribute is not
// enforced must not skip this one too.
TEST_F(FileIoWin32Test, ABusyOutputCannotBeCreated) {
  const std::string input = Write("a.rtf", "{\\rtf1 x}");
  const std::string output = Write("a.html", "old");
  OpenHandle reader(output, GENERIC_READ, FILE_SHARE_READ);
  ASSERT_TRUE(reader.ok());
  EXPECT_EQ(ErrorOf([&] { ConvertDocumentFile(input); }),
            "Cannot create file \"" + os::FullPathName(output) + "\". " +
                os::SystemErrorText(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(Read(output), "old");
}

// Outputs of 249 to 259 characters with short names: CreateFileA takes
// each, though a temporary name beside it would pass the limit.
TEST_F(FileIoWin32Test, AnOutputUpToThePathLimitIsWrittenWhereItsTemporaryCannotBe) {
  // A folder of 242 characters, so that "a.html" in it makes 249.
  constexpr std::size_t kFolderLength = 249 - std::string_view("\\a.html").size();
  const std::filesystem::path folder =
      root_ / std::string(kFolderLength - root_.string().size() - 1, 'd');
  ASSERT_EQ(folder.string().size(), kFolderLength);
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  for (const std::size_t length : {249, 254, 259}) {
    const std::string stem(length - folder.string().size() - 1 - 5, 'a');
    SCOPED_TRACE(std::to_string(length) + " characters");
    const std::string input = (folder / (stem + ".rtf")).string();
    const std::string output = (folder / (stem + ".html")).string();
    ASSERT_EQ(output.size(), length);
    std::ofstream(input, std::ios::binary) << "{\\rtf1 x}";
    for (const bool previous : {false, true}) {
      if (previous) std::ofstream(output, std::ios::binary) << "previous";
      bool converted = false;
      EXPECT_EQ(ErrorOf([&] { converted = ConvertDocumentFile(input); }), "(no error)");
      EXPECT_TRUE(converted);
      EXPECT_EQ(Read(output), RenderRtfAsHtml("{\\rtf1 x}"));
    }
  }
  std::size_t names = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++names;
  EXPECT_EQ(names, 6u) << "a temporary file stayed behind";
}

TEST_F(FileIoWin32Test, ReadersMayShareTheSource) {
  const std::string input = Write("shared.rtf", "{\\rtf1 x}");
  OpenHandle reader(input, GENERIC_READ, FILE_SHARE_READ);
  ASSERT_TRUE(reader.ok());
  EXPECT_TRUE(ConvertDocumentFile(input));
}

}  // namespace
}  // namespace corvane::import::testing
