// The built-in readers as rows of the dispatch table: with nothing
// registered, a row's own reader converts, a file that only carries the
// row's name is read as what it is, and what no reader knows fails with a
// reason. Under Wine this is the Windows program's own dispatch.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/rtf2html.h"
#include "import/convert_document.h"
#include "import/converter_host.h"
#include "readers/docx/docx_fixture.h"
#include "readers/docx/docx_reader.h"
#include "tests/support/temp_folder.h"

namespace corvane {
namespace {

class BuiltInRowsTest : public ::testing::Test {
 protected:
  void SetUp() override { import::StartConverterModule(); }
  void TearDown() override { import::EndConverterModule(true); }
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::filesystem::path path = root_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }
  std::string Read(const std::string& name) {
    std::ifstream in(root_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  corvane::test_support::TempFolder temp_{"corvane-rows"};
  std::filesystem::path root_ = temp_.Root();
};

TEST_F(BuiltInRowsTest, DocxAndDocmConvertWithTheBuiltInReader) {
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

TEST_F(BuiltInRowsTest, WebPagesConvertWithTheBuiltInReader) {
  const std::string page =
      "<html><head><title>Intranet</title></head><body><h1>News</h1><ul><li>one</li></ul>"
      "<table><tr><td>a</td><td>b</td></tr></table></body></html>";
  for (const char* name : {"news.htm", "form.HTX", "macro.otm"}) {
    SCOPED_TRACE(name);
    const import::Outcome outcome = import::ConvertDocument(Write(name, page));
    ASSERT_TRUE(outcome.converted) << outcome.reason;
    const std::string html = Read(std::filesystem::path(name).stem().string() + ".html");
    EXPECT_NE(html.find("<title>Intranet</title>"), std::string::npos) << html;
    EXPECT_NE(html.find("<p>News</p>\r\n<ul><li>one</li></ul>\r\n<p>a | b</p>"), std::string::npos)
        << html;
  }
}

TEST_F(BuiltInRowsTest, WhatNoReaderConvertsFailsWithItsReasonAndNoOutput) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* reason;
  };
  const Case cases[] = {
      {"broken.docx", "this is not a package", "not a ZIP"},
      {"letter.doc", "binary", "the file is not a Word document"},
      {"plain.wpd", "binary", "the file is not a WordPerfect document"},
      {"notes.txt", "text", "not a supported document type"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const import::Outcome outcome = import::ConvertDocument(Write(c.name, c.bytes));
    EXPECT_FALSE(outcome.converted);
    EXPECT_NE(outcome.reason.find(c.reason), std::string::npos) << outcome.reason;
    EXPECT_EQ(outcome.output, "");
    const std::string stem = std::filesystem::path(c.name).stem().string();
    EXPECT_FALSE(std::filesystem::exists(root_ / (stem + ".html")));
  }
}

TEST_F(BuiltInRowsTest, AFileIsReadAsWhatItIsWhateverRowItsNameChooses) {
  const std::string package =
      docx::testing::BuildDocx("<w:p><w:r><w:t>Saved as .doc</w:t></w:r></w:p>");
  const import::Outcome from_package = import::ConvertDocument(Write("package.doc", package));
  ASSERT_TRUE(from_package.converted) << from_package.reason;
  EXPECT_EQ(from_package.output, (root_ / "package.html").string());
  EXPECT_NE(Read("package.html").find("<p>Saved as .doc</p>"), std::string::npos);

  // Word and Excel save web pages under their own extensions too.
  const std::string page = "<html><head><title>Saved</title></head><body><p>Web page</p></body>";
  ASSERT_TRUE(import::ConvertDocument(Write("page.doc", page)).converted);
  EXPECT_NE(Read("page.html").find("<p>Web page</p>"), std::string::npos);

  const std::string rtf = "{\\rtf1 Rich text under another name\\par}";
  ASSERT_TRUE(import::ConvertDocument(Write("rich.doc", rtf)).converted);
  EXPECT_EQ(Read("rich.html"), RenderRtfAsHtml(rtf));
}

TEST_F(BuiltInRowsTest, RealWordFilesConvertWithNothingRegistered) {
  struct Case {
    const char* name;
    const char* found;  // in the HTML, or in the reason when none is written
    bool converted;
  };
  const Case cases[] = {
      {"footnote", "<p>Test text[1][2]</p>", true},
      {"endingnote", "<ol><li>Ending note text</li></ol>", true},
      {"lists-margins", "<ol><li>Left 0in. First +0in. Tab stops at 0.5in;</li>", true},
      {"simple-table", "<p>Cell 2,1 | Cell 2,2 | Cell 2,3</p>", true},
      {"hyperlink", "<p>Before text; Hyperlink text; after text</p>", true},
      {"Word6_sections", "<p>This is a new section.</p>", true},
      {"word2", "older Word format", false},
      {"PasswordProtected", "the document is password-protected", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = std::string("poi__test-data_document_") + c.name;
    std::ifstream in(std::filesystem::path(CORVANE_BUNDLED_DOC_CORPUS_DIR) / (name + ".doc"),
                     std::ios::binary);
    ASSERT_TRUE(in) << "the bundled .doc corpus is gone";
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const import::Outcome outcome = import::ConvertDocument(Write(name + ".doc", bytes));
    EXPECT_EQ(outcome.converted, c.converted) << outcome.reason;
    const std::string shown = c.converted ? Read(name + ".html") : outcome.reason;
    EXPECT_NE(shown.find(c.found), std::string::npos) << shown;
  }
}

// Each older format under its row's extension, one under another row's
// name (read as what it is), and one that no reader knows.
TEST_F(BuiltInRowsTest, OlderFormatsConvertThroughTheirRows) {
  struct Case {
    const char* bundled;  // under tests/corpus
    const char* name;     // as the file is given
    const char* found;    // in the HTML, or in the reason when none is written
    bool converted;
  };
  const Case cases[] = {
      {"wpd/tika__tika-parsers-standard-modules_tika-parser-miscoffice-module_src_test_resources_"
       "test-documents_testWordPerfect.wpd",
       "letter.wpd", "<p>AND FURTHER</p>", true},
      {"wpd/tika__tika-parser-miscoffice-module_src_test_resources_test-documents_"
       "testWordPerfect_42.doc",
       "old.doc", "<p>Sluwe Sjaantje sloeg de slome slager</p>", true},
      {"wps/tika__tika-parsers-standard_tika-parsers-standard-integration-tests_src_test_"
       "resources_test-documents_testWORKS.wps",
       "works.wps", "Microsoft Works Word Processor", true},
      {"wps/tika__tika-parsers-standard-integration-tests_src_test_resources_test-documents_"
       "testWORKSWordProcessor4.0.wps",
       "template.wpt", "Microsoft Works Word Processor", true},
      {"wri/format-corpus__office_wordprocessing_MSWrite_testWindowsWrite.wri", "note.wri",
       "<p>Sluwe Sjaantje sloeg de slome slager</p>", true},
      {"wk1/test_files__artifacts_quattro_write_L1.wks.wk1", "sheet.wk1", "<p>1 | 0 | sheetjs</p>",
       true},
      {"wk3/test_files__crlf_crlfq9.wk3", "sheet.wk3", "<p>Normal | abcdef</p>", true},
      {"wk4/test_files__crlf_crlfq9.wk4", "sheet.wk4", "<p>Normal | abcdef</p>", true},
      {"wk1/test_files__crlf_crlfq9.wk1", "misnamed.wri", "<p>Normal | abcdef</p>", true},
      {"wri/format-corpus__office_wordprocessing_MSWrite_testWindowsWrite.wri", "mac.mcw",
       "<p>Sluwe Sjaantje sloeg de slome slager</p>", true},
      {"", "junk.mcw", "not a Word for the Macintosh document", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string bytes = "not a document at all";
    if (*c.bundled != '\0') {
      std::ifstream in(std::filesystem::path(CORVANE_BUNDLED_CORPUS_DIR) / c.bundled,
                       std::ios::binary);
      ASSERT_TRUE(in) << "the bundled corpus is gone";
      bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const import::Outcome outcome = import::ConvertDocument(Write(c.name, bytes));
    EXPECT_EQ(outcome.converted, c.converted) << outcome.reason;
    const std::string html = std::filesystem::path(c.name).stem().string() + ".html";
    const std::string shown = c.converted ? Read(html) : outcome.reason;
    EXPECT_NE(shown.find(c.found), std::string::npos) << shown;
  }
}

}  // namespace
}  // namespace corvane
