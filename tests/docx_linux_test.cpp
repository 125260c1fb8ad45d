// Off Windows, .docx and .docm convert through the converter host with the
// built-in reader; what it cannot read fails with the reader's reason.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "docx/docx_fixture.h"
#include "docx/docx_reader.h"
#include "engine/rtf2html.h"
#include "import/convert_document.h"
#include "import/converter_host.h"
#include "os/text_converter.h"

namespace corvane {
namespace {

class DocxOnLinuxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    import::StartConverterModule();
    root_ = std::filesystem::temp_directory_path() /
            ("docx_linux_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
  }
  void TearDown() override {
    std::filesystem::remove_all(root_);
    import::EndConverterModule(true);
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::filesystem::path path = root_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  std::string Read(const std::string& name) {
    std::ifstream in(root_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::filesystem::path root_;
};

TEST_F(DocxOnLinuxTest, DocxAndDocmConvertWithTheBuiltInReader) {
  const std::string package =
      docx::testing::BuildDocx("<w:p><w:r><w:t>Hello from Word</w:t></w:r></w:p>");
  const std::string expected =
      RenderRtfAsHtml(docx::ConvertDocxToRtf(package, docx::Windows1252()).rtf);
  ASSERT_NE(expected.find("<p>Hello from Word</p>"), std::string::npos);
  for (const char* name : {"report.docx", "macro.DOCM"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(import::ConvertDocumentFile(Write(name, package)));
    const std::string stem = std::filesystem::path(name).stem().string();
    EXPECT_EQ(Read(stem + ".html"), expected);
  }
}

TEST_F(DocxOnLinuxTest, AnUnreadableDocumentFailsWithTheReason) {
  const std::string input = Write("broken.docx", "this is not a package");
  try {
    import::ConvertDocumentFile(input);
    FAIL() << "no failure raised";
  } catch (const os::ConverterFailure& failure) {
    EXPECT_NE(std::string(failure.what()).find("not a ZIP"), std::string::npos) << failure.what();
  }
  EXPECT_FALSE(std::filesystem::exists(root_ / "broken.html"));
}

TEST_F(DocxOnLinuxTest, OtherClassesStayUnregistered) {
  EXPECT_FALSE(import::ConvertDocumentFile(Write("letter.doc", "binary")));
  EXPECT_EQ(os::ReadLocalMachineValue(
                "SOFTWARE\\Microsoft\\Shared Tools\\Text Converters\\Import\\MSWord6.wpc", "Path")
                .kind,
            os::RegistryValue::Kind::kNone);
}

}  // namespace
}  // namespace corvane
