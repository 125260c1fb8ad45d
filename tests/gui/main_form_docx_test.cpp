// Word documents dropped on the window: a .docx through our converter
// library where it is registered for its class, and folders of .doc files
// and of the older formats through the program's own readers, with nothing
// registered at all.
#include "tests/converter/converter_test_support.h"
#include "tests/converter/docx_fixtures.h"
#include "tests/gui/main_form_fixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

namespace corvane::gui_test {
namespace {

using converter_testing::PrivateLocalMachine;
using converter_testing::Registrations;

TEST_F(MainFormTest, ADroppedWordDocumentBecomesItsHtmlThroughOurConverter) {
  const PrivateLocalMachine machine;
  ASSERT_TRUE(machine.Ready());
  Registrations registry(HKEY_LOCAL_MACHINE);
  registry.Register("Word12", converter_testing::ProgramFolder() + "corvane-docx.cnv");
  registry.Describe("Word12", "Word 2007+ document", "docx");

  TempFolder folder;
  const std::string package = converter_testing::ZipPackage(
      converter_testing::WordDocumentParts("Dropped", converter_testing::SampleBody(20)),
      folder.Path() + "report.zip");
  const std::string document = folder.Write("report.docx", package);
  // The converter host is up already: the test program starts the
  // program's modules once, as the program does.
  PostDrop(Form().Handle(), {document});
  ASSERT_TRUE(PumpUntilDone());
  ExpectConsistentSights(0);
  EXPECT_EQ(Form().LastErrors(), 0);
  const std::string expected = converter_testing::PortableHtml(package);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(converter_testing::ReadAll(folder.Path() + "report.html"), expected);
}

TEST_F(MainFormTest, ADroppedFolderOfDocFilesConvertsWithNothingRegistered) {
  const PrivateLocalMachine machine;  // no converter class at all
  ASSERT_TRUE(machine.Ready());
  TempFolder folder;
  const std::string documents = folder.MakeFolder("documents");
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(CORVANE_BUNDLED_DOC_CORPUS_DIR)) {
    std::ifstream in(entry.path(), std::ios::binary);
    folder.Write("documents\\" + entry.path().filename().string(),
                 {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
    ++files;
  }
  ASSERT_EQ(files, 8);
  PostDrop(Form().Handle(), {documents});
  ASSERT_TRUE(PumpUntilDone());
  // The Word 2.0 file and the password-protected one.
  EXPECT_EQ(Form().LastErrors(), 2);
  EXPECT_NE(converter_testing::ReadAll(documents + "\\poi__test-data_document_simple-table.html")
                .find("<p>Cell 2,1 | Cell 2,2 | Cell 2,3</p>"),
            std::string::npos);
  EXPECT_NE(converter_testing::ReadAll(documents + "\\poi__test-data_document_footnote.html")
                .find("<li>TestFootnote</li>"),
            std::string::npos);
}

// With a workbook and a web page, which the built-in readers convert too.
TEST_F(MainFormTest, ADroppedFolderOfOlderFormatsConvertsWithNothingRegistered) {
  const PrivateLocalMachine machine;
  ASSERT_TRUE(machine.Ready());
  TempFolder folder;
  const std::string documents = folder.MakeFolder("older");
  // One file of each format, under its row's extension; the file's words.
  const std::pair<std::string, const char*> files[] = {
      {"wpd/tika__tika-parsers-standard-modules_tika-parser-miscoffice-module_src_test_resources_"
       "test-documents_testWordPerfect.wpd",
       "<p>AND FURTHER</p>"},
      {"wpd/tika__tika-parser-miscoffice-module_src_test_resources_test-documents_"
       "testWordPerfect_42.doc",
       "<p>Sluwe Sjaantje sloeg de slome slager</p>"},
      {"wps/tika__tika-parsers-standard_tika-parsers-standard-integration-tests_src_test_"
       "resources_test-documents_testWORKS.wps",
       "Microsoft Works Word Processor"},
      {"wri/format-corpus__office_wordprocessing_MSWrite_testWindowsWrite.wri",
       "<p>Sluwe Sjaantje sloeg de slome slager</p>"},
      {"wk1/test_files__artifacts_quattro_write_L1.wks.wk1", "<p>1 | 0 | sheetjs</p>"},
      {"wk3/test_files__crlf_crlfq9.wk3", "<p>Normal | abcdef</p>"},
      {"wk4/test_files__crlf_CRLFR9.WK4", "<p>Sheet1</p>"},
      {"xls/poi__test-data_spreadsheet_SimpleWithColours.xls", "<p>I'm red</p>"},
  };
  for (const auto& [file, words] : files) {
    std::ifstream in(std::filesystem::path(CORVANE_BUNDLED_CORPUS_DIR) / file, std::ios::binary);
    ASSERT_TRUE(in) << file;
    folder.Write("older\\" + std::filesystem::path(file).filename().string(),
                 {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
  }
  folder.Write("older\\intranet.htm", "<html><title>Intranet</title><h1>News of the week</h1>");
  PostDrop(Form().Handle(), {documents});
  ASSERT_TRUE(PumpUntilDone());
  EXPECT_EQ(Form().LastErrors(), 0);
  EXPECT_NE(
      converter_testing::ReadAll(documents + "\\intranet.html").find("<p>News of the week</p>"),
      std::string::npos);
  for (const auto& [file, words] : files) {
    SCOPED_TRACE(file);
    const std::string html = converter_testing::ReadAll(
        documents + "\\" + std::filesystem::path(file).stem().string() + ".html");
    EXPECT_NE(html.find(words), std::string::npos) << html;
  }
}

}  // namespace
}  // namespace corvane::gui_test
