// Each construct of a Word binary document, built small in the test, checked
// on the RTF the reader writes and on the HTML our engine makes of it; then
// every real .doc of the shared corpus, when it is there.
#include "readers/doc/doc_reader.h"

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

namespace corvane::doc {
namespace {

// ---- A minimal Word 97 file: FIB, text in pieces, one PAPX page, one CHPX
// page, and in the table stream the piece table, bin tables, notes and lists.

void Put16(std::string& out, std::size_t at, std::uint32_t value) {
  if (out.size() < at + 2) out.resize(at + 2, '\0');
  out[at] = static_cast<char>(value & 0xFF);
  out[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}
void Put32(std::string& out, std::size_t at, std::uint32_t value) {
  Put16(out, at, value & 0xFFFF);
  Put16(out, at + 2, value >> 16);
}
void Append16(std::string& out, std::uint32_t value) { Put16(out, out.size(), value); }
void Append32(std::string& out, std::uint32_t value) { Put32(out, out.size(), value); }

std::string Sprm16(std::uint16_t code, std::uint16_t value) {
  std::string out;
  Append16(out, code);
  Append16(out, value);
  return out;
}
std::string Sprm8(std::uint16_t code, std::uint8_t value) {
  std::string out;
  Append16(out, code);
  out += static_cast<char>(value);
  return out;
}
const std::string kInTable = Sprm8(0x2416, 1);
const std::string kRowEnd = Sprm8(0x2416, 1) + Sprm8(0x2417, 1);
const std::string kHidden = Sprm8(0x083C, 1);
const std::string kDeleted = Sprm8(0x0800, 1);
std::string ListItem(std::uint16_t ilfo) { return Sprm16(0x460B, ilfo); }
std::string Font(std::uint16_t ftc) { return Sprm16(0x4A4F, ftc); }
std::string Language(std::uint16_t lid) { return Sprm16(0x4873, lid); }
// sprmCSymbol: the font, then the character put in place of the mark.
std::string Symbol(std::uint16_t ftc, std::uint16_t code) {
  std::string out = Sprm16(0x6A09, ftc);
  Append16(out, code);
  return out;
}

struct DocFixture {
  std::u16string text;  // the stories one after another
  std::uint32_t ccp_ftn = 0;
  std::uint32_t ccp_txbx = 0;
  std::vector<std::uint32_t> compressed_pieces;  // start CPs of 8-bit pieces (up to the next)
  std::map<std::uint32_t, std::string> paragraph_sprms;  // by the CP of the mark
  std::map<std::uint32_t, std::pair<std::uint32_t, std::string>>
      character_sprms;                                             // start: end, sprms
  std::vector<std::pair<std::uint32_t, std::uint32_t>> footnotes;  // reference CP, text start
  bool lists = false;
  bool encrypted = false;
  std::string title;
  std::vector<std::pair<std::string, std::uint8_t>> fonts;  // name, character set
};

// Pieces break at every listed start and where each 8-bit piece ends
// (at the next paragraph mark).
struct Layout {
  struct PieceLayout {
    std::uint32_t cp_start, cp_end;
    bool compressed;
    std::uint32_t fc = 0;
  };
  std::vector<PieceLayout> pieces;
  std::uint32_t FcOf(std::uint32_t cp) const {
    for (const PieceLayout& piece : pieces) {
      if (cp >= piece.cp_start && cp < piece.cp_end)
        return piece.fc + (cp - piece.cp_start) * (piece.compressed ? 1 : 2);
    }
    return 0;
  }
  std::uint32_t WidthOf(std::uint32_t cp) const {
    for (const PieceLayout& piece : pieces) {
      if (cp >= piece.cp_start && cp < piece.cp_end) return piece.compressed ? 1 : 2;
    }
    return 2;
  }
};

// One FKP page from runs {fc start, fc end, data}; gaps get runs without data.
std::string FkpPage(const std::vector<std::tuple<std::uint32_t, std::uint32_t, std::string>>& runs,
                    bool paragraphs) {
  std::vector<std::uint32_t> fcs;
  std::vector<std::string> data;
  for (const auto& [start, end, bytes] : runs) {
    if (!fcs.empty() && fcs.back() != start) {
      data.push_back("");
      fcs.push_back(start);
    }
    if (fcs.empty()) fcs.push_back(start);
    data.push_back(bytes);
    fcs.push_back(end);
  }
  std::string page(512, '\0');
  const std::size_t count = data.size();
  const std::size_t entry_size = paragraphs ? 13 : 1;
  EXPECT_LT(4 * (count + 1) + entry_size * count, 300u) << "a fixture fits one page";
  for (std::size_t i = 0; i < fcs.size(); ++i) Put32(page, 4 * i, fcs[i]);
  std::size_t free_end = 511;
  for (std::size_t i = 0; i < count; ++i) {
    if (data[i].empty() && !paragraphs) continue;
    std::string entry;
    if (paragraphs) {
      const std::string papx = std::string(2, '\0') + data[i];  // istd 0
      if (papx.size() % 2 == 1) {
        entry = static_cast<char>((papx.size() + 1) / 2) + papx;
      } else {
        entry = std::string(1, '\0') + static_cast<char>(papx.size() / 2) + papx;
      }
    } else {
      entry = static_cast<char>(data[i].size()) + data[i];
    }
    std::size_t at = (free_end - entry.size()) & ~std::size_t{1};
    page.replace(at, entry.size(), entry);
    free_end = at;
    page[4 * (count + 1) + entry_size * i] = static_cast<char>(at / 2);
  }
  page[511] = static_cast<char>(count);
  return page;
}

std::string PlfLst() {
  // Two simple lists: lsid 1 bulleted, lsid 2 numbered; one LFO each.
  std::string out;
  Append16(out, 2);
  for (std::uint32_t lsid = 1; lsid <= 2; ++lsid) {
    std::string lstf(28, '\0');
    Put32(lstf, 0, lsid);
    lstf[26] = 1;  // fSimpleList
    out += lstf;
  }
  for (int nfc : {23, 0}) {
    std::string lvlf(28, '\0');
    lvlf[4] = static_cast<char>(nfc);
    out += lvlf;
    if (nfc == 23) {
      Append16(out, 1);
      Append16(out, 0xF0B7);
    } else {
      Append16(out, 2);
      Append16(out, 0);
      Append16(out, '.');
    }
  }
  return out;
}

std::string PlfLfo() {
  std::string out;
  Append32(out, 2);
  for (std::uint32_t lsid = 1; lsid <= 2; ++lsid) {
    std::string lfo(16, '\0');
    Put32(lfo, 0, lsid);
    out += lfo;
  }
  Append32(out, 0);
  Append32(out, 0);
  return out;
}

// SttbfFfn: a count, no extra data, then each FFN from its size byte; the
// name (ASCII here) after the fixed part.
std::string FontTable(const std::vector<std::pair<std::string, std::uint8_t>>& fonts) {
  std::string out;
  Append16(out, static_cast<std::uint32_t>(fonts.size()));
  Append16(out, 0);
  for (const auto& [name, charset] : fonts) {
    std::string ffn(40, '\0');
    ffn[4] = static_cast<char>(charset);
    for (const char c : name) Append16(ffn, static_cast<unsigned char>(c));
    Append16(ffn, 0);
    ffn[0] = static_cast<char>(ffn.size() - 1);
    out += ffn;
  }
  return out;
}

std::string BuildDoc(const DocFixture& fixture) {
  const auto size = static_cast<std::uint32_t>(fixture.text.size());
  const std::uint32_t ccp_text = size - fixture.ccp_ftn - fixture.ccp_txbx;
  Layout layout;
  {
    std::vector<std::uint32_t> starts = {0};
    for (std::uint32_t cp : fixture.compressed_pieces) {
      starts.push_back(cp);
      std::uint32_t end = cp;
      while (end < size && fixture.text[end] != u'\r') ++end;
      if (end < size) starts.push_back(end + 1);
    }
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    for (std::size_t i = 0; i < starts.size(); ++i) {
      if (starts[i] >= size) break;
      const std::uint32_t end = i + 1 < starts.size() ? std::min(starts[i + 1], size) : size;
      const bool compressed =
          std::find(fixture.compressed_pieces.begin(), fixture.compressed_pieces.end(),
                    starts[i]) != fixture.compressed_pieces.end();
      layout.pieces.push_back({starts[i], end, compressed});
    }
  }
  // The WordDocument stream: FIB, then text from 0x400, then the FKP pages.
  std::string word(0x400, '\0');
  for (auto& piece : layout.pieces) {
    piece.fc = static_cast<std::uint32_t>(word.size());
    for (std::uint32_t cp = piece.cp_start; cp < piece.cp_end; ++cp) {
      if (piece.compressed) {
        word += static_cast<char>(fixture.text[cp]);
      } else {
        Append16(word, fixture.text[cp]);
      }
    }
  }
  const auto fc_mac = static_cast<std::uint32_t>(word.size());
  word.resize((word.size() + 511) / 512 * 512, '\0');
  const std::uint32_t papx_page = static_cast<std::uint32_t>(word.size() / 512);
  std::vector<std::tuple<std::uint32_t, std::uint32_t, std::string>> paragraph_runs;
  for (std::uint32_t cp = 0; cp < size; ++cp) {
    if (fixture.text[cp] != u'\r' && fixture.text[cp] != 7) continue;
    const auto found = fixture.paragraph_sprms.find(cp);
    if (found == fixture.paragraph_sprms.end()) continue;
    paragraph_runs.emplace_back(layout.FcOf(cp), layout.FcOf(cp) + layout.WidthOf(cp),
                                found->second);
  }
  word += FkpPage(paragraph_runs, true);
  const std::uint32_t chpx_page = static_cast<std::uint32_t>(word.size() / 512);
  std::vector<std::tuple<std::uint32_t, std::uint32_t, std::string>> character_runs;
  for (const auto& [start, run] : fixture.character_sprms) {
    // Runs are within one piece in these fixtures.
    character_runs.emplace_back(
        layout.FcOf(start), layout.FcOf(run.first - 1) + layout.WidthOf(run.first - 1), run.second);
  }
  word += FkpPage(character_runs, false);

  std::string table;
  std::map<int, std::pair<std::uint32_t, std::uint32_t>> pairs;  // index: fc, lcb
  const auto add = [&](int index, const std::string& bytes) {
    pairs[index] = {static_cast<std::uint32_t>(table.size()),
                    static_cast<std::uint32_t>(bytes.size())};
    table += bytes;
  };
  {
    std::string clx = "\x02";
    std::string plc;
    for (const auto& piece : layout.pieces) Append32(plc, piece.cp_start);
    Append32(plc, size);
    for (const auto& piece : layout.pieces) {
      Append16(plc, 0);
      Append32(plc, piece.compressed ? (piece.fc * 2) | 0x40000000u : piece.fc);
      Append16(plc, 0);
    }
    Append32(clx, static_cast<std::uint32_t>(plc.size()));
    add(33, clx + plc);
  }
  const auto bin_table = [&](std::uint32_t page) {
    std::string plc;
    Append32(plc, 0);
    Append32(plc, static_cast<std::uint32_t>(0x400 + 2 * size));
    Append32(plc, page);
    return plc;
  };
  add(13, bin_table(papx_page));
  add(12, bin_table(chpx_page));
  if (!fixture.footnotes.empty()) {
    std::string refs;
    std::string texts;
    for (const auto& [reference, text] : fixture.footnotes) Append32(refs, reference);
    Append32(refs, ccp_text);
    for (std::size_t i = 0; i < fixture.footnotes.size(); ++i) Append16(refs, 1);
    for (const auto& [reference, text] : fixture.footnotes) Append32(texts, text);
    Append32(texts, fixture.ccp_ftn);
    add(2, refs);
    add(3, texts);
  }
  if (fixture.lists) {
    add(73, PlfLst());
    add(74, PlfLfo());
  }
  if (!fixture.fonts.empty()) add(15, FontTable(fixture.fonts));

  // The FIB: base, 14 words, 22 longs, 93 pairs.
  Put16(word, 0, 0xA5EC);
  Put16(word, 2, 0x00C1);
  Put16(word, 0x0A, 0x0200 | (fixture.encrypted ? 0x0100 : 0));  // 1Table
  Put32(word, 0x18, 0x400);
  Put32(word, 0x1C, fc_mac);
  Put16(word, 0x20, 14);
  Put16(word, 0x3E, 22);
  Put32(word, 0x40, static_cast<std::uint32_t>(word.size()));
  Put32(word, 0x4C, ccp_text);
  Put32(word, 0x50, fixture.ccp_ftn);
  Put32(word, 0x64, fixture.ccp_txbx);
  Put16(word, 0x98, 93);
  for (const auto& [index, where] : pairs) {
    Put32(word, 0x9A + 8 * index, where.first);
    Put32(word, 0x9A + 8 * index + 4, where.second);
  }
  std::vector<std::pair<std::string, std::string>> streams = {{"WordDocument", word},
                                                              {"1Table", table}};
  if (!fixture.title.empty())
    streams.emplace_back("\005SummaryInformation", SummaryInformationStream(fixture.title, 1252));
  return WriteCompoundFile(streams);
}

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
  return out;
}

struct TextCase {
  const char* name;
  DocFixture fixture;
  const char* rtf;
};

class DocTextTest : public testing::TestWithParam<TextCase> {};

TEST_P(DocTextTest, WritesTheRtfTheEngineExpects) {
  const TextCase& c = GetParam();
  EXPECT_EQ(Body(Read(BuildDoc(c.fixture))), c.rtf);
}

DocFixture PlainFixture(std::u16string text) {
  DocFixture fixture;
  fixture.text = std::move(text);
  return fixture;
}

DocFixture WithParagraphs(std::u16string text, std::map<std::uint32_t, std::string> sprms) {
  DocFixture fixture = PlainFixture(std::move(text));
  fixture.paragraph_sprms = std::move(sprms);
  return fixture;
}

DocFixture Compressed(std::u16string text, std::vector<std::uint32_t> starts) {
  DocFixture fixture = PlainFixture(std::move(text));
  fixture.compressed_pieces = std::move(starts);
  return fixture;
}

DocFixture WithCharacters(std::u16string text,
                          std::map<std::uint32_t, std::pair<std::uint32_t, std::string>> runs,
                          std::vector<std::uint32_t> compressed_starts = {}) {
  DocFixture fixture = PlainFixture(std::move(text));
  fixture.character_sprms = std::move(runs);
  fixture.compressed_pieces = std::move(compressed_starts);
  return fixture;
}

// Fonts 0 to 3: a text font, two symbol fonts, and a Cyrillic one.
DocFixture WithFonts(DocFixture fixture) {
  fixture.fonts = {{"Times New Roman", 0}, {"Symbol", 2}, {"Wingdings", 2}, {"Arial Cyr", 204}};
  return fixture;
}

const TextCase kTextCases[] = {
    {"Paragraphs", PlainFixture(u"One\rTwo\r"), "One\\par\r\nTwo\\par\r\n"},
    {"EightBitPieceUsesTheCompressedMapping",
     // The fixture writes each character's low byte: 0x93 and 0x94 in an
     // 8-bit piece are curly quotes, as in code page 1252.
     Compressed(u"Caf\u00e9 \u0093q\u0094\rNext\r", {0}),
     "Caf\\u233\\'e9 \\u8220\\'93q\\u8221\\'94\\par\r\nNext\\par\r\n"},
    {"MixedPieces", Compressed(u"Wide \u0416\rNarrow\rWide\r", {6}),
     "Wide \\u1046?\\par\r\nNarrow\\par\r\nWide\\par\r\n"},
    {"SurrogatePair", PlainFixture(u"a\U0001F600b\r"), "a{\\uc0\\u-10179\\uc1\\u-8704?}b\\par\r\n"},
    {"SpecialCharacters",
     PlainFixture(u"a\tb\vc\x1e"
                  u"d\x1f"
                  u"e\u00a0f\x05g\x01h\r"),
     "a\\tab b\\line c-de\\u160\\'a0fgh\\par\r\n"},
    {"PageBreakInParagraph",
     PlainFixture(u"a\x0c"
                  u"b\r"),
     "a\\page\r\nb\\par\r\n"},
    {"FieldKeepsItsResult",
     PlainFixture(u"See \x13 PAGEREF x \x14"
                  u"3\x15 here\r"),
     "See 3 here\\par\r\n"},
    {"NestedFieldsKeepOnlyResults",
     PlainFixture(u"\x13 IF \x13 DATE \x14"
                  u"1\x15 \x14"
                  u"A\x13 X \x14"
                  u"B\x15"
                  u"C\x15.\r"),
     "ABC.\\par\r\n"},
    {"FieldWithoutSeparatorKeepsNothing",
     PlainFixture(u"a\x13 TC entry \x15"
                  u"b\r"),
     "ab\\par\r\n"},
    {"TableOfTwoRows",
     WithParagraphs(
         u"A\x07"
         u"B\x07\x07"
         u"C\x07"
         u"D\x07\x07"
         u"After\r",
         {{1, kInTable}, {3, kInTable}, {4, kRowEnd}, {6, kInTable}, {8, kInTable}, {9, kRowEnd}}),
     "A\\cell B\\cell \\row\r\nC\\cell D\\cell \\row\r\nAfter\\par\r\n"},
    {"ParagraphsInACellAreLines",
     WithParagraphs(u"one\rtwo\x07\x07", {{3, kInTable}, {7, kInTable}, {8, kRowEnd}}),
     "one\\line two\\cell \\row\r\n"},
    {"HiddenAndDeletedTextDropped",
     WithCharacters(u"keep hide del end\r", {{5, {10, kHidden}}, {10, {14, kDeleted}}}),
     "keep end\\par\r\n"},
    // A symbol font's code becomes its character: the inserted symbol
    // (sprmCSymbol, in place of a "(") as private-use text is.
    {"SymbolsOfSymbolFonts",
     WithFonts(WithCharacters(u"a(b(c(d\uF0B1e\uF06C\r", {{1, {2, Symbol(1, 0xF061)}},
                                                          {3, {4, Symbol(2, 0xF0FC)}},
                                                          {5, {6, Symbol(0, 0x00E9)}},
                                                          {7, {8, Font(1)}},
                                                          {9, {10, Font(2)}}})),
     "a\\u945?b\\u10003?c\\u233\\'e9d\\u177\\'b1e\\u9679?\\par\r\n"},
    {"SymbolOfAnUnknownFontIsABullet", WithCharacters(u"a(\r", {{1, {2, Symbol(7, 0xF041)}}}),
     "a\\u8226\\'95\\par\r\n"},
    // 8-bit pieces are code page 1252, unless a run's language names another
    // single-byte page: then its high bytes are text of that page ("\u00d3\u00f1\u00f2" are the
    // bytes D3 F1 F2).
    {"EightBitRunOfACyrillicLanguage",
     WithCharacters(u"\u00d3\u00f1\u00f2 \u00d3\r",
                    {{0, {3, Language(0x0419)}}, {4, {5, Language(0x0409)}}}, {0}),
     "\\u1059?\\u1089?\\u1090? \\u211\\'d3\\par\r\n"},
    // Word writes Western text in a Cyrillic set's font as 1252 all the same.
    {"EightBitRunInAFontOfACyrillicCharacterSetStaysWestern",
     WithFonts(WithCharacters(u"\u00a3\u00a5\r", {{0, {2, Font(3)}}}, {0})),
     "\\u163\\'a3\\u165\\'a5\\par\r\n"},
    {"SixteenBitRunKeepsItsCharacters",
     WithCharacters(u"\u00d3\u00f1\r", {{0, {2, Language(0x0419)}}}),
     "\\u211\\'d3\\u241\\'f1\\par\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Constructs, DocTextTest, testing::ValuesIn(kTextCases),
                         [](const testing::TestParamInfo<TextCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(DocReaderTest, ListsAreBulletedOrNumberedWithoutTheirLabels) {
  DocFixture fixture = WithParagraphs(u"Dot\rOne\rTwo\rPlain\r",
                                      {{3, ListItem(1)}, {7, ListItem(2)}, {11, ListItem(2)}});
  fixture.lists = true;
  const std::string rtf = Read(BuildDoc(fixture)).rtf;
  EXPECT_EQ(Body(Read(BuildDoc(fixture))),
            "{\\*\\pn\\pnlvlblt}Dot\\par\\pard\r\n{\\*\\pn\\pnlvlbody}One\\par\\pard\r\n"
            "{\\*\\pn\\pnlvlbody}Two\\par\\pard\r\nPlain\\par\r\n");
  const std::string html = HtmlBody(rtf);
  EXPECT_NE(html.find("<ul>"), std::string::npos) << html;
  EXPECT_NE(html.find("<ol>"), std::string::npos) << html;
  EXPECT_NE(html.find("<li>One</li>"), std::string::npos) << html;
  // The paragraph after the list is none of its items, in either output.
  EXPECT_NE(html.find("<p>Plain</p>"), std::string::npos) << html;
  const std::string full_text = RenderRtfAsFullTextHtml(rtf, os::SystemCodePageDecoder());
  EXPECT_NE(full_text.find("<p>Plain</p>"), std::string::npos) << full_text;
}

TEST(DocReaderTest, AnUnknownListOverrideIsNoList) {
  DocFixture fixture = WithParagraphs(u"Text\r", {{4, ListItem(9)}});
  fixture.lists = true;
  EXPECT_EQ(Body(Read(BuildDoc(fixture))), "Text\\par\r\n");
}

TEST(DocReaderTest, FootnoteReferenceBecomesANumberAndTheNoteFollowsTheBody) {
  // Main text "Word\x02.\r", then the footnote story "\x02 Note text\r".
  DocFixture fixture = PlainFixture(u"Word\x02.\rMore\r\x02 Note text\rsecond line\r");
  fixture.ccp_ftn = 24;
  fixture.footnotes = {{4, 0}};
  const readers::ReaderResult result = Read(BuildDoc(fixture));
  EXPECT_EQ(Body(result),
            "Word[1].\\par\r\nMore\\par\r\n\\page\r\n{\\*\\pn\\pnlvlbody} Note text\\line "
            "second line\\par\\pard\r\n");
  const std::string html = HtmlBody(result.rtf);
  EXPECT_NE(html.find("Word[1]."), std::string::npos) << html;
  EXPECT_NE(html.find("<ol>"), std::string::npos) << html;
}

TEST(DocReaderTest, TitleComesFromTheSummaryInformation) {
  DocFixture fixture = PlainFixture(u"Body\r");
  fixture.title = "Caf\xe9 {report}";
  const readers::ReaderResult result = Read(BuildDoc(fixture));
  EXPECT_EQ(result.rtf.substr(0, result.rtf.find("\r\n")),
            "{\\rtf1\\ansi\\uc1{\\info{\\title Caf\\'e9 \\{report\\}}}");
  const std::string html = RenderRtfAsHtml(result.rtf);
  EXPECT_NE(html.find("<title>Caf"), std::string::npos) << html;
}

TEST(DocReaderTest, ResultRendersAsHtml) {
  const readers::ReaderResult result =
      Read(BuildDoc(WithParagraphs(u"Hello \x13 HYPERLINK x \x14world\x15\rA\x07"
                                   u"B\x07\x07",
                                   {{29, kInTable}, {31, kInTable}, {32, kRowEnd}})));
  const std::string html = HtmlBody(result.rtf);
  EXPECT_NE(html.find("Hello world"), std::string::npos) << html;
  EXPECT_NE(html.find("<p>A | B</p>"), std::string::npos) << html;
  EXPECT_EQ(html.find("HYPERLINK"), std::string::npos) << html;
}

// ---- Failures: each one sentence, naming what was wrong.

std::string Patched(std::string bytes, std::size_t at, std::string_view with) {
  bytes.replace(at, with.size(), with);
  return bytes;
}

TEST(DocReaderTest, FailuresSayWhatIsWrong) {
  DocFixture encrypted = PlainFixture(u"Secret\r");
  encrypted.encrypted = true;
  const std::string good = BuildDoc(PlainFixture(u"Fine text\r"));
  // The fixture's layout: WordDocument's data first, at sector 1.
  const std::size_t word = 512;
  struct Failure {
    const char* name;
    std::string bytes;
    const char* reason;
  } failures[] = {
      {"encrypted", BuildDoc(encrypted), "the document is password-protected"},
      {"not a compound file", "plain text, not a document", "the file is not a Word document"},
      {"no WordDocument stream", WriteCompoundFile({{"Other", "x"}}), "no WordDocument stream"},
      {"Word 2", Patched(std::string(0x200, '\0'), 0, "\xDB\xA5\x2D\x00"), "older Word format"},
      // Saved in pieces (fComplex), its text needs the table stream.
      {"no table stream",
       WriteCompoundFile(
           {{"WordDocument", Patched(good.substr(word, 0x400), 0x0A, std::string("\x04\x02", 2))}}),
       "has no table stream"},
      {"piece table points past the stream",
       Patched(good, word + 0x9A + 8 * 33, std::string("\xF0\xFF\x00\x00", 4)),
       "piece table is broken"},
  };
  for (const Failure& failure : failures) {
    SCOPED_TRACE(failure.name);
    const readers::ReaderResult result = Read(failure.bytes);
    EXPECT_FALSE(result.converted);
    EXPECT_TRUE(result.rtf.empty());
    EXPECT_NE(result.reason.find(failure.reason), std::string::npos) << result.reason;
  }
}

// Damage past the text costs the formatting of what it covers, never words:
// each case is the fixture below with one structure broken.
TEST(DocReaderTest, DamagedFormattingKeepsTheText) {
  const std::string good = BuildDoc(WithParagraphs(u"Fine text\r", {{9, kInTable}}));
  // The fixture's layout: WordDocument's data first, at sector 1; its text
  // at 0x400, then the paragraph page (3), then the character page (4).
  const std::size_t word = 512;
  const std::size_t papx_bin = word + 0x9A + 8 * 13;
  const std::size_t chpx_bin = word + 0x9A + 8 * 12;
  const std::string page_7("\x07\x00\x00\x00", 4);
  struct Damage {
    const char* name;
    std::string bytes;
  } damages[] = {
      {"paragraph bin table names a page past the stream", Patched(good, papx_bin + 4, page_7)},
      {"character bin table names a page past the stream", Patched(good, chpx_bin + 4, page_7)},
      {"paragraph bin table is no PLC", Patched(good, papx_bin + 4, std::string("\x05", 1))},
      {"paragraph page's runs go backwards",
       Patched(good, word + 3 * 512 + 4, std::string("\x00\x01\x00\x00", 4))},
      {"paragraph page counts more runs than fit", Patched(good, word + 4 * 512 - 1, "\xF0")},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.name);
    // The paragraph's table mark is formatting: lost with its page or not,
    // the words stay.
    const std::string body = Body(Read(damage.bytes));
    EXPECT_NE(body.find("Fine text"), std::string::npos) << body;
  }
}

TEST(DocReaderTest, WithoutATableStreamAFileSavedWholeKeepsItsText) {
  const std::string good = BuildDoc(PlainFixture(u"Plain words\r"));
  const std::string word = good.substr(512, 0x400 + 2 * 12);
  EXPECT_EQ(Body(Read(WriteCompoundFile({{"WordDocument", word}}))), "Plain words\\par\r\n");
}

TEST(DocReaderTest, RecognisesWordFilesOnly) {
  EXPECT_TRUE(IsFormatCorrect(BuildDoc(PlainFixture(u"x\r"))));
  EXPECT_TRUE(IsFormatCorrect(Patched(std::string(0x200, '\0'), 0, "\xDB\xA5\x2D\x00")));
  EXPECT_FALSE(IsFormatCorrect(WriteCompoundFile({{"Workbook", "x"}})));
  EXPECT_FALSE(IsFormatCorrect(WriteCompoundFile({{"WordDocument", std::string(64, 'x')}})));
  EXPECT_FALSE(IsFormatCorrect(""));
}

TEST(DocReaderTest, EveryTruncationFailsOrConvertsWithoutCrashing) {
  const std::string bytes =
      BuildDoc(WithParagraphs(u"A\x07"
                              u"B\x07\x07"
                              u"Text \x13 X \x14y\x15\r",
                              {{1, kInTable}, {3, kInTable}, {4, kRowEnd}}));
  for (std::size_t length = 0; length < bytes.size(); length += 61) {
    const readers::ReaderResult result = Read(bytes.substr(0, length));
    EXPECT_TRUE(result.converted || !result.reason.empty()) << length;
  }
}

// ---- The shared corpus of real files, when it is beside the repository.

TEST(DocCorpusTest, EveryFileConvertsOrFailsWithAReason) {
  const std::filesystem::path folder = std::filesystem::path(CORVANE_LEGACY_CORPUS_DIR) / "doc";
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    files.push_back(entry.path());
  }
  if (files.empty()) GTEST_SKIP() << "no shared .doc corpus at " << folder;
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
}  // namespace corvane::doc
