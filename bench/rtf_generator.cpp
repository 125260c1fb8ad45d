#include "bench/rtf_generator.h"

#include "bench/split_mix.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace corvane::bench {
namespace {

using Rng = SplitMix;

constexpr std::string_view kWords[] = {
    "the",       "of",         "and",      "to",        "in",        "a",         "is",
    "that",      "for",        "it",       "as",        "was",       "with",      "be",
    "by",        "on",         "not",      "he",        "this",      "are",       "or",
    "his",       "from",       "at",       "which",     "but",       "have",      "an",
    "had",       "they",       "you",      "were",      "their",     "one",       "all",
    "we",        "can",        "her",      "has",       "there",     "been",      "if",
    "more",      "when",       "will",     "would",     "who",       "so",        "no",
    "report",    "quarter",    "customer", "contract",  "delivery",  "meeting",   "budget",
    "project",   "schedule",   "invoice",  "supplier",  "board",     "committee", "review",
    "proposal",  "agreement",  "service",  "results",   "figures",   "growth",    "region",
    "office",    "department", "staff",    "training",  "policy",    "safety",    "quality",
    "standard",  "procedure",  "approval", "request",   "response",  "account",   "payment",
    "balance",   "estimate",   "forecast", "market",    "product",   "release",   "version",
    "document",  "section",    "chapter",  "appendix",  "table",     "figure",    "summary",
    "analysis",  "decision",   "minutes",  "action",    "item",      "owner",     "deadline",
    "progress",  "risk",       "issue",    "change",    "order",     "price",     "cost",
    "revenue",   "margin",     "volume",   "demand",    "capacity",  "plant",     "warehouse",
    "shipment",  "freight",    "carrier",  "route",     "terminal",  "weather",   "season",
    "harvest",   "village",    "river",    "bridge",    "station",   "library",   "museum",
    "garden",    "kitchen",    "window",   "letter",    "answer",    "question",  "evening",
    "morning",   "afternoon",  "week",     "month",     "year",      "several",   "various",
    "important", "additional", "previous", "following", "available", "necessary", "possible",
    "current",   "annual",     "final",    "initial"};

// Words a Western word processor writes with hex escapes of code page 1252.
constexpr std::string_view kAccentedWords[] = {
    "caf\\'e9",  "na\\'efve",    "r\\'e9sum\\'e9", "fa\\'e7ade",      "M\\'fcller",    "\\'fcber",
    "se\\'f1or", "d\\'e9j\\'e0", "Z\\'fcrich",     "S\\'e3o",         "co\\'f6perate", "entr\\'e9e",
    "Bj\\'f6rk", "Stra\\'dfe",   "Fran\\'e7ois",   "\\'c5ngstr\\'f6m"};

// Contractions: the writer's own apostrophe word, or a Unicode escape with
// its one-byte fallback.
constexpr std::string_view kContractions[] = {
    "don\\rquote t", "it\\rquote s",         "we\\u8217?re",     "client\\u8217?s",
    "can\\u8217?t",  "company\\u8217\\'92s", "isn\\u8217\\'92t", "year\\rquote s"};

constexpr std::string_view kMarkupish[] = {"R&D",   "Q&A", "AT&T",    "x < y",      "<draft>",
                                           "5 > 3", "P&L", "\\{1\\}", "C:\\\\Temp", "M&A"};

constexpr std::string_view kNames[] = {"Anna Keller",    "John Murray",   "Priya Natarajan",
                                       "Tom\\'e1s Ruiz", "Helen Okafor",  "Lars Jensen",
                                       "Mei Lin",        "Robert Dunn",   "Sofia Rossi",
                                       "Omar Haddad",    "Claire Dubois", "Kenji Sato"};

constexpr std::string_view kStreets[] = {
    "12 Harbour Road",   "4 Mill Lane",   "221 King Street",   "7 Rue des Fleurs",
    "88 Station Avenue", "3 Church Walk", "150 Market Square", "19 Elm Close"};

constexpr std::string_view kCities[] = {
    "Bristol BS1 4DJ", "Leeds LS2 7EW",      "Lyon 69002",         "Aarhus 8000",
    "Dublin D02 X285", "Toronto ON M5V 2T6", "Melbourne VIC 3000", "Cork T12 W8E2"};

constexpr std::string_view kHosts[] = {"www.example.com",   "intranet.example.org",
                                       "docs.example.net",  "shop.example.co.uk",
                                       "files.example.com", "support.example.org"};

// Appends tokens and breaks the line with CR LF between tokens once it is 80
// to 200 bytes long. A token is never split, so a group's brace stays with
// its first control word and an escape with its digits.
class Writer {
 public:
  Writer(std::string& out, Rng& rng) : out_(out), rng_(rng) { wrap_at_ = rng_.Between(80, 200); }

  void Put(std::string_view token) {
    out_ += token;
    if (out_.size() - line_start_ >= wrap_at_) Break();
  }
  void Break() {
    if (out_.size() == line_start_) return;  // no empty lines
    out_ += "\r\n";
    line_start_ = out_.size();
    wrap_at_ = rng_.Between(80, 200);
  }
  // A line of its own, as writers lay out picture data.
  void Line(std::string_view text) {
    Break();
    out_ += text;
    Break();
  }
  // Puts a run of control words as separate tokens, so that long header
  // tables wrap too; a word right after "{", "\" or "{\*" stays attached.
  void Controls(std::string_view words) {
    std::size_t start = 0;
    for (std::size_t i = 1; i < words.size(); ++i) {
      const char before = words[i - 1];
      if (words[i] == '\\' && before != '{' && before != '\\' && before != '*') {
        Put(words.substr(start, i - start));
        start = i;
      }
    }
    Put(words.substr(start));
  }
  std::size_t size() const { return out_.size(); }

 private:
  std::string& out_;
  Rng& rng_;
  std::size_t line_start_ = 0;
  std::size_t wrap_at_ = 0;
};

std::string Num(std::uint64_t n) { return std::to_string(n); }

std::string Hex128(Rng& rng) {
  char text[33];
  std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(rng.Next()),
                static_cast<unsigned long long>(rng.Next()));
  return text;
}

class DocumentWriter {
 public:
  DocumentWriter(std::string& out, std::uint64_t seed, RtfStyle style)
      : rng_(seed), w_(out, rng_), dense_(style == RtfStyle::kWordDense) {
    for (auto& rsid : rsids_) rsid = Num(rng_.Between(1000000, 16777215));
  }

  void Header();
  void Block();
  void End() {
    w_.Put("\\par }");
    w_.Break();
  }
  std::size_t size() const { return w_.size(); }

 private:
  const std::string& Rsid() { return rsids_[rng_.Below(rsids_.size())]; }
  std::string Word();
  std::string TitleWords(std::size_t n);
  void Sentence(std::size_t min_words, std::size_t max_words);
  void Text(std::size_t sentences);
  void BodyParagraphStart();
  void Paragraph();
  void Heading();
  void List(bool numbered);
  void BulletList() { List(false); }
  void NumberedList() { List(true); }
  void Table();
  void Hyperlink();
  void Picture();
  void AddressBlock();
  void TabbedLines();
  void PageBreak();
  void SectionBreak();
  void HeaderFooter();
  void HexData(std::size_t bytes, std::string_view magic);
  void DenseRunStart();

  Rng rng_;
  Writer w_;
  bool dense_;
  std::array<std::string, 5> rsids_;
  std::size_t heading_number_ = 0;
};

std::string DocumentWriter::Word() {
  const std::size_t p = rng_.Below(1000);
  if (p < 20) return std::string(rng_.Pick(kAccentedWords));
  if (p < 32) return std::string(rng_.Pick(kContractions));
  if (p < 36) return std::string(rng_.Pick(kMarkupish));
  if (p < 52) {
    switch (rng_.Below(4)) {
      case 0: return Num(rng_.Between(2, 2030));
      case 1: return "$" + Num(rng_.Between(1, 999)) + "," + Num(rng_.Between(100, 999));
      case 2: return Num(rng_.Between(1, 99)) + "%";
      default: return "p.\\~" + Num(rng_.Between(1, 400));  // non-breaking space
    }
  }
  return std::string(rng_.Pick(kWords));
}

std::string DocumentWriter::TitleWords(std::size_t n) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) {
    std::string word(rng_.Pick(kWords));
    word[0] = static_cast<char>(word[0] - 'a' + 'A');
    if (i > 0) out += ' ';
    out += word;
  }
  return out;
}

// One sentence as word tokens, some inside formatted runs the way word
// processors split text at every change of formatting or revision id.
void DocumentWriter::Sentence(std::size_t min_words, std::size_t max_words) {
  const std::size_t count = rng_.Between(min_words, max_words);
  std::size_t run_left = 0;  // words left in the open run group
  bool toggled_bold = false;
  for (std::size_t i = 0; i < count; ++i) {
    if (run_left == 0 && dense_) {
      run_left = rng_.Between(1, 4);
      DenseRunStart();
    } else if (run_left == 0 && rng_.Percent(18)) {
      run_left = rng_.Between(1, 6);
      switch (rng_.Below(9)) {
        case 0: w_.Put("{\\b "); break;
        case 1: w_.Put("{\\i "); break;
        case 2: w_.Put("{\\b\\i "); break;
        case 3: w_.Put("{\\ul "); break;
        case 4: w_.Put("{\\cf" + Num(rng_.Between(2, 6)) + " "); break;
        case 5: w_.Put("{\\f1\\fs20 "); break;
        case 6:
          w_.Controls("{\\rtlch\\fcs1 \\ab\\af0 \\ltrch\\fcs0 \\b\\insrsid" + Rsid() + " ");
          break;
        case 7:
          w_.Put("\\b ");  // an inline toggle instead of a group
          toggled_bold = true;
          break;
        default: w_.Controls("{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid" + Rsid() + " "); break;
      }
    }
    std::string word = Word();
    if (i == 0) {
      if (word[0] >= 'a' && word[0] <= 'z') word[0] = static_cast<char>(word[0] - 'a' + 'A');
      if (rng_.Percent(3)) w_.Put("\\ldblquote ");
    }
    if (i + 1 == count) {
      const std::size_t p = rng_.Below(20);
      word += p == 0 ? "?" : p == 1 ? "!" : p == 2 ? ":" : ".";
    } else if (rng_.Percent(7)) {
      word += ",";
    }
    word += ' ';
    w_.Put(word);
    if (i + 1 < count) {
      const std::size_t p = rng_.Below(400);
      if (p < 4)
        w_.Put("\\emdash ");
      else if (p < 6)
        w_.Put("\\endash ");
      else if (p < 8)
        w_.Put("\\'93" + std::string(rng_.Pick(kWords)) + "\\'94 ");
      else if (p < 9)
        w_.Put("\\lquote " + std::string(rng_.Pick(kWords)) + "\\rquote ");
      else if (p < 10)
        w_.Put("\\tab ");
      else if (p < 11)
        w_.Put("\\bullet ");
      else if (p < 12)
        w_.Put("co\\-operation ");
    }
    if (run_left > 0 && --run_left == 0) {
      if (toggled_bold) {
        w_.Put("\\b0 ");
        toggled_bold = false;
      } else {
        w_.Put("}");
      }
    }
  }
  if (run_left > 0) w_.Put(toggled_bold ? "\\b0 " : "}");
}

// The group Word opens for a run: direction and font words for both the
// right-to-left and left-to-right readings, then the run's own properties
// and the revision that last touched it.
void DocumentWriter::DenseRunStart() {
  std::string run = "{\\rtlch\\fcs1 \\af0\\afs22 \\ltrch\\fcs0 ";
  switch (rng_.Below(8)) {
    case 0: run += "\\b"; break;
    case 1: run += "\\i"; break;
    case 2: run += "\\fs22\\lang1033\\langfe1033\\langnp1033"; break;
    case 3: run += "\\cf" + Num(rng_.Between(2, 6)); break;
    default: break;
  }
  w_.Controls(run + "\\insrsid" + Rsid() + " ");
}

void DocumentWriter::Text(std::size_t sentences) {
  for (std::size_t i = 0; i < sentences; ++i) Sentence(5, 24);
}

void DocumentWriter::BodyParagraphStart() {
  switch (dense_ ? 2 : rng_.Below(3)) {
    case 0: w_.Put("\\pard\\plain\\f0\\fs24 "); break;
    case 1: w_.Controls("\\pard\\plain \\s0\\qj\\fi360\\sb0\\sa120\\f0\\fs24\\lang2057 "); break;
    default:
      w_.Controls(
          "\\pard\\plain \\ltrpar\\ql \\li0\\ri0\\sa160\\sl259\\slmult1\\widctlpar\\wrapdefault"
          "\\aspalpha\\aspnum\\faauto\\adjustright\\rin0\\lin0\\itap0 \\rtlch\\fcs1 "
          "\\af0\\afs24\\alang1025 \\ltrch\\fcs0 \\f0\\fs24\\lang1033\\langfe1033\\cgrid"
          "\\langnp1033\\langfenp1033 ");
  }
}

void DocumentWriter::Paragraph() {
  BodyParagraphStart();
  Text(rng_.Between(1, 7));
  w_.Put("\\par");
  w_.Break();
}

void DocumentWriter::Heading() {
  const std::string level = Num(rng_.Between(1, 3));
  w_.Controls("\\pard\\plain \\ltrpar\\s" + level +
              "\\ql \\li0\\ri0\\sb240\\sa60\\keepn\\widctlpar\\wrapdefault\\aspalpha\\aspnum"
              "\\faauto\\outlinelevel0\\adjustright\\rin0\\lin0\\itap0 \\rtlch\\fcs1 \\ab\\af1"
              "\\afs32\\alang1025 \\ltrch\\fcs0 \\b\\f1\\fs32\\lang1033\\langfe1033\\kerning32"
              "\\cgrid\\langnp1033\\langfenp1033 ");
  const std::string mark = "_Toc" + Num(rng_.Between(100000000, 999999999));
  w_.Put("{\\*\\bkmkstart " + mark + "}");
  w_.Controls("{\\rtlch\\fcs1 \\ab\\af1 \\ltrch\\fcs0 \\insrsid" + Rsid() + " ");
  w_.Put(Num(++heading_number_) + ". " + TitleWords(rng_.Between(2, 6)));
  w_.Put("}{\\*\\bkmkend " + mark + "}\\par");
  w_.Break();
}

// Old-style paragraph numbering: the marker text group (older writers say
// "pntext", newer ones "listtext") and the "\*\pn" group that names the kind.
void DocumentWriter::List(bool numbered) {
  const std::size_t items = rng_.Between(2, 8);
  const bool listtext = rng_.Percent(50);
  for (std::size_t i = 1; i <= items; ++i) {
    const std::string marker = numbered ? Num(i) + "." : "\\'b7";
    if (listtext) {
      w_.Controls("{\\listtext\\pard\\plain\\ltrpar \\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 " +
                  std::string(numbered ? "\\f0" : "\\f3") + "\\fs24\\insrsid" + Rsid() + " " +
                  marker + "\\tab}");
    } else {
      w_.Put(std::string("{\\pntext\\pard\\plain") + (numbered ? "\\f0" : "\\f3") + "\\fs24 " +
             marker + "\\tab}");
    }
    w_.Controls(
        "\\pard\\plain \\ltrpar\\ql \\fi-360\\li720\\ri0\\widctlpar\\jclisttab\\tx720"
        "\\wrapdefault\\aspalpha\\aspnum\\faauto\\ls" +
        std::string(numbered ? "2" : "1") + "\\adjustright\\rin0\\lin720\\itap0 \\f0\\fs24 ");
    if (numbered) {
      w_.Put("{\\*\\pn \\pnlvlbody\\ilvl0\\ls2\\pnrnot0\\pndec\\pnstart1\\pnindent360\\pnhang ");
      w_.Put("{\\pntxta .}}");
    } else {
      w_.Put("{\\*\\pn \\pnlvlblt\\ilvl0\\ls1\\pnrnot0\\pnf3\\pnindent360\\pnhang ");
      w_.Put("{\\pntxtb \\'b7}}");
    }
    Sentence(3, 16);
    if (rng_.Percent(30)) Sentence(4, 12);
    w_.Put("\\par");
    w_.Break();
  }
}

void DocumentWriter::Table() {
  const std::size_t rows = rng_.Between(2, 9);
  const std::size_t cols = rng_.Between(2, 5);
  const std::size_t width = 9000 / cols;
  const bool rich = rng_.Percent(60);
  std::string row_props;
  if (rich) {
    row_props =
        "\\ltrrow\\ts11\\trgaph108\\trleft-108\\trbrdrt\\brdrs\\brdrw10 \\trbrdrl\\brdrs\\brdrw10 "
        "\\trbrdrb\\brdrs\\brdrw10 \\trbrdrr\\brdrs\\brdrw10 \\trbrdrh\\brdrs\\brdrw10 "
        "\\trbrdrv\\brdrs\\brdrw10 \\trftsWidth1\\trftsWidthB3\\trautofit1\\trpaddl108\\trpaddr108"
        "\\trpaddfl3\\trpaddft3\\trpaddfb3\\trpaddfr3\\tblrsid" +
        Rsid() + "\\tbllkhdrrows\\tbllklastrow\\tbllkhdrcols\\tbllklastcol\\tblind0\\tblindtype3 ";
    for (std::size_t c = 1; c <= cols; ++c) {
      row_props +=
          "\\clvertalt\\clbrdrt\\brdrs\\brdrw10 \\clbrdrl\\brdrs\\brdrw10 "
          "\\clbrdrb\\brdrs\\brdrw10 "
          "\\clbrdrr\\brdrs\\brdrw10 \\cltxlrtb\\clftsWidth3\\clwWidth" +
          Num(width) + "\\clshdrawnil \\cellx" + Num(c * width - 108) + " ";
    }
  } else {
    row_props = "\\trgaph108\\trleft-108";
    for (std::size_t c = 1; c <= cols; ++c) row_props += "\\cellx" + Num(c * width);
    row_props += " ";
  }
  const std::string cell_para =
      rich ? "\\pard\\plain \\ltrpar\\ql \\li0\\ri0\\widctlpar\\intbl\\wrapdefault\\aspalpha"
             "\\aspnum\\faauto\\adjustright\\rin0\\lin0 \\rtlch\\fcs1 \\af0\\afs24 \\ltrch\\fcs0 "
             "\\fs24\\lang1033\\langfe1033\\cgrid\\langnp1033\\langfenp1033 "
           : "\\pard\\plain\\intbl\\f0\\fs24 ";
  for (std::size_t r = 0; r < rows; ++r) {
    const std::string row_def = "\\trowd \\irow" + Num(r) + "\\irowband" + Num(r) + row_props;
    w_.Controls(row_def);
    w_.Controls(cell_para);
    for (std::size_t c = 0; c < cols; ++c) {
      std::string cell;
      if (r == 0) {
        cell = TitleWords(rng_.Between(1, 2));
      } else if (c > 0 && rng_.Percent(50)) {
        cell = Num(rng_.Between(0, 99999));
      } else {
        const std::size_t words = rng_.Between(1, 5);
        for (std::size_t i = 0; i < words; ++i) cell += (i ? " " : "") + Word();
      }
      if (rich) {
        w_.Controls(std::string(r == 0 ? "{\\rtlch\\fcs1 \\ab\\af0 \\ltrch\\fcs0 \\b"
                                       : "{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 ") +
                    "\\insrsid" + Rsid() + " ");
        w_.Put(cell);
        w_.Put("\\cell }");
      } else {
        w_.Put(cell);
        w_.Put("\\cell ");
      }
    }
    if (rich) {
      // The row's properties again at its end, inside the row-end paragraph.
      w_.Controls(cell_para);
      w_.Controls("{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid" + Rsid() + " " + row_def);
      w_.Put("\\row }");
    } else {
      w_.Put("\\row ");
    }
    w_.Break();
  }
}

void DocumentWriter::Hyperlink() {
  BodyParagraphStart();
  Sentence(4, 14);
  const std::string host(rng_.Pick(kHosts));
  w_.Put("{\\field{\\*\\fldinst {\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid" + Rsid() + " ");
  w_.Put("HYPERLINK \"https://" + host + "/" + std::string(rng_.Pick(kWords)) + "/" +
         Num(rng_.Between(1, 99999)) + ".html\" }}");
  w_.Put("{\\fldrslt {\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\cs15\\ul\\cf2\\insrsid" + Rsid() + " ");
  w_.Put(host + "}}}");
  w_.Put(" ");
  Sentence(3, 12);
  w_.Put("\\par");
  w_.Break();
}

// Image data as writers store it: lowercase hex, 64 bytes to a line.
void DocumentWriter::HexData(std::size_t bytes, std::string_view magic) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string line(magic);
  for (std::size_t i = magic.size() / 2; i < bytes; ++i) {
    const auto b = static_cast<unsigned>(rng_.Next() & 0xff);
    line += kHex[b >> 4];
    line += kHex[b & 15];
    if (line.size() == 128) {
      w_.Line(line);
      line.clear();
    }
  }
  if (!line.empty()) w_.Line(line);
}

void DocumentWriter::Picture() {
  const std::size_t png_bytes = rng_.Between(1500, 6000);
  const std::size_t picw = rng_.Between(2000, 16000);
  const std::size_t pich = rng_.Between(2000, 12000);
  const std::string size_words = "\\picw" + Num(picw) + "\\pich" + Num(pich) + "\\picwgoal" +
                                 Num(picw * 567 / 1000) + "\\pichgoal" + Num(pich * 567 / 1000);
  const std::string tag = Num(rng_.Between(100000000, 2000000000));
  w_.Put("\\pard\\plain \\ltrpar\\qc \\f0\\fs24 ");
  w_.Controls(
      "{\\*\\shppict{\\pict{\\*\\picprop\\shplid" + Num(rng_.Between(1025, 4096)) +
      "{\\sp{\\sn shapeType}{\\sv 75}}{\\sp{\\sn fFlipH}{\\sv 0}}{\\sp{\\sn fFlipV}{\\sv 0}}"
      "{\\sp{\\sn fLayoutInCell}{\\sv 1}}}\\picscalex100\\picscaley100\\piccropl0\\piccropr0"
      "\\piccropt0\\piccropb0" +
      size_words + "\\pngblip\\bliptag" + tag + "{\\*\\blipuid " + Hex128(rng_) + "}");
  HexData(png_bytes, "89504e470d0a1a0a0000000d49484452");
  w_.Put("}}");
  if (rng_.Percent(30)) {
    // Some writers add a metafile copy for older readers.
    w_.Controls(
        "{\\nonshppict{\\pict\\picscalex100\\picscaley100\\piccropl0\\piccropr0"
        "\\piccropt0\\piccropb0" +
        size_words + "\\wmetafile8\\bliptag" + tag + " ");
    HexData(png_bytes / 2, "0100090000036e");
    w_.Put("}}");
  }
  w_.Put("\\par");
  w_.Break();
}

void DocumentWriter::AddressBlock() {
  BodyParagraphStart();
  w_.Put(std::string(rng_.Pick(kNames)) + "\\line ");
  w_.Put(std::string(rng_.Pick(kStreets)) + "\\line ");
  w_.Put(std::string(rng_.Pick(kCities)) + "\\par");
  w_.Break();
}

void DocumentWriter::TabbedLines() {
  const std::size_t lines = rng_.Between(2, 6);
  for (std::size_t i = 0; i < lines; ++i) {
    w_.Put("\\pard\\plain \\ltrpar\\ql \\tx2880\\tx5760\\f0\\fs24 ");
    w_.Put(TitleWords(rng_.Between(1, 2)) + ":\\tab ");
    w_.Put(Word() + " " + Word() + "\\tab " + Num(rng_.Between(1, 9999)) + "\\par");
    w_.Break();
  }
}

void DocumentWriter::PageBreak() {
  if (rng_.Percent(50)) {
    w_.Put("\\page");
  } else {
    w_.Put("{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid" + Rsid() + " \\page }");
  }
  w_.Break();
}

void DocumentWriter::HeaderFooter() {
  w_.Controls(
      "{\\header \\ltrpar \\pard\\plain \\ltrpar\\s17\\qc \\li0\\ri0\\widctlpar"
      "\\tqc\\tx4513\\tqr\\tx9026\\wrapdefault\\f0\\fs20 ");
  w_.Put(TitleWords(rng_.Between(2, 4)) + "\\par }");
  w_.Controls(
      "{\\footer \\ltrpar \\pard\\plain \\ltrpar\\s18\\qr \\li0\\ri0\\widctlpar\\f0\\fs20 ");
  w_.Put("Page {\\field{\\*\\fldinst {\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid" + Rsid() +
         "  PAGE   \\\\* MERGEFORMAT }}");
  w_.Put("{\\fldrslt {\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\lang1024\\noproof\\insrsid" + Rsid() +
         " 1}}}\\par }");
  w_.Break();
}

void DocumentWriter::SectionBreak() {
  w_.Controls("{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid" + Rsid() + " \\sect }");
  w_.Controls(
      "\\sectd \\ltrsect\\linex0\\headery708\\footery708\\colsx708\\endnhere"
      "\\sectlinegrid360\\sectdefaultcl\\sftnbj ");
  HeaderFooter();
}

void DocumentWriter::Block() {
  using Write = void (DocumentWriter::*)();
  struct Kind {
    std::size_t percent;
    Write write;
  };
  static constexpr Kind kKinds[] = {
      {53, &DocumentWriter::Paragraph},  {7, &DocumentWriter::Heading},
      {7, &DocumentWriter::BulletList},  {5, &DocumentWriter::NumberedList},
      {6, &DocumentWriter::Table},       {7, &DocumentWriter::Hyperlink},
      {3, &DocumentWriter::Picture},     {4, &DocumentWriter::AddressBlock},
      {4, &DocumentWriter::TabbedLines}, {3, &DocumentWriter::PageBreak},
      {1, &DocumentWriter::SectionBreak}};
  std::size_t p = rng_.Below(100);
  for (const Kind& kind : kKinds) {
    if (p < kind.percent) return (this->*kind.write)();
    p -= kind.percent;
  }
}

void DocumentWriter::Header() {
  w_.Controls(
      "{\\rtf1\\adeflang1025\\ansi\\ansicpg1252\\uc1\\adeff0\\deff0\\stshfdbch0\\stshfloch0"
      "\\stshfhich0\\stshfbi0\\deflang1033\\deflangfe1033\\themelang1033\\themelangfe0"
      "\\themelangcs0");
  w_.Controls(
      "{\\fonttbl{\\f0\\fbidi \\froman\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}Times "
      "New Roman;}{\\f1\\fbidi \\fswiss\\fcharset0\\fprq2{\\*\\panose 020b0604020202020204}Arial;}"
      "{\\f2\\fbidi \\fmodern\\fcharset0\\fprq1{\\*\\panose 02070309020205020404}Courier New;}"
      "{\\f3\\fbidi \\froman\\fcharset2\\fprq2{\\*\\panose 05050102010706020507}Symbol;}"
      "{\\f4\\fbidi \\fswiss\\fcharset0\\fprq2{\\*\\panose 020f0502020204030204}Calibri;}"
      "{\\f5\\fbidi \\fswiss\\fcharset0\\fprq2{\\*\\panose 020b0604030504040204}Verdana;}"
      "{\\f10\\fbidi \\fnil\\fcharset2\\fprq2{\\*\\panose 05000000000000000000}Wingdings;}"
      "{\\f38\\fbidi \\froman\\fcharset238\\fprq2 Times New Roman CE;}"
      "{\\f39\\fbidi \\froman\\fcharset204\\fprq2 Times New Roman Cyr;}"
      "{\\f41\\fbidi \\froman\\fcharset161\\fprq2 Times New Roman Greek;}}");
  w_.Break();
  std::string colours = "{\\colortbl;";
  constexpr std::array<std::array<int, 3>, 16> kColours = {{{0, 0, 0},
                                                            {0, 0, 255},
                                                            {0, 255, 255},
                                                            {0, 255, 0},
                                                            {255, 0, 255},
                                                            {255, 0, 0},
                                                            {255, 255, 0},
                                                            {255, 255, 255},
                                                            {0, 0, 128},
                                                            {0, 128, 128},
                                                            {0, 128, 0},
                                                            {128, 0, 128},
                                                            {128, 0, 0},
                                                            {128, 128, 0},
                                                            {128, 128, 128},
                                                            {192, 192, 192}}};
  for (const auto& c : kColours) {
    colours += "\\red" + std::to_string(c[0]) + "\\green" + std::to_string(c[1]) + "\\blue" +
               std::to_string(c[2]) + ";";
  }
  w_.Controls(colours + "}");
  w_.Break();
  w_.Controls(
      "{\\stylesheet{\\ql \\li0\\ri0\\widctlpar\\wrapdefault\\aspalpha\\aspnum\\faauto"
      "\\adjustright\\rin0\\lin0\\itap0 \\rtlch\\fcs1 \\af0\\afs24\\alang1025 \\ltrch\\fcs0 "
      "\\fs24\\lang1033\\langfe1033\\cgrid\\langnp1033\\langfenp1033 \\snext0 \\sqformat "
      "\\spriority0 Normal;}{\\s1\\ql \\li0\\ri0\\sb240\\sa60\\keepn\\widctlpar\\wrapdefault"
      "\\aspalpha\\aspnum\\faauto\\outlinelevel0\\adjustright\\rin0\\lin0\\itap0 \\rtlch\\fcs1 "
      "\\ab\\af1\\afs32\\alang1025 \\ltrch\\fcs0 \\b\\f1\\fs32\\lang1033\\langfe1033\\kerning32"
      "\\cgrid\\langnp1033\\langfenp1033 \\sbasedon0 \\snext0 \\styrsid" +
      rsids_[0] +
      " heading 1;}{\\s2\\ql \\li0\\ri0\\sb240\\sa60\\keepn\\widctlpar\\outlinelevel1\\b\\i\\f1"
      "\\fs28 \\sbasedon0 \\snext0 heading 2;}{\\s3\\ql \\li0\\ri0\\sb240\\sa60\\keepn"
      "\\widctlpar\\outlinelevel2\\b\\f1\\fs26 \\sbasedon0 \\snext0 heading 3;}"
      "{\\*\\cs10 \\additive \\ssemihidden \\sunhideused \\spriority1 Default Paragraph Font;}"
      "{\\*\\ts11\\tsrowd\\trftsWidthB3\\trpaddl108\\trpaddr108\\trpaddfl3\\trpaddft3\\trpaddfb3"
      "\\trpaddfr3\\tblind0\\tblindtype3\\tsvertalt\\tsbrdrt\\tsbrdrl\\tsbrdrb\\tsbrdrr"
      "\\tsbrdrdgl\\tsbrdrdgr\\tsbrdrh\\tsbrdrv \\ql \\li0\\ri0\\widctlpar\\fs20 \\snext11 "
      "\\ssemihidden \\sunhideused Normal Table;}{\\*\\cs15 \\additive \\rtlch\\fcs1 \\af0 "
      "\\ltrch\\fcs0 \\ul\\cf2 \\sbasedon10 \\styrsid" +
      rsids_[1] +
      " Hyperlink;}{\\s17\\ql \\li0\\ri0\\widctlpar\\tqc\\tx4513\\tqr\\tx9026\\fs20 \\sbasedon0 "
      "\\snext17 header;}{\\s18\\ql \\li0\\ri0\\widctlpar\\tqc\\tx4513\\tqr\\tx9026\\fs20 "
      "\\sbasedon0 \\snext18 footer;}}");
  w_.Break();
  w_.Controls(
      "{\\*\\listtable{\\list\\listtemplateid-1\\listsimple{\\listlevel\\levelnfc23\\levelnfcn23"
      "\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat1\\levelold\\levelspace0\\levelindent360"
      "{\\leveltext\\'01\\u-3913 ?;}{\\levelnumbers;}\\f3\\fbias0 \\fi-360\\li720\\lin720 }"
      "{\\listname ;}\\listid1}{\\list\\listtemplateid-2\\listsimple{\\listlevel\\levelnfc0"
      "\\levelnfcn0\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat1\\levelold\\levelspace0"
      "\\levelindent360{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}\\fbias0 \\fi-360\\li720"
      "\\lin720 }{\\listname ;}\\listid2}}{\\*\\listoverridetable{\\listoverride\\listid1"
      "\\listoverridecount0\\ls1}{\\listoverride\\listid2\\listoverridecount0\\ls2}}");
  w_.Break();
  std::string rsidtbl = "{\\*\\rsidtbl ";
  for (const auto& rsid : rsids_) rsidtbl += "\\rsid" + rsid;
  w_.Controls(rsidtbl + "}");
  w_.Put("{\\*\\generator Scrivel Writer 4.2.1;}");
  w_.Break();
  const std::string year = Num(rng_.Between(1998, 2024));
  std::string title = TitleWords(rng_.Between(2, 6));
  if (rng_.Percent(20)) title += " & " + TitleWords(1);
  if (rng_.Percent(20)) title += " \\'96 Draft";
  const std::string author(rng_.Pick(kNames));
  // The title is one token: a line break inside it would become part of it.
  w_.Put("{\\info{\\title " + title + "}");
  w_.Controls("{\\subject " + TitleWords(3) + "}{\\author " + author + "}{\\operator " + author +
              "}{\\creatim\\yr" + year +
              "\\mo3\\dy14\\hr9"
              "\\min12}{\\revtim\\yr" +
              year + "\\mo4\\dy2\\hr16\\min45}{\\version" + Num(rng_.Between(1, 30)) +
              "}{\\edmins" + Num(rng_.Between(1, 900)) + "}{\\nofpages" +
              Num(rng_.Between(1, 200)) + "}{\\nofwords" + Num(rng_.Between(100, 90000)) +
              "}{\\nofchars" + Num(rng_.Between(600, 500000)) +
              "}{\\*\\company Example Ltd}{\\nofcharsws" + Num(rng_.Between(700, 600000)) +
              "}{\\vern49275}}");
  w_.Break();
  w_.Controls(
      "\\paperw11906\\paperh16838\\margl1440\\margr1440\\margt1440\\margb1440\\gutter0\\ltrsect "
      "\\widowctrl\\ftnbj\\aenddoc\\trackmoves0\\trackformatting1\\donotembedsysfont1"
      "\\relyonvml0\\donotembedlingdata0\\grfdocevents0\\validatexml1\\showplaceholdtext0"
      "\\ignoremixedcontent0\\saveinvalidxml0\\showxmlerrors1\\noxlattoyen\\expshrtn"
      "\\noultrlspc\\dntblnsbdb\\nospaceforul\\formshade\\horzdoc\\dgmargin\\dghspace180"
      "\\dgvspace180\\dghorigin1440\\dgvorigin1440\\dghshow1\\dgvshow1\\jexpand\\viewkind1"
      "\\viewscale100\\pgbrdrhead\\pgbrdrfoot\\splytwnine\\ftnlytwnine\\htmautsp\\nolnhtadjtbl"
      "\\useltbaln\\alntblind\\lytcalctblwd\\lyttblrtgr\\lnbrkrule\\nobrkwrptbl"
      "\\snaptogridincell\\allowfieldendsel\\wrppunct\\asianbrkrule\\rsidroot" +
      rsids_[0] +
      "\\newtblstyruls\\nogrowautofit\\usenormstyforlist\\noindnmbrts\\felnbrelev"
      "\\nocxsptable\\indrlsweleven\\noafcnsttbl\\afelev\\utinl\\hwelev\\spltpgpar\\notcvasp"
      "\\notbrkcnstfrctbl\\notvatxbx\\krnprsnet\\cachedcolbal \\nouicompat \\fet0"
      "{\\*\\wgrffmtfilter 2450}\\nofeaturethrottle1\\ilfomacatclnup0");
  w_.Break();
  w_.Controls(
      "\\ltrpar \\sectd \\ltrsect\\linex0\\headery708\\footery708\\colsx708\\endnhere"
      "\\sectlinegrid360\\sectdefaultcl\\sftnbj ");
  HeaderFooter();
  constexpr std::array<std::string_view, 9> kLevels = {"\\pnucrm",  "\\pnucltr", "\\pndec",
                                                       "\\pnlcltr", "\\pnlcrm",  "\\pnlcltr",
                                                       "\\pnlcrm",  "\\pnlcltr", "\\pnlcrm"};
  for (std::size_t i = 0; i < kLevels.size(); ++i) {
    w_.Controls("{\\*\\pnseclvl" + Num(i + 1) + std::string(kLevels[i]) +
                "\\pnstart1\\pnindent720\\pnhang {\\pntxta .}}");
  }
  w_.Break();
}

}  // namespace

std::string GenerateRtf(std::size_t target_bytes, std::uint64_t seed, RtfStyle style) {
  std::string out;
  // Blocks stay far below 64 KB, so this is the document's only allocation.
  out.reserve(target_bytes + (64 << 10));
  DocumentWriter doc(out, seed, style);
  doc.Header();
  do {
    doc.Block();
  } while (doc.size() < target_bytes);
  doc.End();
  return out;
}

double ControlWordsPerKb(std::string_view rtf) {
  std::size_t words = 0;
  for (std::size_t i = 0; i + 1 < rtf.size(); ++i) {
    if (rtf[i] != '\\') continue;
    const char next = rtf[i + 1];
    if ((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z')) ++words;
    ++i;  // "\\\\" is one escaped backslash, not the start of a word
  }
  return rtf.empty() ? 0.0 : static_cast<double>(words) * 1024.0 / static_cast<double>(rtf.size());
}

}  // namespace corvane::bench
