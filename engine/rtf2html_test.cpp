// Unit tables for the engine's pieces, the pathological inputs and the
// re-entrancy of RenderRtfAsHtml. Whole-document behaviour lives in the
// example files under engine/cases.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/conversion_state.h"
#include "engine/rtf2html.h"
#include "os/code_pages.h"
#include "tests/reference_renderer.h"

namespace {

using corvane::engine::ConversionState;
using namespace std::string_view_literals;

constexpr std::string_view kHead =
    "<!DOCTYPE html>\r\n<html><head>\r\n<title></title>\r\n</head>\r\n<body>";
constexpr std::string_view kTail = "\r\n</body></html>\r\n";

// The body of a document with an empty title, or a note that the frame is
// broken, which then fails the comparison it is used in.
std::string BodyOf(const std::string& document) {
  if (!document.starts_with(kHead) || !document.ends_with(kTail) ||
      document.size() < kHead.size() + kTail.size()) {
    return "<broken frame>";
  }
  return document.substr(kHead.size(), document.size() - kHead.size() - kTail.size());
}

std::string Repeat(std::string_view unit, std::size_t times) {
  std::string out;
  out.reserve(unit.size() * times);
  for (std::size_t i = 0; i < times; ++i) out += unit;
  return out;
}

// ReadControlWord, from the byte after the backslash. Positions are 0-based.

struct WordCase {
  const char* name;
  std::string_view source;
  std::size_t start;
  std::string_view word;
  std::string_view param;
  std::size_t end;  // Position afterwards
};

const WordCase kWordCases[] = {
    {"one space after a word is eaten", "\\par x", 1, "par", "", 5},
    {"only one space is eaten", "\\par  x", 1, "par", "", 5},
    {"digits become the parameter", "\\fs24 x", 1, "fs", "24", 6},
    {"minus starts a parameter", "\\li-360\\fi", 1, "li", "-360", 7},
    {"a backslash after the parameter is left", "\\ansicpg1252\\deff0", 1, "ansicpg", "1252", 12},
    {"letters after digits stay in the parameter", "\\sl240slmult1 x", 1, "sl", "240slmult1", 14},
    {"uppercase ends the parameter", "\\fs24Z", 1, "fs", "24", 5},
    {"underscore ends the parameter", "\\x5_", 1, "x", "5", 3},
    {"semicolon ends the word and is not eaten", "\\f0;", 1, "f", "0", 3},
    {"semicolon ends a word without parameter", "\\a;b", 1, "a", "", 2},
    {"a tab ends the word and is not eaten", "\\par\tx", 1, "par", "", 4},
    {"CR ends the word and is not eaten", "\\par\r\nx", 1, "par", "", 4},
    {"a brace ends the word", "\\b{x", 1, "b", "", 2},
    {"uppercase letters are word bytes", "\\PAR1x y", 1, "PAR", "1x", 7},
    {"symbol before a delimiter is one byte", "\\~ x", 1, "~", "", 3},
    {"symbol swallows the letters after it", "\\~x y", 1, "~x", "", 4},
    {"hyphen symbol swallows letters", "\\-ation z", 1, "-ation", "", 8},
    {"hyphen symbol before a digit", "\\-5 x", 1, "-", "5", 4},
    {"star before a backslash", "\\*\\fldinst", 1, "*", "", 2},
    {"hex escape read as a word", "\\'e9t}", 1, "'e", "9t", 5},
    {"escaped brace read as a word", "\\{x}", 1, "{x", "", 3},
    {"escaped backslash read as a word", "\\\\title x", 1, "\\title", "", 8},
    {"a space after the backslash starts a word", "\\ x", 1, " x", "", 3},
    {"a CR after the backslash is a word of its own", "\\\r\nx", 1, "\r", "", 2},
    {"a digit after the backslash is taken, the next ends it", "\\95x", 1, "9", "5x", 4},
    {"unicode escape keeps its fallback", "\\u233?", 1, "u", "233", 5},
    {"negative unicode escape eats its space", "\\u-3913 ?", 1, "u", "-3913", 8},
    {"high bytes and 127 continue a word", "\\a\xE9\x7F\xFF{", 1, "a\xE9\x7F\xFF", "", 5},
    {"word ends at the end of the input", "\\par", 1, "par", "", 4},
    {"parameter ends at the end of the input", "\\fs24", 1, "fs", "24", 5},
    {"space at the end of the input is eaten", "\\par ", 1, "par", "", 5},
    {"a word starts anywhere", "ab\\tab c", 3, "tab", "", 7},
    {"after a lone backslash the word is one NUL", "x\\", 2, "\0"sv, "", 3},
    {"at the end of an empty input the word is one NUL", "", 0, "\0"sv, "", 1},
};

TEST(ReadControlWord, WordParameterAndPosition) {
  for (const WordCase& c : kWordCases) {
    SCOPED_TRACE(c.name);
    ConversionState state(c.source);
    state.Position = c.start;
    state.ReadControlWord();
    EXPECT_EQ(state.Word, c.word);
    EXPECT_EQ(state.Param, c.param);
    EXPECT_EQ(state.Position, c.end);
  }
}

// HexDigitValue.

TEST(HexDigitValue, DigitsLettersAndEverythingElse) {
  struct Row {
    unsigned char byte;
    unsigned char value;
  };
  const Row rows[] = {
      {'0', 0}, {'9', 9}, {'A', 10}, {'F', 15}, {'a', 10}, {'f', 15}, {'c', 12}, {'C', 12},
      {'/', 0}, {':', 0}, {'@', 0},  {'G', 0},  {'`', 0},  {'g', 0},  {'z', 0},  {'Z', 0},
      {0, 0},   {' ', 0}, {'\'', 0}, {0xC1, 0}, {0xE1, 0}, {0xB0, 0}, {0xFF, 0}, {'{', 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "byte " << int{row.byte});
    EXPECT_EQ(int{corvane::engine::HexDigitValue(row.byte)}, int{row.value});
  }
}

TEST(HexDigitValue, EveryByteIsItsPlaceAmongTheDigitsOrZero) {
  constexpr std::string_view kLower = "0123456789abcdef";
  constexpr std::string_view kUpper = "0123456789ABCDEF";
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    std::size_t place = kLower.find(static_cast<char>(byte));
    if (place == std::string_view::npos) place = kUpper.find(static_cast<char>(byte));
    const int expected = place == std::string_view::npos ? 0 : static_cast<int>(place);
    EXPECT_EQ(int{corvane::engine::HexDigitValue(byte)}, expected) << "byte " << b;
  }
}

// CleanUpBody. The engine fuses the three space passes into one; these hold
// it against seven literal passes.

TEST(CleanUpBody, SpaceRunLengths) {
  // What a run of n spaces (index n - 1) shrinks to after 8 -> 1, 4 -> 1, 2 -> 1.
  const std::size_t kShrunk[20] = {1, 1, 2, 1, 1, 2, 2, 1, 1, 2, 1, 1, 2, 2, 1, 1, 2, 1, 1, 2};
  for (std::size_t n = 1; n <= 20; ++n) {
    SCOPED_TRACE(testing::Message() << n << " spaces");
    const std::string run(n, ' ');
    const std::string text = "a" + run + "b";
    EXPECT_EQ(corvane::engine::CleanUpBody(text), "a" + std::string(kShrunk[n - 1], ' ') + "b");
    // The same run in the places where the later passes act on it.
    const std::string contexts[] = {
        text,
        run,
        run + "x",
        "x" + run,
        "\r\n<p>" + run + "</p>",
        "\r\n<p>" + run + "</p>\r\n<p>y</p>",
        "\r\n<p>x" + run + "</p>",
        "\r\n<p>" + run + "x</p>",
        "<br />\r\n" + run + "<br />\r\n",
        "a" + run + "b" + run + "c" + std::string(n + 1, ' ') + "d",
    };
    for (const std::string& context : contexts) {
      EXPECT_EQ(corvane::engine::CleanUpBody(context), corvane::reference::CleanUpBody(context))
          << "in \"" << context << "\"";
    }
  }
}

TEST(CleanUpBody, TagNeighboursAndEmptyParagraphs) {
  struct Row {
    const char* name;
    std::string_view text;
    std::string_view cleaned;
  };
  const Row rows[] = {
      {"empty", "", ""},
      {"one space paragraph", "\r\n<p> </p>", "\r\n<p>&nbsp;</p>"},
      {"two spaces shrink, then nbsp", "\r\n<p>  </p>\r\n<p>x</p>",
       "\r\n<p>&nbsp;</p>\r\n<p>x</p>"},
      {"three spaces vanish with the paragraph", "\r\n<p>   </p>\r\n<p>x</p>", "\r\n<p>x</p>"},
      {"an empty paragraph at the end stays", "\r\n<p>x</p>\r\n<p></p>", "\r\n<p>x</p>\r\n<p></p>"},
      {"a run shrinks, then its space at a tag goes", "a  <b", "a<b"},
      {"space after a tag", "<p> a</p>", "<p>a</p>"},
      {"only the space outside a tag goes", "x > y < z", "x >y< z"},
      {"nbsp pass comes before the tag passes", "<p> </p> </p>", "<p>&nbsp;</p></p>"},
      {"nbsp first, then the tag passes", "<p> a</p><p> </p>\r\n", "<p>a</p><p>&nbsp;</p>\r\n"},
      {"a paragraph emptied by the tag passes is removed", "<p>   </p>\r\nx", "x"},
      {"removal is not repeated on what it leaves", "<p><p></p>\r\n</p>\r\n", "<p></p>\r\n"},
      {"case matters", "<P></P>\r\n", "<P></P>\r\n"},
      {"a space before CR LF stays", " \r\n<p>x</p>", " \r\n<p>x</p>"},
      {"an entity is not a space", "a&nbsp; &nbsp;b", "a&nbsp; &nbsp;b"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(corvane::engine::CleanUpBody(std::string(row.text)), row.cleaned);
    EXPECT_EQ(corvane::reference::CleanUpBody(row.text), row.cleaned);
  }
}

TEST(CleanUpBody, EveryShortMixOfSpacesAndTagsMatchesSevenPasses) {
  // The passes are fused in the engine; every sequence of up to six of
  // these pieces is where one pass could make or break another's match.
  const std::string_view kPieces[] = {" ", "<p>", "</p>", "\r\n", "x", "<", ">"};
  constexpr std::size_t kPieceCount = std::size(kPieces);
  std::vector<std::size_t> digits;
  for (std::size_t length = 0; length <= 6; ++length) {
    digits.assign(length, 0);
    for (;;) {
      std::string text;
      for (std::size_t digit : digits) text += kPieces[digit];
      ASSERT_EQ(corvane::engine::CleanUpBody(text), corvane::reference::CleanUpBody(text))
          << "in \"" << text << "\"";
      std::size_t i = 0;
      while (i < length && ++digits[i] == kPieceCount) digits[i++] = 0;
      if (i == length) break;
    }
  }
}

// Pathological inputs: name, generator, expected shape. The benchmark times
// them; here only the output is checked, and ctest's timeout guards against
// a hang.

// Every row runs in both outputs unless it is about one of them only; the
// full-text frame is checked and then read as the classic one.
struct Pathological {
  const char* name;
  std::string (*make)();
  void (*check)(const std::string& document);
  bool full_text_only = false;
  bool classic_only = false;
};

constexpr std::size_t kMiB = 1024 * 1024;

#ifdef _WIN32
constexpr unsigned kCodePagesEachUsed = 10'000;
#else
constexpr unsigned kCodePagesEachUsed = 400'000;
#endif

const Pathological kPathological[] = {
    {"open_braces_200k", [] { return std::string(200'000, '{'); },
     [](const std::string& doc) { EXPECT_EQ(BodyOf(doc), ""); }},
    {"close_braces_200k_then_text", [] { return std::string(200'000, '}') + "x"; },
     [](const std::string& doc) { EXPECT_EQ(BodyOf(doc), "\r\n<p>x</p>"); }},
    {"nested_groups_200k",
     [] { return std::string(200'000, '{') + "x" + std::string(200'000, '}') + "y"; },
     [](const std::string& doc) { EXPECT_EQ(BodyOf(doc), "\r\n<p>xy</p>"); }},
    {"nested_skipped_groups_200k",
     [] { return Repeat("{\\*", 200'000) + "x" + std::string(200'000, '}') + "y"; },
     [](const std::string& doc) { EXPECT_EQ(BodyOf(doc), "\r\n<p>y</p>"); }},
    {"unclosed_skipped_group_10MB",
     [] {
       constexpr std::string_view kUnit = "0123456789abcdef{\\*\\blip 00}{";
       return "{\\rtf1 a{\\pict " + Repeat(kUnit, 10 * kMiB / kUnit.size());
     },
     [](const std::string& doc) { EXPECT_EQ(BodyOf(doc), "\r\n<p>a</p>"); }},
    {"control_word_1MB", [] { return "{\\rtf1 a\\" + std::string(kMiB, 'x') + " b}"; },
     [](const std::string& doc) { EXPECT_EQ(BodyOf(doc), "\r\n<p>ab</p>"); }},
    {"control_word_1MB_in_skipped_group", [] { return "{\\*\\" + std::string(kMiB, 'x') + " a}b"; },
     [](const std::string& doc) { EXPECT_EQ(BodyOf(doc), "\r\n<p>b</p>"); }},
    {"parameter_1MB", [] { return "{\\rtf1 a\\fs" + std::string(kMiB, '9') + " b}"; },
     [](const std::string& doc) { EXPECT_EQ(BodyOf(doc), "\r\n<p>ab</p>"); }},
    {"hex_escapes_1M", [] { return "{\\rtf1 " + Repeat("\\'41\\'3c", kMiB / 2) + "}"; },
     [](const std::string& doc) {
       EXPECT_EQ(BodyOf(doc), "\r\n<p>" + Repeat("A&lt;", kMiB / 2) + "</p>");
     }},
    {"ends_after_a_backslash", [] { return std::string("{\\rtf1 a\\"); },
     [](const std::string& doc) { EXPECT_EQ(BodyOf(doc), "\r\n<p>a</p>"); }},
    {"text_1MB_then_a_backslash", [] { return std::string(kMiB, 'a') + "\\"; },
     [](const std::string& doc) {
       EXPECT_EQ(BodyOf(doc), "\r\n<p>" + std::string(kMiB, 'a') + "</p>");
     }},
    {"space_run_1M", [] { return "{\\rtf1 a" + std::string(1'000'000, ' ') + "b}"; },
     // 1,000,000 -> 125,000 -> 31,250 -> 15,625.
     [](const std::string& doc) {
       EXPECT_EQ(BodyOf(doc), "\r\n<p>a" + std::string(15'625, ' ') + "b</p>");
     }},
    {"paragraph_breaks_1M_without_text", [] { return "{\\rtf1 " + Repeat("\\par", kMiB) + "}"; },
     [](const std::string& doc) { EXPECT_EQ(BodyOf(doc), ""); }},
    {"paragraphs_200k", [] { return Repeat("a\\par ", 200'000); },
     [](const std::string& doc) { EXPECT_EQ(BodyOf(doc), Repeat("\r\n<p>a</p>", 200'000)); }},
    {"blank_paragraphs_200k", [] { return "x" + Repeat("\\par  ", 200'000) + "\\par y"; },
     [](const std::string& doc) {
       EXPECT_EQ(BodyOf(doc),
                 "\r\n<p>x</p>" + Repeat("\r\n<p>&nbsp;</p>", 200'000) + "\r\n<p>y</p>");
     }},
    {"cells_500k", [] { return Repeat("x\\cell ", 500'000); },
     [](const std::string& doc) {
       EXPECT_EQ(BodyOf(doc), "\r\n<p>x" + Repeat(" | x", 500'000 - 1) + "</p>");
     },
     false, true},
    {"cells_500k_as_table", [] { return Repeat("x\\cell ", 500'000); },
     [](const std::string& doc) {
       EXPECT_EQ(BodyOf(doc),
                 "\r\n<table>\r\n<tr>" + Repeat("<td>x</td>", 500'000) + "</tr>\r\n</table>");
     },
     true},
    // Without \intbl, each row's first cell is first written as a paragraph
    // and then turned into the cell.
    {"rows_without_table_marks_200k", [] { return Repeat("x\\cell\\row ", 200'000); },
     [](const std::string& doc) {
       EXPECT_EQ(BodyOf(doc),
                 "\r\n<table>" + Repeat("\r\n<tr><td>x</td></tr>", 200'000) + "\r\n</table>");
     },
     true},
    {"cell_of_10MB", [] { return std::string(10 * kMiB, 'x') + "\\cell\\row"; },
     [](const std::string& doc) {
       EXPECT_EQ(BodyOf(doc), "\r\n<table>\r\n<tr><td>" + std::string(10 * kMiB, 'x') +
                                  "</td></tr>\r\n</table>");
     },
     true},
    {"bold_across_200k_paragraphs", [] { return "{\\b " + Repeat("a\\par ", 200'000) + "}"; },
     [](const std::string& doc) {
       EXPECT_EQ(BodyOf(doc), Repeat("\r\n<p><strong>a</strong></p>", 200'000));
     },
     true},
    {"list_items_200k", [] { return Repeat("{\\*\\pn\\pnlvlblt}a\\par ", 200'000); },
     [](const std::string& doc) {
       EXPECT_EQ(BodyOf(doc),
                 "\r\n<ul><li>a</li>" + Repeat("\r\n<li>a</li>", 200'000 - 1) + "</ul>");
     }},
    {"title_1MB", [] { return "{\\info{\\title " + std::string(kMiB, '&') + "}}"; },
     [](const std::string& doc) {
       EXPECT_EQ(doc, "<!DOCTYPE html>\r\n<html><head>\r\n<title>" + Repeat("&amp;", kMiB) +
                          "</title>\r\n</head>\r\n<body>\r\n</body></html>\r\n");
     }},
    {"titles_200k", [] { return "{\\info" + Repeat("{\\title ab}", 200'000) + "}"; },
     [](const std::string& doc) {
       EXPECT_EQ(doc,
                 "<!DOCTYPE html>\r\n<html><head>\r\n<title>ab</title>\r\n</head>\r\n"
                 "<body>\r\n</body></html>\r\n");
     }},
    {"nul_bytes_10MB", [] { return std::string(10 * kMiB, '\0'); },
     [](const std::string& doc) { EXPECT_EQ(BodyOf(doc), ""); }},
    {"unicode_characters_1M", [] { return "{\\rtf1\\uc2 " + Repeat("\\u1046\\'3f?", kMiB) + "}"; },
     [](const std::string& doc) {
       EXPECT_EQ(BodyOf(doc), "\r\n<p>" + Repeat("\u0416", kMiB) + "</p>");
     },
     true},
    {"double_byte_pairs_1M",
     [] { return "{\\rtf1\\ansicpg932 " + Repeat("\\'82\\'a0", kMiB) + "}"; },
     [](const std::string& doc) {
       EXPECT_EQ(BodyOf(doc), "\r\n<p>" + Repeat("\u3042", kMiB) + "</p>");
     },
     true},
    {"fonts_200k_each_used",
     [] {
       std::string rtf = "{\\rtf1{\\fonttbl";
       for (int i = 0; i < 200'000; ++i) rtf += "{\\f" + std::to_string(i) + "\\fcharset204 x;}";
       rtf += "}";
       for (int i = 0; i < 200'000; ++i) rtf += "\\f" + std::to_string(i) + " \\'cf";
       return rtf + "}";
     },
     [](const std::string& doc) {
       EXPECT_EQ(BodyOf(doc), "\r\n<p>" + Repeat("\u041f", 200'000) + "</p>");
     },
     true},
    {"code_pages_each_used",
     [] {
       // A new page the system lacks before every other character, and
       // real pages in turn between them. Windows asks the system about
       // every new page, which takes minutes under emulation, so it meets
       // fewer.
       constexpr unsigned kReal[] = {1250, 1252, 1254, 1257, 1258, 28591};
       std::string rtf = "{\\rtf1{\\fonttbl";
       for (unsigned i = 0; i < 40; ++i) {
         rtf += "{\\f" + std::to_string(i) + "\\cpg" + std::to_string(kReal[i % 6]) + " x;}";
       }
       rtf += "}";
       for (unsigned i = 0; i < kCodePagesEachUsed; ++i) {
         rtf += "\\ansicpg" + std::to_string(100'000 + i) + "\\plain\\'e9\\f" +
                std::to_string(i % 40) + "\\'e9";
       }
       return rtf + "}";
     },
     [](const std::string& doc) {
       EXPECT_EQ(BodyOf(doc), "\r\n<p>" + Repeat("\u00e9", 2 * kCodePagesEachUsed) + "</p>");
     },
     true},
    {"list_items_200k_of_200k_lists",
     [] {
       std::string rtf = "{\\rtf1{\\*\\listtable";
       for (int i = 1; i <= 200'000; ++i)
         rtf += "{\\list{\\listlevel\\levelnfc0}\\listid" + std::to_string(i) + "}";
       rtf += "}{\\*\\listoverridetable";
       for (int i = 1; i <= 200'000; ++i)
         rtf += "{\\listoverride\\listid" + std::to_string(i) + "\\ls" + std::to_string(i) + "}";
       rtf += "}";
       for (int i = 1; i <= 200'000; ++i) rtf += "\\pard\\ls" + std::to_string(i) + " a\\par ";
       return rtf + "}";
     },
     [](const std::string& doc) {
       EXPECT_EQ(BodyOf(doc),
                 "\r\n<ol><li>a</li>" + Repeat("\r\n<li>a</li>", 200'000 - 1) + "</ol>");
     },
     true},
};

struct PathologicalRun {
  Pathological row;
  bool full_text;
};

std::vector<PathologicalRun> PathologicalRuns() {
  std::vector<PathologicalRun> runs;
  for (const Pathological& row : kPathological) {
    if (!row.full_text_only) runs.push_back({row, false});
    if (!row.classic_only) runs.push_back({row, true});
  }
  return runs;
}

void PrintTo(const PathologicalRun& run, std::ostream* out) { *out << run.row.name; }

class PathologicalInput : public testing::TestWithParam<PathologicalRun> {};

TEST_P(PathologicalInput, KeepsItsShape) {
  const PathologicalRun& run = GetParam();
  const std::string input = run.row.make();
  if (!run.full_text) return run.row.check(corvane::RenderRtfAsHtml(input));
  std::string document =
      corvane::RenderRtfAsFullTextHtml(input, corvane::os::SystemCodePageDecoder());
  constexpr std::string_view kCharset = "<meta charset=\"utf-8\">";
  const std::size_t at = document.find("<head>") + 6;
  ASSERT_EQ(document.compare(at, kCharset.size(), kCharset), 0) << document.substr(0, 80);
  document.erase(at, kCharset.size());
  run.row.check(document);
}

INSTANTIATE_TEST_SUITE_P(Pathological, PathologicalInput, testing::ValuesIn(PathologicalRuns()),
                         [](const auto& info) {
                           return std::string(info.param.row.name) +
                                  (info.param.full_text ? "_full_text" : "_classic");
                         });

// GB18030 in the full output: a character is up to four bytes, whose second
// and fourth may be digits written as they are. Only where the system has
// the page's tables (Wine, for one, has not: there it reads as the fallback
// page, as any page the system lacks).
TEST(FullTextHtml, Gb18030IsReadAsTheMultiByteEncodingItIs) {
  std::u32string probe;
  if (!corvane::os::SystemCodePageDecoder().Decode(54936, "\x81\x30\x81\x30", probe)) {
    GTEST_SKIP() << "this system has no GB18030 tables";
  }
  const std::string html = corvane::RenderRtfAsFullTextHtml(
      "{\\rtf1\\ansi{\\fonttbl{\\f0\\cpg54936 SimSun;}}\\f0 \\'d6\\'d0 \\'94\\'39\\'fc\\'36 "
      "\x94"
      "9\xFC"
      "6 \x81"
      "0\x81"
      "0 \\'a8\\'a6}",
      corvane::os::SystemCodePageDecoder());
  EXPECT_NE(html.find("<p>\u4E2D \U0001F600 \U0001F600 \u0080 \u00E9</p>"), std::string::npos)
      << html;
}

// Re-entrancy: two conversions at once give the bytes of one at a time. Many
// short conversions rather than a few long ones, so that the two threads are
// often inside the same step (the frame, the clean-up) at the same moment.

TEST(RenderRtfAsHtml, TwoThreadsAtOnceMatchOneAtATime) {
  const std::string inputs[2] = {
      "{\\rtf1{\\info{\\title First & <one> of two threads}}" +
          Repeat("{\\*\\pn\\pnlvlblt}item\\'e9\\par a\\cell b\\cell\\row \\page  \\par ", 20) + "}",
      "{\\rtf1{\\fonttbl{\\f0 x;}}{\\info{\\title The second, a longer title}}" +
          Repeat("text   with  spaces\\tab\\emdash\\line {\\*\\pn\\pnlvlbody}n\\par   \\par\\sect ",
                 20) +
          "}",
  };
  const std::string expected[2] = {corvane::RenderRtfAsHtml(inputs[0]),
                                   corvane::RenderRtfAsHtml(inputs[1])};
  ASSERT_NE(expected[0], expected[1]);

  constexpr int kRounds = 10000;
  std::atomic<int> ready{0};
  int mismatches[2] = {0, 0};
  auto work = [&](int which) {
    ++ready;
    while (ready.load() < 2) {
    }
    for (int round = 0; round < kRounds; ++round) {
      if (corvane::RenderRtfAsHtml(inputs[which]) != expected[which]) ++mismatches[which];
    }
  };
  std::thread first(work, 0);
  std::thread second(work, 1);
  first.join();
  second.join();
  EXPECT_EQ(mismatches[0], 0);
  EXPECT_EQ(mismatches[1], 0);
}

}  // namespace
