// The document interfaces driven as the import libraries drive them, then
// small WordPerfect files written by hand, the code pages given to libwps,
// and every real file of the shared corpus in these formats.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "engine/rtf2html.h"
#include "os/code_pages.h"
#include "readers/revenge/cell_text.h"
#include "readers/revenge/library_readers.h"
#include "readers/revenge/spreadsheet_document.h"
#include "readers/revenge/text_document.h"

namespace corvane::revenge {
namespace {

using librevenge::RVNGPropertyList;
using ::testing::TestParamInfo;
using ::testing::TestWithParam;
using ::testing::Values;

RVNGPropertyList Properties(std::initializer_list<std::pair<const char*, const char*>> pairs) {
  RVNGPropertyList list;
  for (const auto& [name, value] : pairs) list.insert(name, value);
  return list;
}

// The RTF between the frame's first line and its closing brace.
std::string Body(const std::string& rtf) {
  const std::size_t start = rtf.find("\r\n");
  if (start == std::string::npos) return "";
  return rtf.substr(start + 2, rtf.size() - start - 3);
}

std::string FileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Paragraph(TextDocument& document, const char* text) {
  document.openParagraph({});
  document.insertText(text);
  document.closeParagraph();
}

// ---- The text interface: what each construct writes.

struct TextCase {
  const char* name;
  std::function<void(TextDocument&)> events;
  std::string rtf;
};

class TextDocumentTest : public TestWithParam<TextCase> {};

TEST_P(TextDocumentTest, WritesTheConstruct) {
  OutputBudget budget(0);
  TextDocument document(readers::Windows1252(), budget);
  GetParam().events(document);
  EXPECT_EQ(Body(document.TakeRtf()), GetParam().rtf);
}

INSTANTIATE_TEST_SUITE_P(
    Constructs, TextDocumentTest,
    Values(TextCase{"ParagraphsTabsAndBreaks",
                    [](TextDocument& d) {
                      d.openParagraph({});
                      d.insertText("a");
                      d.insertTab();
                      d.insertText("b");
                      d.insertSpace();
                      d.insertLineBreak();
                      d.insertText("\xC3\xA9");
                      d.closeParagraph();
                      d.openParagraph(Properties({{"fo:break-before", "page"}}));
                      d.insertText("c");
                      d.closeParagraph();
                    },
                    "a\\tab b \\line \\u233\\'e9\\par\r\n\\page\r\nc\\par\r\n"},
           TextCase{
               "SpansLinksAndHeadings",
               [](TextDocument& d) {
                 d.openParagraph(Properties({{"text:outline-level", "2"}}));
                 d.openSpan(Properties({{"fo:font-weight", "bold"}, {"fo:font-style", "italic"}}));
                 d.insertText("h");
                 d.closeSpan();
                 d.closeParagraph();
                 d.openParagraph({});
                 d.openLink(Properties({{"xlink:href", "http://x/"}}));
                 d.openSpan(Properties({{"style:text-position", "super 58%"}}));
                 d.insertText("l");
                 d.closeSpan();
                 d.openSpan(Properties({{"text:display", "none"}}));
                 d.insertText("hidden");
                 d.insertSpace();
                 d.closeSpan();
                 d.closeLink();
                 d.closeParagraph();
               },
               "\\outlinelevel1 \\b \\i h\\par\\pard\r\n"
               "{\\*\\fldinst HYPERLINK \"http://x/\"}{\\fldrslt \\b0 \\i0 \\super l}\\par\r\n"},
           TextCase{"ListItemsCarryMarkersOnly",
                    [](TextDocument& d) {
                      d.openOrderedListLevel({});
                      d.openListElement({});
                      d.insertText("one");
                      d.closeListElement();
                      d.openUnorderedListLevel({});
                      d.openListElement({});
                      d.insertText("inner");
                      d.closeListElement();
                      d.closeUnorderedListLevel();
                      d.closeOrderedListLevel();
                      Paragraph(d, "after");
                    },
                    "{\\*\\pn\\pnlvlbody}one\\par\\pard\r\n{\\*\\pn\\pnlvlblt}inner\\par\\pard\r\n"
                    "after\\par\r\n"},
           TextCase{"TablesNestedTablesStayInTheirCell",
                    [](TextDocument& d) {
                      d.openTable({});
                      d.openTableRow({});
                      d.openTableCell({});
                      Paragraph(d, "a");
                      Paragraph(d, "b");
                      d.closeTableCell();
                      d.openTableCell({});
                      d.openTable({});
                      d.openTableRow({});
                      d.openTableCell({});
                      Paragraph(d, "x");
                      d.closeTableCell();
                      d.openTableCell({});
                      Paragraph(d, "y");
                      d.closeTableCell();
                      d.closeTableRow();
                      d.closeTable();
                      d.closeTableCell();
                      d.closeTableRow();
                      d.closeTable();
                      Paragraph(d, "after");
                    },
                    "a\\line b\\cell x\\tab y\\cell \\row\r\nafter\\par\r\n"},
           TextCase{
               "NotesAreNumberedAndFollowTheBody",
               [](TextDocument& d) {
                 d.openParagraph({});
                 d.insertText("see");
                 d.openFootnote({});
                 Paragraph(d, "first");
                 Paragraph(d, "more");
                 d.closeFootnote();
                 d.openEndnote({});
                 Paragraph(d, "second");
                 d.closeEndnote();
                 d.closeParagraph();
               },
               "see[1][2]\\par\r\n\\page\r\n{\\*\\pn\\pnlvlbody}first\\line more\\par\\pard\r\n"
               "{\\*\\pn\\pnlvlbody}second\\par\\pard\r\n"},
           TextCase{"TextBoxesFollowTheirParagraph",
                    [](TextDocument& d) {
                      d.openParagraph({});
                      d.insertText("anchor");
                      d.openFrame({});
                      d.openTextBox({});
                      Paragraph(d, "boxed");
                      d.closeTextBox();
                      d.closeFrame();
                      d.insertText(" text");
                      d.closeParagraph();
                    },
                    "anchor text\\par\r\nboxed\\par\r\n"},
           TextCase{"HeadersFootersAndCommentsAreDropped",
                    [](TextDocument& d) {
                      d.openHeader({});
                      Paragraph(d, "header");
                      d.openFootnote({});
                      Paragraph(d, "its note");
                      d.closeFootnote();
                      d.closeHeader();
                      d.openFooter({});
                      Paragraph(d, "footer");
                      d.closeFooter();
                      d.openParagraph({});
                      d.insertText("body");
                      d.openComment({});
                      Paragraph(d, "comment");
                      d.closeComment();
                      d.closeParagraph();
                    },
                    "body\\par\r\n"},
           TextCase{"UnbalancedEventsAreHarmless",
                    [](TextDocument& d) {
                      d.closeTextBox();
                      d.closeFootnote();
                      d.closeHeader();
                      d.closeTable();
                      d.closeTableCell();
                      d.closeTableRow();
                      d.closeOrderedListLevel();
                      d.closeSpan();
                      d.closeLink();
                      Paragraph(d, "still");
                    },
                    "still\\par\r\n"}),
    [](const TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

TEST(TextDocumentTest, TitleGoesToTheInfoGroup) {
  OutputBudget budget(0);
  TextDocument document(readers::Windows1252(), budget);
  document.setDocumentMetaData(Properties({{"dc:title", "R\xC3\xA9sum\xC3\xA9 {1}"}}));
  Paragraph(document, "x");
  EXPECT_EQ(document.TakeRtf(),
            "{\\rtf1\\ansi\\uc1{\\info{\\title R\\'e9sum\\'e9 \\{1\\}}}\r\nx\\par\r\n}");
}

TEST(TextDocumentTest, StopsAtItsBudget) {
  OutputBudget budget(0);  // 1 MiB
  TextDocument document(readers::Windows1252(), budget);
  const std::string line(1000, 'x');
  EXPECT_THROW(for (int i = 0; i < 2000; ++i) Paragraph(document, line.c_str()), OutputTooLarge);
  EXPECT_TRUE(budget.Exceeded());
}

TEST(TextDocumentTest, DeeplyNestedStoriesAreDroppedNotFollowed) {
  OutputBudget budget(0);
  TextDocument document(readers::Windows1252(), budget);
  document.openParagraph({});
  for (int i = 0; i < 100000; ++i) document.openFootnote({});
  document.insertText("deep");
  for (int i = 0; i < 100000; ++i) document.closeFootnote();
  document.closeParagraph();
  const std::string rtf = document.TakeRtf();
  EXPECT_EQ(rtf.find("deep"), std::string::npos);
  EXPECT_NE(rtf.find("[31]"), std::string::npos);
  EXPECT_EQ(rtf.find("[32]"), std::string::npos);
}

// ---- The spreadsheet interface: cells as the sheet shows them.

RVNGPropertyList DateFormat(std::initializer_list<std::pair<const char*, const char*>> parts) {
  RVNGPropertyList style = Properties({{"librevenge:value-type", "date"}});
  librevenge::RVNGPropertyListVector format;
  for (const auto& [field, text] : parts) {
    RVNGPropertyList part = Properties({{"librevenge:value-type", field}});
    if (*text != '\0')
      part.insert(std::string(field) == "text" ? "librevenge:text" : "number:style", text);
    format.append(part);
  }
  style.insert("librevenge:format", format);
  return style;
}

struct CellCase {
  const char* name;
  RVNGPropertyList cell;
  RVNGPropertyList style;  // empty: no number format
  std::string shown;
};

class CellTextTest : public TestWithParam<CellCase> {};

TEST_P(CellTextTest, ShowsTheValueAsTheSheetDoes) {
  const NumberFormat format = ReadNumberFormat(GetParam().style);
  const bool styled = GetParam().style["librevenge:value-type"] != nullptr;
  EXPECT_EQ(CellValueText(GetParam().cell, styled ? &format : nullptr), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Values, CellTextTest,
    Values(
        CellCase{"GeneralNumber",
                 Properties({{"librevenge:value-type", "float"}, {"librevenge:value", "295.0770"}}),
                 {},
                 "295.077"},
        CellCase{
            "FixedDecimalsAndGrouping",
            Properties({{"librevenge:value-type", "float"}, {"librevenge:value", "-1234567.5"}}),
            Properties({{"librevenge:value-type", "number"},
                        {"number:decimal-places", "2"},
                        {"number:grouping", "true"}}),
            "-1,234,567.50"},
        CellCase{
            "Percent",
            Properties({{"librevenge:value-type", "float"}, {"librevenge:value", "0.125"}}),
            Properties({{"librevenge:value-type", "percentage"}, {"number:decimal-places", "1"}}),
            "12.5%"},
        CellCase{"Boolean",
                 Properties({{"librevenge:value-type", "boolean"}, {"librevenge:value", "1"}}),
                 {},
                 "TRUE"},
        CellCase{"UnknownFormulaResult",
                 Properties({{"librevenge:value-type", "float"}, {"librevenge:value", "nan"}}),
                 {},
                 ""},
        CellCase{"TextCellHasNoValue", Properties({{"librevenge:column", "3"}}), {}, ""},
        CellCase{
            "DateInItsFormat",
            Properties({{"librevenge:value-type", "date"},
                        {"librevenge:year", "1996"},
                        {"librevenge:month", "6"},
                        {"librevenge:day", "3"}}),
            DateFormat({{"month", ""}, {"text", "/"}, {"day", ""}, {"text", "/"}, {"year", ""}}),
            "6/3/96"},
        CellCase{"DateWithoutFormat",
                 Properties({{"librevenge:value-type", "date"},
                             {"librevenge:year", "2014"},
                             {"librevenge:month", "2"},
                             {"librevenge:day", "19"}}),
                 {},
                 "2014-02-19"},
        CellCase{"TimeOnTwelveHours",
                 Properties({{"librevenge:value-type", "time"},
                             {"librevenge:hours", "13"},
                             {"librevenge:minutes", "5"}}),
                 DateFormat(
                     {{"hours", ""}, {"text", ":"}, {"minutes", ""}, {"text", " "}, {"am-pm", ""}}),
                 "1:05 PM"}),
    [](const TestParamInfo<CellCase>& info) { return std::string(info.param.name); });

// A hostile span or column costs at most the widest sheet's empty cells.
TEST(SpreadsheetDocumentTest, HugeSpansAndColumnsStayWithinTheWidestSheet) {
  OutputBudget budget(0);
  SpreadsheetDocument sheet(readers::Windows1252(), budget);
  sheet.openSheet({});
  sheet.openSheetRow({});
  for (const char* column : {"0", "2147483647", "5"}) {
    sheet.openSheetCell(Properties({{"librevenge:column", column},
                                    {"table:number-columns-spanned", "2147483647"},
                                    {"librevenge:value-type", "float"},
                                    {"librevenge:value", "1"}}));
    sheet.closeSheetCell();
  }
  sheet.closeSheetRow();
  const std::string rtf = sheet.TakeRtf();
  EXPECT_LT(rtf.size(), 200'000u);
  EXPECT_NE(rtf.find("Sheet1\\par\r\n1\\cell \\cell "), std::string::npos);
  EXPECT_NE(rtf.find("\\cell 1\\cell 1\\cell \\row"), std::string::npos);
}

TEST(SpreadsheetDocumentTest, WritesUsedRowsUpToTheirLastValue) {
  OutputBudget budget(0);
  SpreadsheetDocument sheet(readers::Windows1252(), budget);
  sheet.openSheet(Properties({{"librevenge:sheet-name", "Q1"}}));
  sheet.openSheetRow({});  // an empty row, as the libraries send them
  sheet.openSheetCell(Properties({{"librevenge:column", "0"}}));
  sheet.closeSheetCell();
  sheet.closeSheetRow();
  sheet.openSheetRow({});
  sheet.openSheetCell(Properties({{"librevenge:column", "1"}}));
  sheet.openParagraph({});
  sheet.insertText("a");
  sheet.insertTab();
  sheet.insertText("b");
  sheet.closeParagraph();
  sheet.openParagraph({});
  sheet.insertText("c");
  sheet.closeParagraph();
  sheet.closeSheetCell();
  sheet.openSheetCell(Properties(
      {{"librevenge:column", "3"}, {"librevenge:value-type", "float"}, {"librevenge:value", "2"}}));
  sheet.closeSheetCell();
  sheet.openSheetCell(Properties({{"librevenge:column", "4"}}));
  sheet.closeSheetCell();
  sheet.closeSheetRow();
  sheet.openComment({});
  sheet.openParagraph({});
  sheet.insertText("a comment");
  sheet.closeParagraph();
  sheet.closeComment();
  sheet.closeSheet();
  EXPECT_EQ(Body(sheet.TakeRtf()),
            "Q1\\par\r\n\\cell a\\tab b\\line c\\cell \\cell 2\\cell \\row\r\n");
}

// ---- WordPerfect 5 files written by hand: a 16-byte prefix, then the
// text stream, where printable bytes are characters and a few codes are
// functions.

std::string WordPerfect5(std::string_view text, std::uint16_t encryption_key = 0) {
  std::string file("\xFFWPC\x10\x00\x00\x00\x01\x0A\x00\x01", 12);
  file += static_cast<char>(encryption_key & 0xFF);
  file += static_cast<char>(encryption_key >> 8);
  file += std::string(2, '\0');
  return file + std::string(text);
}

constexpr const char* kHardReturn = "\x0A";
constexpr const char* kHardPage = "\x0C";
constexpr const char* kBoldOn = "\xC3\x0C\xC3";
constexpr const char* kBoldOff = "\xC4\x0C\xC4";

readers::ReaderResult Read(readers::ReaderResult (*convert)(std::string_view,
                                                            const readers::ReaderServices&),
                           std::string_view bytes, readers::LegacyCodePages pages = {}) {
  const readers::ReaderServices services{readers::Windows1252(), os::SystemCodePageDecoder(),
                                         pages};
  return convert(bytes, services);
}

struct WordPerfectCase {
  const char* name;
  std::string file;
  std::string rtf;     // the body, when it converts
  std::string reason;  // else why not
};

class WordPerfectTest : public TestWithParam<WordPerfectCase> {};

TEST_P(WordPerfectTest, ConvertsOrSaysWhy) {
  const readers::ReaderResult result = Read(ConvertWordPerfect, GetParam().file);
  EXPECT_EQ(result.reason, GetParam().reason);
  EXPECT_EQ(result.converted ? Body(result.rtf) : "", GetParam().rtf);
}

INSTANTIATE_TEST_SUITE_P(
    HandWritten, WordPerfectTest,
    Values(WordPerfectCase{"ParagraphsAndBold",
                           WordPerfect5(std::string("One ") + kBoldOn + "two" + kBoldOff +
                                        kHardReturn + "Three" + kHardReturn),
                           "One \\b two\\par\r\n\\b0 Three\\par\r\n", ""},
           WordPerfectCase{"HardPage",
                           WordPerfect5(std::string("aaaa") + kHardReturn + "bbbb" + kHardPage +
                                        "cccc" + kHardReturn),
                           "aaaa\\par\r\nbbbb\\par\r\n\\page\r\ncccc\\par\r\n", ""},
           WordPerfectCase{"PasswordProtected", WordPerfect5("secret", 0x1234), "",
                           "the document is password-protected"},
           WordPerfectCase{"NotWordPerfect", "plain text", "",
                           "the file is not a WordPerfect document"},
           WordPerfectCase{"Empty", "", "", "the file is not a WordPerfect document"}),
    [](const TestParamInfo<WordPerfectCase>& info) { return std::string(info.param.name); });

TEST(WordPerfectTest, EveryPrefixConvertsOrFailsWithAReason) {
  const std::string file = WordPerfect5(std::string("One ") + kBoldOn + "two" + kBoldOff +
                                        kHardReturn + "Three" + kHardPage + "x" + kHardReturn);
  for (std::size_t length = 0; length <= file.size(); ++length) {
    const readers::ReaderResult result = Read(ConvertWordPerfect, file.substr(0, length));
    EXPECT_TRUE(result.converted || !result.reason.empty()) << length;
  }
}

// ---- Code pages: libwps is given the one the file was written in.

TEST(WorksEncodingTest, NamesThePagesLibwpsKnows) {
  EXPECT_STREQ(WorksEncodingName(437), "CP437");
  EXPECT_STREQ(WorksEncodingName(1252), "CP1252");
  EXPECT_STREQ(WorksEncodingName(1251), "CP1251");
  EXPECT_STREQ(WorksEncodingName(65001), "");
  EXPECT_STREQ(WorksEncodingName(0), "");
}

// A Write file says nothing of its code page: its bytes are read in the
// user's ANSI page (Write was a Windows program), a Lotus 1-2-3 release 1
// sheet's in the OEM page (a DOS one).
TEST(WorksEncodingTest, OlderFilesAreReadInTheUsersCodePage) {
  struct Case {
    const char* file;
    readers::ReaderResult (*convert)(std::string_view, const readers::ReaderServices&);
    const char* text;  // replaced by "\xE9" and the same length of itself
  };
  const Case cases[] = {
      {"wri/format-corpus__office_wordprocessing_MSWrite_testWindowsWrite.wri", ConvertWrite,
       "slome"},
      {"wk1/test_files__artifacts_quattro_write_L1.wks.wk1", ConvertLotus, "sheetjs"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::string bytes = FileBytes(std::filesystem::path(CORVANE_BUNDLED_CORPUS_DIR) / c.file);
    const std::size_t at = bytes.rfind(c.text);
    ASSERT_NE(at, std::string::npos);
    bytes[at] = '\xE9';
    const auto shown = [&](readers::LegacyCodePages pages) {
      const readers::ReaderResult result = Read(c.convert, bytes, pages);
      EXPECT_TRUE(result.converted) << result.reason;
      return result.rtf;
    };
    // 0xE9: é in 1252, й in 1251, Ú in 850, щ in 866.
    const bool windows = c.convert == ConvertWrite;
    const std::string western = shown({1252, 850});
    const std::string cyrillic = shown({1251, 866});
    EXPECT_NE(western.find(windows ? "\\u233" : "\\u218"), std::string::npos) << western;
    EXPECT_NE(cyrillic.find(windows ? "\\u1081" : "\\u1097"), std::string::npos) << cyrillic;
  }
}

// ---- The shared corpus of real files, when it is beside the repository.

readers::ReaderResult ReadAs(const std::string& folder, std::string_view bytes) {
  const readers::ReaderServices services{readers::Windows1252(), os::SystemCodePageDecoder()};
  if (folder == "wpd" || folder == "doc") return ConvertWordPerfect(bytes, services);
  if (folder == "wps" || folder == "wpt") return ConvertWorks(bytes, services);
  if (folder == "wri") return ConvertWrite(bytes, services);
  return ConvertLotus(bytes, services);
}

// Each bundled file, with words it must show and words it must not.
struct BundledCase {
  const char* file;
  const char* shows;
  const char* hides;
};

class RevengeBundledTest : public TestWithParam<BundledCase> {};

TEST_P(RevengeBundledTest, ConvertsWithItsWords) {
  const std::filesystem::path path =
      std::filesystem::path(CORVANE_BUNDLED_CORPUS_DIR) / GetParam().file;
  const std::string bytes = FileBytes(path);
  ASSERT_FALSE(bytes.empty()) << path;
  const readers::ReaderResult result = ReadAs(path.parent_path().filename().string(), bytes);
  ASSERT_TRUE(result.converted) << result.reason;
  const std::string html = RenderRtfAsHtml(result.rtf);
  EXPECT_NE(html.find(GetParam().shows), std::string::npos) << html;
  if (*GetParam().hides != '\0') {
    EXPECT_EQ(html.find(GetParam().hides), std::string::npos) << html;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, RevengeBundledTest,
    Values(
        BundledCase{"wpd/tika__tika-parsers-standard-modules_tika-parser-miscoffice-module_src_"
                    "test_resources_test-documents_testWordPerfect.wpd",
                    "<p>AND FURTHER</p>", ""},
        BundledCase{"wpd/tika__tika-parser-miscoffice-module_src_test_resources_test-documents_"
                    "testWordPerfect_5_1.wp.wpd",
                    "Western Gulf of Alaska Petroleum Development Scenarios", ""},
        BundledCase{"wpd/tika__tika-parser-miscoffice-module_src_test_resources_test-documents_"
                    "testWordPerfect_42.doc",
                    "<p>Sluwe Sjaantje sloeg de slome slager</p>", ""},
        BundledCase{"wpd/format-corpus__office_wordprocessing_WordPerfect50_testWordPerfect_50.doc",
                    "<p>Sluwe Sjaantje sloeg de slome slager</p>", ""},
        BundledCase{"wps/tika__tika-parsers-standard_tika-parsers-standard-integration-tests_src_"
                    "test_resources_test-documents_testWORKS.wps",
                    "example document made with Microsoft Works", ""},
        BundledCase{"wps/tika__tika-parsers-standard-integration-tests_src_test_resources_test-"
                    "documents_testWORKSWordProcessor4.0.wps",
                    "example document made with Microsoft Works", ""},
        // Its first line ends in hidden text.
        BundledCase{"wri/format-corpus__office_wordprocessing_MSWrite_testWindowsWrite.wri",
                    "<p>Sluwe Sjaantje sloeg de slome slager</p>", ".c."},
        BundledCase{"wk1/format-corpus__office_spreadsheet_wk1_PF.WK1",
                    "<p>6001 | 182 | 5-10 | 295.077 | 293.858 |", ""},
        BundledCase{"wk1/test_files__artifacts_quattro_write_L1.wks.wk1", "<p>1 | 0 | sheetjs</p>",
                    ""},
        BundledCase{"wk1/test_files__crlf_crlfq9.wk1", "<p>Normal | abcdef</p>", ""},
        BundledCase{"wk3/test_files__crlf_crlfq9.wk3", "<p>Normal | abcdef</p>", ""},
        BundledCase{"wk4/test_files__crlf_crlfq9.wk4", "<p>Normal | abcdef</p>", ""},
        BundledCase{"wk4/test_files__crlf_CRLFR9.WK4", "<p>Sheet1</p>", ""}),
    [](const TestParamInfo<BundledCase>& info) {
      std::string name;
      for (const char* at = info.param.file; *at != '\0'; ++at) {
        if (std::isalnum(static_cast<unsigned char>(*at))) name += *at;
      }
      return name.substr(name.size() > 40 ? name.size() - 40 : 0);
    });

// Every file of these formats in the shared corpus converts today.
TEST(RevengeCorpusTest, EverySharedFileConverts) {
  const std::filesystem::path corpus(CORVANE_LEGACY_CORPUS_DIR);
  int files = 0;
  for (const char* folder : {"wpd", "doc", "wps", "wpt", "wri", "wk1", "wk3", "wk4"}) {
    std::vector<std::filesystem::path> paths;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(corpus / folder, error)) {
      paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    for (const std::filesystem::path& path : paths) {
      const std::string bytes = FileBytes(path);
      // Of the .doc files, only the WordPerfect ones are read here.
      if (std::string(folder) == "doc" && !IsWordPerfect(bytes)) continue;
      SCOPED_TRACE(path.filename().string());
      ++files;
      const readers::ReaderResult result = ReadAs(folder, bytes);
      ASSERT_TRUE(result.converted) << result.reason;
      EXPECT_LE(result.rtf.size(), 16 * bytes.size() + (1u << 20));
      EXPECT_NE(RenderRtfAsHtml(result.rtf).find("<p>"), std::string::npos);
    }
  }
  if (files == 0) GTEST_SKIP() << "no shared corpus at " << corpus;
  std::printf("%d files converted\n", files);
}

}  // namespace
}  // namespace corvane::revenge
