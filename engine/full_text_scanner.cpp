// The full-text reading of RTF: the classic single pass and its emission
// rules, plus what a reader of the page expects to find: text decoded by
// code page into UTF-8, Unicode characters, field results, control symbols
// as one character, list labels left to the list markup, and the structure:
// headings, tables, links and emphasis.
#include <algorithm>
#include <array>
#include <vector>

#include "body_words.h"
#include "conversion_state.h"
#include "engine/document_tables.h"
#include "engine/text_decoding.h"
#include "full_html_writer.h"
#include "hyperlink_field.h"
#include "rtf2html.h"

namespace corvane::engine {
namespace {

constexpr std::string_view kWordPastEnd("\0", 1);

// The classic list without "field" (its result is text), and with the
// groups whose text is no body text: the field instruction, list labels,
// the list tables, the revision table, the (hidden) entries of the table
// of contents and the index, and the copy of nested tables for readers
// that know none.
constexpr std::array<std::string_view, 25> kSkippedDestinations = {
    "*",       "fonttbl", "colortbl", "stylesheet", "info",
    "header",  "footer",  "headerl",  "headerr",    "headerf",
    "footerl", "footerr", "footerf",  "pict",       "fldinst",
    "pn",      "pntext",  "listtext", "listtable",  "listoverridetable",
    "revtbl",  "tc",      "tcn",      "xe",         "nonesttables"};

bool IsSkippedDestination(std::string_view word) {
  for (std::string_view d : kSkippedDestinations) {
    if (word == d) return true;
  }
  return false;
}

// Raw UTF-8: the instruction is text to parse, not HTML.
void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    if (c >= 0x20) out += static_cast<char>(c);
  } else {
    AppendHtmlCodePoint(c, out);
  }
}

bool IsLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The tables read while a destination is skipped.
enum class TableKind { kNone, kFonts, kLists, kListOverrides, kStyles };

TableKind TableOf(std::string_view word) {
  if (word == "fonttbl") return TableKind::kFonts;
  if (word == "stylesheet") return TableKind::kStyles;
  if (word == "listtable") return TableKind::kLists;
  if (word == "listoverridetable") return TableKind::kListOverrides;
  return TableKind::kNone;
}

constexpr std::string_view kSoftHyphen = "\xC2\xAD";
constexpr std::string_view kNonBreakingHyphen = "\xE2\x80\x91";
constexpr std::string_view kBullet = "\xE2\x80\xA2";

struct GroupFrame {
  unsigned code_page = 0;     // of the current font; 0: the document's
  long unicode_fallback = 1;  // \ucN: characters after \uN to skip
  InlineWanted inline_wanted;
};

class FullTextScanner {
 public:
  FullTextScanner(std::string_view rtf, const CodePageDecoder& decoder)
      : state_(rtf), writer_(state_), bytes_(decoder) {
    state_.DeclareUtf8 = true;
    state_.InlineTags = true;
    // Documents give about a quarter of their size as HTML: most growing
    // copies of the body are saved.
    state_.Body.reserve(rtf.size() / 4);
    groups_.emplace_back();
  }

  std::string Run();

 private:
  void HandleControl();
  void HandleBrace(bool opening);
  void ReadControlWord();
  long ParamValue(long absent) const;
  void ApplyWord();
  void ApplyParagraphWord();
  void ApplyStructureWord();
  bool ApplyFormattingWord(std::string_view w);
  void SetFormat(std::uint8_t format, bool on);
  void UpdateHeading();
  void SetListItemPending();
  void SkipDestination(std::string_view opening);
  bool ReadWordIfNext(std::string_view word);
  void SkipNextGroup();
  void ReadStyleSheet(std::ptrdiff_t group_depth);
  void ReadFieldInstruction(std::ptrdiff_t group_depth);
  void Write(std::string_view html) { writer_.Write(html, groups_.back().inline_wanted); }
  std::string ReadTitleText();
  bool SkipFallbackCharacter(unsigned char c);
  void SkipBinary();
  std::size_t SkipFallbackInTitle(std::size_t at, long count) const;

  void EmitByte(unsigned char b);
  void EmitUnicode(long value);
  void EmitCodePoint(char32_t c);
  bool HasPending() const { return bytes_.WaitingForTrail() || high_surrogate_ != 0; }
  void FlushPending();
  void FlushPendingBytes();
  unsigned CodePage() const {
    const unsigned page = groups_.back().code_page;
    return page != 0 ? page : DocumentCodePage();
  }
  // \ansicpg, else the character set word (\mac, \pc, \pca), else 1252.
  unsigned DocumentCodePage() const {
    if (document_code_page_ != 0) return document_code_page_;
    return character_set_code_page_ != 0 ? character_set_code_page_ : 1252;
  }

  ConversionState state_;
  FullHtmlWriter writer_;
  ByteDecoder bytes_;
  std::string decoded_;  // scratch for one character
  std::vector<GroupFrame> groups_;
  FontTable fonts_;
  ListTable lists_;
  StyleSheet styles_;
  std::string field_target_;  // of the field whose result comes next
  long paragraph_style_ = 0;
  long paragraph_outline_ = -1;  // \outlinelevelN of the paragraph itself
  unsigned document_code_page_ = 0;
  unsigned character_set_code_page_ = 0;
  long default_font_ = -1;
  long fallback_to_skip_ = 0;
  char32_t high_surrogate_ = 0;
  long paragraph_list_ = 0;                      // \lsN of the paragraph; 0: none
  int paragraph_numbering_ = kParagraphPending;  // an item state from a \pn group
  long paragraph_level_ = 0;
  bool item_from_list_ = false;  // the pending item comes from paragraph properties
};

[[gnu::flatten]] std::string FullTextScanner::Run() {
  const char* const data = state_.Source.data();
  const std::size_t length = state_.SourceLength;
  while (state_.Position < length) {
    const unsigned char c = static_cast<unsigned char>(data[state_.Position]);
    if (fallback_to_skip_ > 0 && SkipFallbackCharacter(c)) continue;
    if (bytes_.Continues(c) && c != '\\' && c != '{' && c != '}') {
      EmitByte(c);  // a literal trail byte, which may look like ASCII
      ++state_.Position;
      continue;
    }
    if (!Is(c, kBodyStop | kHtmlSpecial | kHighByte)) {
      if (HasPending()) FlushPending();
      const std::size_t start = state_.Position;
      std::size_t end = start + 1;
      while (end < length &&
             !Is(static_cast<unsigned char>(data[end]), kBodyStop | kHtmlSpecial | kHighByte))
        ++end;
      Write(std::string_view(data + start, end - start));
      state_.Position = end;
      continue;
    }
    switch (c) {
      case '\\': HandleControl(); break;
      case '{': HandleBrace(true); break;
      case '}': HandleBrace(false); break;
      default:
        // A waiting lead byte would have taken a byte from 0x40 as its
        // trail; control bytes (a line break between lead and trail
        // escapes) neither end it nor reach the body.
        if (c >= 0x80 || Is(c, kHtmlSpecial)) {
          FlushPending();
          EmitByte(c);
        } else if (c == '\t') {
          // Writers that put tab bytes in the file mean a tab; "a<TAB>b" is
          // two words.
          FlushPending();
          Write(" ");
        }
        ++state_.Position;
    }
  }
  FlushPending();
  return writer_.Finish();
}

// One character of the fallback after \uN: true when c was (part of) it.
// A group's edge ends the fallback; control words inside it still act.
bool FullTextScanner::SkipFallbackCharacter(unsigned char c) {
  if (c == '{' || c == '}') {
    fallback_to_skip_ = 0;
    return false;
  }
  if (c < 0x20 && c != '\t') {
    ++state_.Position;  // line breaks of the file are no characters
    return true;
  }
  if (c == '\\') {
    const unsigned char next = state_.At(state_.Position + 1);
    if (next == '\'') {
      state_.Position += 4;
    } else if (next == '\\' || next == '{' || next == '}') {
      state_.Position += 2;
    } else {
      return false;
    }
  } else {
    ++state_.Position;
  }
  --fallback_to_skip_;
  return true;
}

void FullTextScanner::HandleControl() {
  ++state_.Position;  // past the backslash
  const unsigned char d = state_.At(state_.Position);
  if (d == '\'') {
    const unsigned hi = HexDigitValue(state_.At(state_.Position + 1));
    const unsigned lo = HexDigitValue(state_.At(state_.Position + 2));
    state_.Position += 3;
    EmitByte(static_cast<unsigned char>(hi * 16 + lo));
  } else if (d == '\\' || d == '{' || d == '}') {
    FlushPending();
    EmitCodePoint(d);
    ++state_.Position;
  } else if (d == '\r' || d == '\n') {
    // A backslash ending a line is a paragraph break.
    ++state_.Position;
    state_.Word = "par";
    state_.Param = {};
    ApplyWord();
  } else {
    ReadControlWord();
    ApplyWord();
  }
}

// RTF's own reading: a control word is letters with an optional signed
// number and one space; anything else after the backslash is a one-byte
// symbol, so the letters after "\-" stay text.
void FullTextScanner::ReadControlWord() {
  if (state_.Position >= state_.SourceLength) {
    state_.Word = kWordPastEnd;
    state_.Param = {};
    ++state_.Position;
    return;
  }
  const std::string_view source = state_.Source;
  const std::size_t start = state_.Position;
  std::size_t p = start + 1;
  if (!IsLetter(static_cast<unsigned char>(source[start]))) {
    state_.Word = source.substr(start, 1);
    state_.Param = {};
    state_.Position = p;
    return;
  }
  while (p < source.size() && IsLetter(static_cast<unsigned char>(source[p]))) ++p;
  state_.Word = source.substr(start, p - start);
  const std::size_t param = p;
  if (p < source.size() && source[p] == '-') ++p;
  while (p < source.size() && source[p] >= '0' && source[p] <= '9') ++p;
  if (p == param + 1 && source[param] == '-') p = param;  // a lone "-" is text
  state_.Param = source.substr(param, p - param);
  if (p < source.size() && source[p] == ' ') ++p;
  state_.Position = p;
}

long FullTextScanner::ParamValue(long absent) const {
  std::string_view digits = state_.Param;
  if (digits.empty()) return absent;
  const bool negative = digits.front() == '-';
  if (negative) digits.remove_prefix(1);
  long value = 0;
  for (char d : digits) {
    if (value < 100000000) value = value * 10 + (d - '0');  // saturates far beyond any use
  }
  return negative ? -value : value;
}

// \binN: N bytes of data follow, braces and backslashes among them.
void FullTextScanner::SkipBinary() {
  const long count = ParamValue(0);
  if (count <= 0) return;
  const std::size_t left = state_.SourceLength - std::min(state_.Position, state_.SourceLength);
  state_.Position += std::min(left, static_cast<std::size_t>(count));
}

void FullTextScanner::HandleBrace(bool opening) {
  ++state_.Position;
  // Half a surrogate pair waits across the edge: writers put the halves in
  // groups of their own to give each its own \uc.
  FlushPendingBytes();
  fallback_to_skip_ = 0;
  if (!opening) {
    --state_.Depth;
    if (groups_.size() > 1) groups_.pop_back();
    return;
  }
  ++state_.Depth;
  groups_.push_back(groups_.back());
  // A group's first word acts like any other; escapes and symbols that
  // need the main loop are left to it.
  if (state_.At(state_.Position) != '\\') return;
  const unsigned char next = state_.At(state_.Position + 1);
  if (next == '\'' || next == '\\' || next == '{' || next == '}' || next == '\r' || next == '\n')
    return;
  ++state_.Position;
  ReadControlWord();
  // {\upr{ANSI text}{\*\ud{Unicode text}}}: the Unicode text, once.
  if (state_.Word == "*" && ReadWordIfNext("ud")) return;
  if (state_.Word == "upr") return SkipNextGroup();
  if (IsSkippedDestination(state_.Word)) {
    SkipDestination(state_.Word);
    if (groups_.size() > 1) groups_.pop_back();
  } else {
    ApplyWord();
  }
}

void FullTextScanner::ApplyWord() {
  const std::string_view w = state_.Word;
  if (w == "u") {
    EmitUnicode(ParamValue(0));
    fallback_to_skip_ = groups_.back().unicode_fallback;
    return;
  }
  if (w == "uc") {
    // It writes nothing, so the halves of a pair on either side of it stay
    // one character.
    FlushPendingBytes();
    groups_.back().unicode_fallback = std::max(0L, ParamValue(1));
    return;
  }
  if (HasPending()) FlushPending();
  if (w == "f") {
    groups_.back().code_page = fonts_.CodePage(ParamValue(0));
  } else if (w == "plain") {
    groups_.back().code_page = default_font_ >= 0 ? fonts_.CodePage(default_font_) : 0;
    groups_.back().inline_wanted.formats = 0;
  } else if (w == "deff") {
    default_font_ = ParamValue(0);
  } else if (w == "ansicpg") {
    document_code_page_ = static_cast<unsigned>(std::max(0L, ParamValue(0)));
  } else if (w == "mac") {
    character_set_code_page_ = 10000;
  } else if (w == "pc") {
    character_set_code_page_ = 437;
  } else if (w == "pca") {
    character_set_code_page_ = 850;
  } else if (w == "-") {
    Write(kSoftHyphen);
  } else if (w == "_") {
    Write(kNonBreakingHyphen);
  } else if (w == "bullet") {
    Write(kBullet);
  } else if (w == "bin") {
    SkipBinary();
  } else if (w == "par" || w == "pard" || w == "ls" || w == "ilvl") {
    ApplyParagraphWord();
  } else {
    ApplyStructureWord();
  }
}

// The classic words, with tables, rules and the special characters taken
// through the writer so that they stay inside well-formed markup.
void FullTextScanner::ApplyStructureWord() {
  const std::string_view w = state_.Word;
  if (ApplyFormattingWord(w)) return;
  // A nested table's cells and rows stay inside the outer cell, parted as
  // tabs and line breaks part text (its \nonesttables copy is skipped).
  const BodyWord word = LookupBodyWord(w == "nestcell" ? "tab" : w == "nestrow" ? "line" : w);
  switch (word.action) {
    case WordAction::kNone: break;
    case WordAction::kParagraph: state_.ParaState = kParagraphPending; break;
    case WordAction::kRule: writer_.Rule(); break;
    case WordAction::kRow: writer_.EndRow(); break;
    case WordAction::kCell: writer_.EndCell(); break;
    case WordAction::kAppend: Write(word.text); break;
  }
}

void FullTextScanner::SetFormat(std::uint8_t format, bool on) {
  std::uint8_t& formats = groups_.back().inline_wanted.formats;
  formats = static_cast<std::uint8_t>(on ? formats | format : formats & ~format);
}

// Character formatting, table rows and the paragraph properties of
// headings and links; true when w was one of them. Switched on the first
// byte, as most words of a document are none of these.
bool FullTextScanner::ApplyFormattingWord(std::string_view w) {
  const auto on = [this] { return ParamValue(1) != 0; };
  switch (w.empty() ? '\0' : w[0]) {
    case 'b':
      if (w != "b") return false;
      SetFormat(kStrong, on());
      return true;
    case 'i':
      if (w == "i") {
        SetFormat(kEmphasis, on());
      } else if (w == "intbl") {
        writer_.SetTableParagraph(true);
      } else {
        return false;
      }
      return true;
    case 'u':
      if (w == "up") {
        SetFormat(kSubscript, false);
        SetFormat(kSuperscript, ParamValue(6) > 0);
      } else if (w == "ulnone") {
        SetFormat(kUnderline, false);
      } else if (w.size() >= 2 && w[1] == 'l' && w != "ulc") {
        SetFormat(kUnderline, on());  // \ul and its dotted, double, wave... kinds
      } else {
        return false;
      }
      return true;
    case 's':
      if (w == "s") {
        paragraph_style_ = ParamValue(0);
        UpdateHeading();
      } else if (w == "strike" || w == "striked") {
        SetFormat(kStrike, on());
      } else if (w == "super" || w == "sub") {
        SetFormat(kSuperscript, w == "super");
        SetFormat(kSubscript, w == "sub");
      } else {
        return false;
      }
      return true;
    case 'd':
      if (w != "dn") return false;
      SetFormat(kSuperscript, false);
      SetFormat(kSubscript, ParamValue(6) > 0);
      return true;
    case 'n':
      if (w != "nosupersub") return false;
      SetFormat(kSuperscript | kSubscript, false);
      return true;
    case 'o':
      if (w != "outlinelevel") return false;
      paragraph_outline_ = ParamValue(-1);
      UpdateHeading();
      return true;
    case 't':
      if (w == "trowd" || w == "trhdr") {
        writer_.SetHeaderRow(w == "trhdr");
        return true;
      }
      return false;
    case 'f':
      if (w == "field") {
        field_target_.clear();
      } else if (w == "fldrslt") {
        if (!field_target_.empty()) {
          groups_.back().inline_wanted.link = writer_.AddLink(std::move(field_target_));
          field_target_.clear();
        }
      } else {
        return false;
      }
      return true;
    default: return false;
  }
}

void FullTextScanner::UpdateHeading() {
  writer_.SetHeading(paragraph_outline_ >= 0 ? StyleSheet::OutlineHeading(paragraph_outline_)
                                             : styles_.HeadingLevel(paragraph_style_));
}

// Word 97 lists: a paragraph with \lsN is an item until \pard ends its
// properties; the kind comes from the list's level (\ilvlN). A \pn group's
// numbering lasts until \pard the same way.
void FullTextScanner::ApplyParagraphWord() {
  const std::string_view w = state_.Word;
  const bool item_pending =
      state_.ParaState == kBulletItemPending || state_.ParaState == kNumberedItemPending;
  if (w == "par") {
    state_.ApplyControlWord();
    item_from_list_ = false;
    if (paragraph_list_ != 0) {
      SetListItemPending();
    } else if (paragraph_numbering_ != kParagraphPending) {
      state_.ParaState = paragraph_numbering_;
      item_from_list_ = true;
    }
  } else if (w == "pard") {
    paragraph_style_ = 0;
    paragraph_outline_ = -1;
    UpdateHeading();
    writer_.SetTableParagraph(false);
    paragraph_list_ = 0;
    paragraph_numbering_ = kParagraphPending;
    paragraph_level_ = 0;
    if (item_from_list_ && item_pending) state_.ParaState = kParagraphPending;
    item_from_list_ = false;
  } else if (w == "ls") {
    paragraph_list_ = ParamValue(0);
    if (paragraph_list_ != 0 && (item_pending || state_.ParaState == kParagraphPending))
      SetListItemPending();
  } else {
    paragraph_level_ = ParamValue(0);
    if (item_from_list_ && item_pending) SetListItemPending();
  }
}

void FullTextScanner::SetListItemPending() {
  state_.ParaState = lists_.IsNumbered(paragraph_list_, paragraph_level_) ? kNumberedItemPending
                                                                          : kBulletItemPending;
  item_from_list_ = true;
}

// True, past it, when the control word `word` comes next.
bool FullTextScanner::ReadWordIfNext(std::string_view word) {
  const std::string_view source = state_.Source;
  std::size_t at = state_.Position;
  if (at >= source.size() || source[at] != '\\' || source.substr(at + 1, word.size()) != word) {
    return false;
  }
  at += 1 + word.size();
  if (at < source.size() && IsLetter(static_cast<unsigned char>(source[at]))) return false;
  if (at < source.size() && source[at] == ' ') ++at;
  state_.Position = at;
  return true;
}

// Skips the group that comes next, if one does.
void FullTextScanner::SkipNextGroup() {
  while (state_.Position < state_.SourceLength &&
         (state_.At(state_.Position) == '\r' || state_.At(state_.Position) == '\n' ||
          state_.At(state_.Position) == ' ')) {
    ++state_.Position;
  }
  if (state_.At(state_.Position) != '{') return;
  ++state_.Position;
  ++state_.Depth;
  SkipDestination("");
}

// The classic skip, which also reads the font and list tables when the
// destination is one of them.
void FullTextScanner::SkipDestination(std::string_view opening) {
  TableKind table = TableOf(opening);
  bool first_word = opening == "*";
  const std::ptrdiff_t saved = state_.Depth;
  if (opening == "fldinst") return ReadFieldInstruction(saved);
  if (table == TableKind::kStyles) return ReadStyleSheet(saved);
  const char* const data = state_.Source.data();
  while (state_.Position < state_.SourceLength) {
    const unsigned char b = static_cast<unsigned char>(data[state_.Position]);
    if (!Is(b, kSkipStop)) {
      ++state_.Position;
      continue;
    }
    if (b == '{') {
      ++state_.Depth;
      ++state_.Position;
      continue;
    }
    if (b == '}') {
      --state_.Depth;
      ++state_.Position;
      if (state_.Depth < saved) return;
      continue;
    }
    const unsigned char next = state_.At(state_.Position + 1);
    if (next == '{' || next == '}') {
      state_.Position += 2;
      continue;
    }
    ++state_.Position;
    ReadControlWord();
    const std::string_view w = state_.Word;
    if (first_word) {
      table = TableOf(w);
      first_word = false;
      if (w == "fldinst") return ReadFieldInstruction(saved);
      if (table == TableKind::kStyles) return ReadStyleSheet(saved);
    }
    if (w == "bin") {
      SkipBinary();
    } else if (w == "nestrow") {
      // Writers end a nested row inside its {\*\nesttableprops} group.
      Write(LookupBodyWord("line").text);
    } else if (w == "pnlvlblt" || w == "pnlvlbody") {
      // As in the classic output, and kept for the paragraphs that follow
      // until \pard, which is how RichEdit writes its later items.
      state_.ParaState = w == "pnlvlblt" ? kBulletItemPending : kNumberedItemPending;
      paragraph_numbering_ = state_.ParaState;
      item_from_list_ = false;
    } else if (w == "title") {
      state_.Title = ReadTitleText();
    } else if (table == TableKind::kFonts) {
      if (w == "f") fonts_.BeginFont(ParamValue(0));
      if (w == "fcharset") fonts_.SetCharset(CharsetCodePage(ParamValue(0)));
      if (w == "cpg") fonts_.SetCodePage(static_cast<unsigned>(std::max(0L, ParamValue(0))));
    } else if (table == TableKind::kLists) {
      if (w == "list") lists_.BeginList();
      if (w == "listlevel") lists_.BeginLevel();
      if (w == "levelnfc" || w == "levelnfcn") lists_.SetLevelFormat(ParamValue(0));
      if (w == "listid") lists_.SetListId(ParamValue(0));
    } else if (table == TableKind::kListOverrides) {
      if (w == "listoverride") lists_.BeginOverride();
      if (w == "listid") lists_.SetOverrideListId(ParamValue(0));
      if (w == "ls") lists_.SetOverrideNumber(ParamValue(0));
    }
  }
}

// The style entries are the groups right inside the stylesheet; each one's
// text up to ";" is its name.
void FullTextScanner::ReadStyleSheet(std::ptrdiff_t group_depth) {
  const std::ptrdiff_t entry_depth = group_depth + 1;
  while (state_.Position < state_.SourceLength) {
    const unsigned char b = state_.At(state_.Position);
    if (b == '{') {
      ++state_.Position;
      if (++state_.Depth == entry_depth) styles_.BeginStyle();
      continue;
    }
    if (b == '}') {
      ++state_.Position;
      if (state_.Depth-- == entry_depth) styles_.EndStyle();
      if (state_.Depth < group_depth) return;
      continue;
    }
    if (b != '\\') {
      if (state_.Depth == entry_depth && b >= 0x20) styles_.AddNameByte(static_cast<char>(b));
      ++state_.Position;
      continue;
    }
    const unsigned char next = state_.At(state_.Position + 1);
    if (next == '{' || next == '}' || next == '\\' || next == '\'') {
      state_.Position += next == '\'' ? 4 : 2;
      continue;
    }
    ++state_.Position;
    ReadControlWord();
    const std::string_view w = state_.Word;
    if (w == "bin") {
      SkipBinary();
    } else if (state_.Depth != entry_depth) {
      continue;
    } else if (w == "s") {
      styles_.SetNumber(ParamValue(0));
    } else if (w == "sbasedon") {
      styles_.SetBasedOn(ParamValue(-1));
    } else if (w == "outlinelevel") {
      styles_.SetOutlineLevel(ParamValue(-1));
    }
  }
}

// A field's instruction, read to its group's end as text ("\\l" and the
// word \l alike become "\l"), for the link its result may be. Only the
// first bytes are kept: no address is longer.
void FullTextScanner::ReadFieldInstruction(std::ptrdiff_t group_depth) {
  constexpr std::size_t kKeptBytes = 4096;
  std::string text;
  const unsigned page = DocumentCodePage();
  while (state_.Position < state_.SourceLength) {
    const unsigned char b = state_.At(state_.Position);
    if (text.size() > kKeptBytes) text.resize(kKeptBytes);
    if (b == '{' || b == '}') {
      ++state_.Position;
      state_.Depth += b == '{' ? 1 : -1;
      if (state_.Depth < group_depth) break;
      continue;
    }
    if (b != '\\' || state_.At(state_.Position + 1) == '\'') {
      unsigned char value = b;
      if (b == '\\') {
        value = static_cast<unsigned char>(HexDigitValue(state_.At(state_.Position + 2)) * 16 +
                                           HexDigitValue(state_.At(state_.Position + 3)));
        state_.Position += 3;
      }
      ++state_.Position;
      if (value >= 0x80) {
        bytes_.Decode(page, value, text);
      } else if (value >= 0x20) {
        bytes_.Flush(text);
        text += static_cast<char>(value);
      }
      continue;
    }
    bytes_.Flush(text);
    const unsigned char next = state_.At(state_.Position + 1);
    if (next == '{' || next == '}' || next == '\\') {
      text += static_cast<char>(next);
      state_.Position += 2;
      continue;
    }
    ++state_.Position;
    ReadControlWord();
    const std::string_view w = state_.Word;
    if (w == "bin") {
      SkipBinary();
    } else if (w == "u") {
      long value = ParamValue(0);
      if (value < 0) value += 65536;
      AppendUtf8(static_cast<char32_t>(std::max(0L, value)), text);
    } else if (w.size() == 1 && w[0] >= 'a' && w[0] <= 'z') {
      text += '\\';
      text += w;
      text += ' ';
    }
  }
  bytes_.Flush(text);
  field_target_ = HyperlinkTarget(text);
}

// The classic title reading, decoded like body text in the document's code
// page; \uN characters belong to it instead of ending it.
std::string FullTextScanner::ReadTitleText() {
  std::string out;
  ByteDecoder& bytes = bytes_;
  const unsigned page = DocumentCodePage();
  long fallback = groups_.back().unicode_fallback;
  std::size_t& at = state_.Position;
  while (at < state_.SourceLength) {
    const unsigned char b = state_.At(at);
    if (b == '{' || b == '}') break;
    if (b != '\\') {
      bytes.Decode(page, b, out);
      ++at;
      continue;
    }
    const unsigned char next = state_.At(at + 1);
    if (next == '\'') {
      const unsigned hi = HexDigitValue(state_.At(at + 2));
      const unsigned lo = HexDigitValue(state_.At(at + 3));
      bytes.Decode(page, static_cast<unsigned char>(hi * 16 + lo), out);
      at += 4;
      continue;
    }
    bytes.Flush(out);
    if (next == '\\' || next == '{' || next == '}') {
      AppendHtmlCodePoint(next, out);
      at += 2;
      continue;
    }
    const std::size_t word_start = at;
    ++at;
    ReadControlWord();
    if (state_.Word == "u") {
      long value = ParamValue(0);
      if (value < 0) value += 65536;
      AppendHtmlCodePoint(static_cast<char32_t>(std::max(0L, value)), out);
      at = SkipFallbackInTitle(at, fallback);
    } else if (state_.Word == "uc") {
      fallback = std::max(0L, ParamValue(1));
    } else {
      at = word_start;  // a control word ends the title; the skip reads it next
      break;
    }
  }
  bytes.Flush(out);
  return out;
}

std::size_t FullTextScanner::SkipFallbackInTitle(std::size_t at, long count) const {
  while (count > 0 && at < state_.SourceLength) {
    const unsigned char b = state_.At(at);
    if (b == '{' || b == '}') break;
    if (b == '\\') {
      const unsigned char next = state_.At(at + 1);
      if (next == '\'') {
        at += 4;
      } else if (next == '\\' || next == '{' || next == '}') {
        at += 2;
      } else {
        break;
      }
    } else {
      ++at;
    }
    --count;
  }
  return at;
}

void FullTextScanner::EmitByte(unsigned char b) {
  if (high_surrogate_ != 0) FlushPending();
  decoded_.clear();
  bytes_.Decode(CodePage(), b, decoded_);
  // Empty while a lead byte waits for its trail; pending tags are written
  // now all the same, as for any character.
  Write(decoded_);
}

void FullTextScanner::EmitUnicode(long value) {
  if (value < 0) value += 65536;
  const char32_t c = value < 0 ? 0xFFFD : static_cast<char32_t>(value);
  FlushPendingBytes();
  if (c >= 0xDC00 && c <= 0xDFFF && high_surrogate_ != 0) {
    const char32_t joined = 0x10000 + ((high_surrogate_ - 0xD800) << 10) + (c - 0xDC00);
    high_surrogate_ = 0;
    EmitCodePoint(joined);
    return;
  }
  if (high_surrogate_ != 0) FlushPending();
  if (c >= 0xD800 && c <= 0xDBFF) {
    high_surrogate_ = c;
    return;
  }
  EmitCodePoint(c);  // a lone low surrogate becomes U+FFFD there
}

void FullTextScanner::EmitCodePoint(char32_t c) {
  decoded_.clear();
  AppendHtmlCodePoint(c, decoded_);
  Write(decoded_);
}

void FullTextScanner::FlushPendingBytes() {
  if (!bytes_.WaitingForTrail()) return;
  decoded_.clear();
  bytes_.Flush(decoded_);
  Write(decoded_);
}

// Half a character met something else: it shows as U+FFFD.
void FullTextScanner::FlushPending() {
  if (!HasPending()) return;
  decoded_.clear();
  bytes_.Flush(decoded_);
  if (high_surrogate_ != 0) {
    high_surrogate_ = 0;
    AppendHtmlCodePoint(0xFFFD, decoded_);
  }
  Write(decoded_);
}

}  // namespace
}  // namespace corvane::engine

namespace corvane {

// Performance-critical: benchmark any change.
std::string RenderRtfAsFullTextHtml(std::string_view rtf, const CodePageDecoder& decoder) {
  return engine::FullTextScanner(rtf, decoder).Run();
}

}  // namespace corvane
