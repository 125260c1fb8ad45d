// Each construct of a BIFF workbook, built small in the test, checked on the
// RTF the reader writes and on the HTML our engine makes of it; then broken
// inputs; then every real .xls of the shared corpus, when it is there.
#include "readers/xls/xls_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "engine/rtf2html.h"
#include "os/code_pages.h"
#include "readers/doc/compound_file_writer.h"
#include "readers/xls/biff_writer.h"

namespace corvane::xls {
namespace {

using namespace fixtures;  // the BIFF writer
using ::testing::TestParamInfo;
using ::testing::TestWithParam;
using ::testing::Values;

readers::ReaderResult Read(const std::string& bytes) {
  const readers::ReaderServices services{readers::Windows1252(), os::SystemCodePageDecoder()};
  return Convert(bytes, services);
}

// The RTF between the frame's first line and its closing brace.
std::string Body(const readers::ReaderResult& result) {
  EXPECT_TRUE(result.converted) << result.reason;
  const std::size_t start = result.rtf.find("\r\n");
  if (start == std::string::npos) return "";
  return result.rtf.substr(start + 2, result.rtf.size() - start - 3);
}

// The HTML body (between <body> and </body>), line ends as \n.
std::string HtmlBody(const std::string& rtf) {
  const std::string html = RenderRtfAsHtml(rtf);
  const std::size_t start = html.find("<body>") + 6;
  const std::size_t end = html.rfind("\r\n</body>");
  std::string out;
  for (const char c : html.substr(start, end - start)) {
    if (c != '\r') out += c;
  }
  return out.starts_with('\n') ? out.substr(1) : out;
}

std::string OneSheet(const std::string& records, const std::string& globals = "") {
  return WorkbookFile(Biff8Stream(globals, {{"S", records}}));
}

std::string Bytes(std::initializer_list<unsigned> values) {
  std::string out;
  for (const unsigned value : values) out += static_cast<char>(value);
  return out;
}

// RK forms ([MS-XLS] 2.5.218): an integer shifted left by 2 with fInt, the
// same over 100 with fX100, or a double's high 30 bits.
constexpr std::uint32_t RkInteger(std::int32_t value) {
  return (static_cast<std::uint32_t>(value) << 2) | 2;
}
constexpr std::uint32_t kRk1Point1 = (110u << 2) | 3;         // 110 / 100
constexpr std::uint32_t kRk2Point5 = 0x40040000;              // the high half of 2.5
constexpr std::uint32_t kRk0Point25Over100 = 0x40390000 | 1;  // 25.0 / 100

std::string MulRk(std::uint16_t row, std::uint16_t first, const std::vector<std::uint32_t>& rks) {
  std::string body;
  Append16(body, row);
  Append16(body, first);
  for (const std::uint32_t rk : rks) {
    Append16(body, 0);
    Append32(body, rk);
  }
  Append16(body, static_cast<std::uint32_t>(first + rks.size() - 1));
  return Record(0x00BD, body);
}

std::string Biff8String(std::uint16_t row, std::uint16_t column, std::u16string_view text) {
  std::string body;
  Append16(body, row);
  Append16(body, column);
  Append16(body, 0);
  return Record(0x0204, body + WideString(text));
}

std::string StringRecord(std::string_view latin1) {
  return Record(0x0207, CompressedString(latin1));
}

std::string MergedCells(std::uint16_t first_row, std::uint16_t last_row, std::uint16_t first_column,
                        std::uint16_t last_column) {
  std::string body;
  Append16(body, 1);
  Append16(body, first_row);
  Append16(body, last_row);
  Append16(body, first_column);
  Append16(body, last_column);
  return Record(0x00E5, body);
}

// The SST split over CONTINUE records as Excel splits it: "abcdef" breaks
// after "abc" and goes on 16 bits wide; a rich string with a phonetic block
// has its runs split without a flag byte; the last string starts a record.
std::string SplitSst() {
  std::string first;
  Append32(first, 4);
  Append32(first, 4);
  Append16(first, 6);
  first += '\0';
  first += "abc";
  std::string second = "\x01";
  for (const char c : std::string("def")) Append16(second, static_cast<unsigned char>(c));
  Append16(second, 3);
  second += '\x0C';     // rich runs and a phonetic block
  Append16(second, 2);  // two runs
  Append32(second, 6);  // six bytes of phonetic data
  second += "xyz";
  Append32(second, 0);  // the first run; the second is in the next record
  std::string third;
  Append32(third, 0);
  third += "PHONET";
  std::string fourth = CompressedString("last");
  Append16(fourth, 1);
  fourth += '\x01';
  Append16(fourth, 0x0416);  // Ж
  return SstRecords({first, second, third, fourth});
}

std::string DateGlobals() {
  return Biff8Format(164, "yyyy-mm-dd hh:mm") + Biff8Format(165, "0 \"days\"") +
         Biff8Format(166, "[Red]0.00") + Biff8Xf(0) + Biff8Xf(14) + Biff8Xf(164) + Biff8Xf(21) +
         Biff8Xf(165) + Biff8Xf(166);
}

struct ConstructCase {
  const char* name;
  std::string file;
  const char* rtf;  // the body
  // The HTML body, where it shows more than the RTF: the engine writes a
  // row as one paragraph, cells apart by " | ", empty cells left out.
  const char* html;
};

class XlsConstructTest : public TestWithParam<ConstructCase> {};

TEST_P(XlsConstructTest, WritesRowsOfCells) {
  const readers::ReaderResult result = Read(GetParam().file);
  const std::string body = Body(result);
  EXPECT_EQ(body, GetParam().rtf);
  if (*GetParam().html != '\0') {
    EXPECT_EQ(HtmlBody(result.rtf), GetParam().html);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Constructs, XlsConstructTest,
    Values(
        ConstructCase{
            "SharedStrings",
            OneSheet(LabelSstCell(0, 0, 1) + LabelSstCell(0, 1, 0), Sst({"first", "second"}, 2)),
            "S\\par\r\nsecond\\cell first\\cell \\row\r\n", "<p>S</p>\n<p>second | first</p>"},
        ConstructCase{"SharedStringsSplitOverContinues",
                      OneSheet(LabelSstCell(0, 0, 0) + LabelSstCell(0, 1, 1) +
                                   LabelSstCell(0, 2, 2) + LabelSstCell(0, 3, 3),
                               SplitSst()),
                      "S\\par\r\nabcdef\\cell xyz\\cell last\\cell \\u1046?\\cell \\row\r\n",
                      "<p>S</p>\n<p>abcdef | xyz | last | ?</p>"},
        ConstructCase{
            "LabelsOwnStrings",
            OneSheet(Biff8LabelCell(0, 0, "caf\xE9") + Biff8String(0, 1, u"\u00E9\U0001F600")),
            "S\\par\r\ncaf\\u233\\'e9\\cell \\u233\\'e9{\\uc0\\u-10179\\uc1\\u-8704?}\\cell "
            "\\row\r\n",
            ""},
        ConstructCase{
            "Numbers",
            OneSheet(NumberCell(0, 0, 1.1) + NumberCell(0, 1, 100) + NumberCell(0, 2, -0.000015) +
                     NumberCell(0, 3, 1e20) + RkCell(1, 0, RkInteger(42)) +
                     RkCell(1, 1, RkInteger(-7)) + RkCell(1, 2, kRk1Point1) +
                     RkCell(1, 3, kRk2Point5) + RkCell(1, 4, kRk0Point25Over100) +
                     MulRk(2, 1, {RkInteger(1), kRk1Point1, RkInteger(3)})),
            "S\\par\r\n1.1\\cell 100\\cell -1.5e-05\\cell 1e+20\\cell \\row\r\n"
            "42\\cell -7\\cell 1.1\\cell 2.5\\cell 0.25\\cell \\row\r\n"
            "\\cell 1\\cell 1.1\\cell 3\\cell \\row\r\n",
            "<p>S</p>\n<p>1.1 | 100 | -1.5e-05 | 1e+20</p>\n<p>42 | -7 | 1.1 | 2.5 | "
            "0.25</p>\n<p>1 | 1.1 | 3</p>"},
        ConstructCase{"DatesByNumberFormat",
                      OneSheet(NumberCell(0, 0, 45352, 1) + NumberCell(0, 1, 45352.5729166667, 2) +
                                   NumberCell(0, 2, 0.5729166667, 3) + NumberCell(0, 3, 45352, 4) +
                                   NumberCell(0, 4, 45352, 5) + RkCell(0, 5, RkInteger(45352), 0) +
                                   NumberCell(1, 0, 59, 1) + NumberCell(1, 1, 60, 1) +
                                   NumberCell(1, 2, 61, 1) + NumberCell(1, 3, -1, 1),
                               DateGlobals()),
                      "S\\par\r\n2024-03-01\\cell 2024-03-01 13:45:00\\cell 13:45:00\\cell "
                      "45352\\cell 45352\\cell 45352\\cell \\row\r\n"
                      "1900-02-28\\cell 1900-02-29\\cell 1900-03-01\\cell -1\\cell \\row\r\n",
                      "<p>S</p>\n<p>2024-03-01 | 2024-03-01 13:45:00 | 13:45:00 | 45352 | 45352 | "
                      "45352</p>\n<p>1900-02-28 | 1900-02-29 | 1900-03-01 | -1</p>"},
        ConstructCase{"Dates1904",
                      OneSheet(NumberCell(0, 0, 43890, 1) + NumberCell(0, 1, 0, 1),
                               Record(0x0022, Bytes({1, 0})) + DateGlobals()),
                      "S\\par\r\n2024-03-01\\cell 00:00:00\\cell \\row\r\n", ""},
        ConstructCase{"BooleansAndErrors",
                      OneSheet(BoolErrCell(0, 0, 1, false) + BoolErrCell(0, 1, 0, false) +
                               BoolErrCell(0, 2, 0x07, true) + BoolErrCell(0, 3, 0x2A, true) +
                               BoolErrCell(0, 4, 0x1D, true)),
                      "S\\par\r\nTRUE\\cell FALSE\\cell #DIV/0!\\cell #N/A\\cell #NAME?\\cell "
                      "\\row\r\n",
                      "<p>S</p>\n<p>TRUE | FALSE | #DIV/0! | #N/A | #NAME?</p>"},
        ConstructCase{
            "FormulaResults",
            // A shared formula record stands between a formula and its STRING.
            OneSheet(FormulaCell(0, 0, FormulaNumber(2.5)) +
                     FormulaCell(0, 1, FormulaSpecial(0, 0)) +
                     Record(0x04BC, std::string(10, '\0')) + StringRecord("text") +
                     FormulaCell(0, 2, FormulaSpecial(1, 1)) +
                     FormulaCell(0, 3, FormulaSpecial(2, 0x0F)) +
                     FormulaCell(0, 4, FormulaSpecial(3, 0)) + FormulaCell(0, 5, FormulaNumber(7))),
            "S\\par\r\n2.5\\cell text\\cell TRUE\\cell #VALUE!\\cell \\cell 7\\cell "
            "\\row\r\n",
            "<p>S</p>\n<p>2.5 | text | TRUE | #VALUE! | 7</p>"},
        ConstructCase{"StringWithoutItsFormulaIsIgnored",
                      OneSheet(NumberCell(0, 0, 1) + StringRecord("stray")),
                      "S\\par\r\n1\\cell \\row\r\n", ""},
        ConstructCase{"MergedCellsShowTheirValueOnce",
                      OneSheet(Biff8LabelCell(0, 0, "x") + Biff8LabelCell(0, 1, "hidden") +
                               Biff8LabelCell(1, 0, "also hidden") + Biff8LabelCell(0, 2, "c") +
                               Biff8LabelCell(2, 1, "below") + MergedCells(0, 1, 0, 1)),
                      "S\\par\r\nx\\cell \\cell c\\cell \\row\r\n\\cell below\\cell \\row\r\n",
                      "<p>S</p>\n<p>x | c</p>\n<p>below</p>"},
        ConstructCase{
            "SheetsInOrderChartsAndModulesSkipped",
            WorkbookFile(Biff8Stream("", {{"One", NumberCell(0, 0, 1)},
                                          {"Chart", "", 2},
                                          {"Empty", ""},
                                          {"Module", "", 6},
                                          {"Two", NumberCell(1, 0, 2) + NumberCell(1, 2, 3)}})),
            "One\\par\r\n1\\cell \\row\r\nEmpty\\par\r\nTwo\\par\r\n2\\cell \\cell "
            "3\\cell \\row\r\n",
            "<p>One</p>\n<p>1</p>\n<p>Empty</p>\n<p>Two</p>\n<p>2 | 3</p>"},
        ConstructCase{
            "EmptyCellsAndRowsNotWritten",
            // Blank and empty-string cells after the last value and a row of
            // them only; a later record for the same cell wins.
            OneSheet(Biff8LabelCell(0, 0, "a") + Record(0x0201, std::string(6, '\0')) +
                     Biff8LabelCell(0, 3, "") + FormulaCell(0, 4, FormulaSpecial(3, 0)) +
                     Biff8LabelCell(1, 2, "") + NumberCell(2, 1, 5) + NumberCell(2, 1, 6)),
            "S\\par\r\na\\cell \\row\r\n\\cell 6\\cell \\row\r\n", ""},
        ConstructCase{"SparseFarCell",
                      OneSheet(Biff8LabelCell(65535, 3, "far") + Biff8LabelCell(0, 0, "near")),
                      "S\\par\r\nnear\\cell \\row\r\n\\cell \\cell \\cell far\\cell \\row\r\n",
                      "<p>S</p>\n<p>near</p>\n<p>far</p>"},
        ConstructCase{"Title",
                      WorkbookFile(Biff8Stream("", {{"S", NumberCell(0, 0, 1)}}), "Budget"),
                      "S\\par\r\n1\\cell \\row\r\n", ""},
        ConstructCase{
            "Biff5WithCodePage",
            WorkbookFile(Biff5Stream(Record(0x0042, Bytes({0xE3, 0x04})),  // 1251
                                     {{"\xCB\xE8\xF1\xF2", Biff5LabelCell(0, 0, "\xCF\xF0\xE8") +
                                                               RkCell(0, 1, kRk1Point1)}}),
                         "", "Book"),
            "\\u1051?\\u1080?\\u1089?\\u1090?\\par\r\n\\u1055?\\u1088?\\u1080?\\cell "
            "1.1\\cell \\row\r\n",
            ""},
        ConstructCase{
            "Biff2Worksheet",
            // BOF, FORMATs (known by their place), then INTEGER, NUMBER (dated
            // through its attributes), LABEL, BOOLERR, FORMULA.
            Record(0x0009, Bytes({0x00, 0x00, 0x10, 0x00})) +
                Record(0x001E, Bytes({7}) + "General") + Record(0x001E, Bytes({8}) + "yyyy-m-d") +
                Record(0x0002, Bytes({0, 0, 0, 0, 0, 0, 0, 42, 0})) +
                Record(0x0003, Bytes({0, 0, 1, 0, 0, 1, 0}) + FormulaNumber(45352)) +
                Record(0x0004, Bytes({0, 0, 2, 0, 0, 0, 0, 2}) + "hi") +
                Record(0x0005, Bytes({1, 0, 0, 0, 0, 0, 0, 0x24, 1})) +
                Record(0x0006,
                       Bytes({1, 0, 1, 0, 0, 0, 0}) + FormulaNumber(0.5) + Bytes({0, 0, 0})) +
                Record(0x000A, ""),
            "Sheet1\\par\r\n42\\cell 2024-03-01\\cell hi\\cell \\row\r\n#NUM!\\cell "
            "0.5\\cell \\row\r\n",
            ""}),
    [](const TestParamInfo<ConstructCase>& info) { return std::string(info.param.name); });

TEST(XlsReaderTest, TitleGoesToTheInfoGroup) {
  const readers::ReaderResult result =
      Read(WorkbookFile(Biff8Stream("", {{"S", NumberCell(0, 0, 1)}}), "Budget"));
  EXPECT_EQ(result.rtf.rfind("{\\rtf1\\ansi\\uc1{\\info{\\title Budget}}\r\n", 0), 0u)
      << result.rtf;
}

TEST(XlsReaderTest, RecognisesWorkbooksAndBareStreams) {
  EXPECT_TRUE(IsFormatCorrect(OneSheet("")));
  EXPECT_TRUE(IsFormatCorrect(WorkbookFile(Biff5Stream("", {}), "", "Book")));
  EXPECT_TRUE(IsFormatCorrect(Record(0x0009, Bytes({0, 0, 0x10, 0})) + Record(0x000A, "")));
  EXPECT_TRUE(IsFormatCorrect(Biff5Stream("", {})));
  EXPECT_FALSE(IsFormatCorrect(doc::WriteCompoundFile({{"WordDocument", std::string(600, 'x')}})));
  EXPECT_FALSE(IsFormatCorrect("{\\rtf1 not a workbook}"));
  EXPECT_FALSE(IsFormatCorrect(""));
}

// ---- Broken and hostile inputs: each converts as far as it can or fails
// with its sentence; none crashes or reads past its stream.

struct BadCase {
  const char* name;
  std::string file;
  const char* reason;  // "" when it still converts
  std::string body;    // the body when it converts
};

std::string TruncatedSheet() {
  std::string stream = Biff8Stream("", {{"S", NumberCell(0, 0, 1)}});
  stream.resize(stream.size() - 10);  // into the NUMBER record
  return WorkbookFile(stream);
}

std::string SstClaiming(std::uint32_t unique, std::uint16_t last_length) {
  std::string body;
  Append32(body, unique);
  Append32(body, unique);
  body += CompressedString("one");
  Append16(body, last_length);
  body += '\0';
  body += "tw";
  return Record(0x00FC, body);
}

std::string ManySheetsAtOneOffset() {
  // 5000 sheets whose BOUNDSHEETs all point at the one substream.
  std::vector<Sheet> sheets(1, Sheet{"S", std::string(2000, '\0')});
  std::string stream = Biff8Stream("", sheets);
  const std::size_t boundsheet = stream.find(std::string("\x85\x00", 2));
  const std::string record = stream.substr(boundsheet, 4 + 9);
  stream.insert(boundsheet, [&] {
    std::string copies;
    for (int i = 0; i < 5000; ++i) copies += record;
    return copies;
  }());
  // Every offset moved by the inserted records.
  const std::uint32_t shift = 5000 * 13;
  for (std::size_t at = boundsheet; at < boundsheet + 5001 * 13; at += 13) {
    std::uint32_t offset = 0;
    for (int byte = 0; byte < 4; ++byte)
      offset |= std::uint32_t{static_cast<unsigned char>(stream[at + 4 + byte])} << (8 * byte);
    offset += shift;
    for (int byte = 0; byte < 4; ++byte)
      stream[at + 4 + byte] = static_cast<char>((offset >> (8 * byte)) & 0xFF);
  }
  return WorkbookFile(stream);
}

std::string Expanding() {
  // Small records that each ask for a row of 256 cells.
  std::string records;
  for (std::uint16_t row = 0; row < 4000; ++row) records += RkCell(row, 255, RkInteger(1));
  return OneSheet(records);
}

std::string BoundSheetAt(std::uint32_t offset) {
  std::string body;
  Append32(body, offset);
  body += Bytes({0, 0, 1, 0});
  body += 'X';
  return Record(0x0085, body);
}

class XlsBadInputTest : public TestWithParam<BadCase> {};

TEST_P(XlsBadInputTest, ConvertsWhatItCanOrSaysWhy) {
  const readers::ReaderResult result = Read(GetParam().file);
  if (std::string_view(GetParam().reason).empty()) {
    EXPECT_EQ(Body(result), GetParam().body);
  } else {
    EXPECT_FALSE(result.converted);
    EXPECT_TRUE(result.rtf.empty());
    EXPECT_NE(result.reason.find(GetParam().reason), std::string::npos) << result.reason;
  }
}

INSTANTIATE_TEST_SUITE_P(
    BadInputs, XlsBadInputTest,
    Values(BadCase{"FilePass",
                   OneSheet(NumberCell(0, 0, 1), Record(0x002F, std::string(54, '\x11'))),
                   "the workbook is password-protected", ""},
           BadCase{"FilePassBiff5",
                   WorkbookFile(Biff5Stream(Record(0x002F, std::string(4, '\x11')), {{"S", ""}})),
                   "the workbook is password-protected", ""},
           BadCase{"RecordPastTheEnd", TruncatedSheet(), "a record runs past the end", ""},
           BadCase{"SstCountsMoreStringsThanItHolds",
                   OneSheet(LabelSstCell(0, 0, 0) + LabelSstCell(0, 1, 1), SstClaiming(1000000, 2)),
                   "", "S\\par\r\none\\cell tw\\cell \\row\r\n"},
           BadCase{"SstStringLongerThanTheRecord",
                   OneSheet(LabelSstCell(0, 0, 0) + LabelSstCell(0, 1, 1), SstClaiming(2, 60000)),
                   "", "S\\par\r\none\\cell \\row\r\n"},
           BadCase{"SharedStringIndexOutOfRange",
                   OneSheet(LabelSstCell(0, 0, 7) + LabelSstCell(0, 1, 0), Sst({"only"}, 1)), "",
                   "S\\par\r\n\\cell only\\cell \\row\r\n"},
           BadCase{"XfIndexOutOfRange", OneSheet(NumberCell(0, 0, 45352, 900), DateGlobals()), "",
                   "S\\par\r\n45352\\cell \\row\r\n"},
           BadCase{"ColumnPastTheLast", OneSheet(NumberCell(0, 256, 1) + MulRk(1, 254, {6, 6, 6})),
                   "",
                   [] {
                     std::string body = "S\\par\r\n";
                     for (int column = 0; column < 254; ++column) body += "\\cell ";
                     return body + "1\\cell 1\\cell \\row\r\n";
                   }()},
           BadCase{"SheetOffsetOutsideTheStream",
                   WorkbookFile(Biff8Stream(BoundSheetAt(0x7FFFFFF0), {})), "", "X\\par\r\n"},
           BadCase{"BoundSheetsInsideASheet",
                   OneSheet(BoundSheetAt(0) + BoundSheetAt(0) + NumberCell(0, 0, 1)), "",
                   "S\\par\r\n1\\cell \\row\r\n"},
           BadCase{"SheetsOverlap", ManySheetsAtOneOffset(), "the workbook's sheets overlap", ""},
           BadCase{"OutputPastTheLimit", Expanding(), "the workbook expands beyond", ""},
           BadCase{"NoWorkbookStream", doc::WriteCompoundFile({{"Other", "x"}}),
                   "no Workbook stream", ""},
           BadCase{"WorkbookStreamNotBiff", WorkbookFile(std::string(100, 'x')),
                   "not an Excel workbook", ""},
           BadCase{"Biff4Workbook", Record(0x0409, Bytes({0, 0, 0, 1, 0, 0})) + Record(0x000A, ""),
                   "older format that cannot be converted", ""},
           BadCase{"MergedRangesReversedOrHuge",
                   OneSheet(NumberCell(0, 0, 1) + NumberCell(0, 1, 2) + MergedCells(5, 1, 0, 9) +
                            MergedCells(0, 0xFFFF, 0, 0xFFFF)),
                   "", "S\\par\r\n1\\cell \\row\r\n"}),
    [](const TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

TEST(XlsReaderTest, EveryPrefixConvertsOrFailsWithAReason) {
  const std::string bytes = Biff8Stream(SplitSst() + DateGlobals(),
                                        {{"S", LabelSstCell(0, 0, 0) + NumberCell(0, 1, 45352, 1) +
                                                   FormulaCell(1, 0, FormulaSpecial(0, 0)) +
                                                   StringRecord("s") + MergedCells(0, 1, 0, 1)}});
  for (std::size_t length = 0; length <= bytes.size(); ++length) {
    const readers::ReaderResult result = Read(WorkbookFile(bytes.substr(0, length)));
    EXPECT_TRUE(result.converted || !result.reason.empty()) << length;
  }
}

// ---- The shared corpus of real files, when it is beside the repository.

TEST(XlsCorpusTest, EveryFileConvertsOrFailsWithAReason) {
  const std::filesystem::path folder = std::filesystem::path(CORVANE_LEGACY_CORPUS_DIR) / "xls";
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    files.push_back(entry.path());
  }
  if (files.empty()) GTEST_SKIP() << "no shared .xls corpus at " << folder;
  std::sort(files.begin(), files.end());
  std::map<std::string, int> reasons;
  int converted = 0;
  for (const std::filesystem::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const readers::ReaderResult result = Read(bytes);
    if (result.converted) {
      ++converted;
      EXPECT_LE(result.rtf.size(), 16 * bytes.size() + (1u << 20));
      EXPECT_FALSE(RenderRtfAsHtml(result.rtf).empty());
      continue;
    }
    EXPECT_FALSE(result.reason.empty());
    ++reasons[result.reason];
    std::printf("not converted: %s: %s\n", file.filename().string().c_str(), result.reason.c_str());
  }
  std::printf("%zu files, %d converted\n", files.size(), converted);
  for (const auto& [reason, count] : reasons) std::printf("%4d  %s\n", count, reason.c_str());
}

}  // namespace
}  // namespace corvane::xls
