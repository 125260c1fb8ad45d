#include "readers/rtf_writer.h"

#include <utility>

namespace corvane::readers {
namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendHexEscape(std::string& out, unsigned char byte) {
  out += "\\'";
  out += kHex[byte >> 4];
  out += kHex[byte & 15];
}

// \u takes a signed 16-bit parameter.
void AppendUnicode(std::string& out, char32_t unit) {
  const long value = unit > 32767 ? static_cast<long>(unit) - 65536 : static_cast<long>(unit);
  out += "\\u";
  out += std::to_string(value);
}

}  // namespace

char32_t NextUtf8(std::string_view text, std::size_t& position) {
  const auto lead = static_cast<unsigned char>(text[position]);
  std::size_t length = 1;
  char32_t value = lead;
  if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07u;
  } else if (lead >= 0xE0) {
    length = lead <= 0xEF ? 3 : 1;
    value = lead & 0x0Fu;
  } else if (lead >= 0xC2) {
    length = 2;
    value = lead & 0x1Fu;
  } else if (lead >= 0x80) {
    length = 1;
  }
  if (length == 1) {
    ++position;
    return lead < 0x80 ? value : U'\uFFFD';
  }
  if (position + length > text.size()) {
    ++position;
    return U'\uFFFD';
  }
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[position + i]);
    if ((next & 0xC0u) != 0x80u) {
      ++position;
      return U'\uFFFD';
    }
    value = (value << 6) | (next & 0x3Fu);
  }
  position += length;
  return value;
}

void RtfWriter::StartBlock() {
  block_has_text_ = false;
  separators_.clear();
  marker_ = {};
}

void RtfWriter::FlushPending() {
  if (!marker_.empty()) item_open_ = true;
  rtf_ += marker_;
  marker_ = {};
  if (block_has_text_) rtf_ += separators_;
  separators_.clear();
}

void RtfWriter::Rewind(const Mark& mark) {
  if (mark.size < rtf_.size()) rtf_.resize(mark.size);
  written_format_ = mark.written_format;
  open_links_ = mark.open_links;
  separators_ = mark.separators;
  marker_ = mark.marker;
  item_open_ = mark.item_open;
  block_has_text_ = mark.block_has_text;
  any_text_ = mark.any_text;
}

void RtfWriter::Text(std::string_view utf8) {
  std::size_t position = 0;
  while (position < utf8.size()) Character(NextUtf8(utf8, position));
}

void RtfWriter::Character(char32_t character) {
  if (character < 0x20 || (character >= 0x7F && character < 0xA0)) return;  // controls
  FlushPending();
  if (run_format_ != written_format_) WriteFormat();
  block_has_text_ = true;
  any_text_ = true;
  if (character < 0x7F) {
    if (character == '\\' || character == '{' || character == '}') rtf_ += '\\';
    rtf_ += static_cast<char>(character);
    return;
  }
  if (character > 0xFFFF) {
    // A surrogate pair: the first half without a fallback, so one "?"
    // stands for the whole character, and both in one group, so that no
    // reader takes the group's edge for the end of the character.
    const char32_t offset = character - 0x10000;
    rtf_ += "{\\uc0";
    AppendUnicode(rtf_, 0xD800 + (offset >> 10));
    rtf_ += "\\uc1";
    AppendUnicode(rtf_, 0xDC00 + (offset & 0x3FF));
    rtf_ += "?}";
    return;
  }
  unsigned char ansi[2] = {0, 0};
  const int count = encoder_.Encode(character, ansi);
  if (count == 2) {
    rtf_ += "{\\uc2";
    AppendUnicode(rtf_, character);
    AppendHexEscape(rtf_, ansi[0]);
    AppendHexEscape(rtf_, ansi[1]);
    rtf_ += '}';
    return;
  }
  AppendUnicode(rtf_, character);
  if (count == 1) {
    AppendHexEscape(rtf_, ansi[0]);
  } else {
    rtf_ += '?';
  }
}

void RtfWriter::WriteFormat() {
  constexpr std::pair<unsigned, const char*> kToggles[] = {
      {kBold, "\\b"}, {kItalic, "\\i"}, {kUnderline, "\\ul"}, {kStrike, "\\strike"}};
  const unsigned changed = run_format_ ^ written_format_;
  for (const auto& [bit, word] : kToggles) {
    if ((changed & bit) == 0) continue;
    rtf_ += word;
    if ((run_format_ & bit) == 0) rtf_ += bit == kUnderline ? "none" : "0";
    rtf_ += ' ';
  }
  constexpr unsigned kShift = kSuperscript | kSubscript;
  if ((changed & kShift) != 0) {
    if ((run_format_ & kSuperscript) != 0) {
      rtf_ += "\\super ";
    } else if ((run_format_ & kSubscript) != 0) {
      rtf_ += "\\sub ";
    } else {
      rtf_ += "\\nosupersub ";
    }
  }
  written_format_ = run_format_;
}

void RtfWriter::EndRunFormat() {
  run_format_ = 0;
  if (written_format_ == 0) return;
  rtf_ += "\\plain ";
  written_format_ = 0;
}

void RtfWriter::OutlineLevel(int level) {
  rtf_ += "\\outlinelevel" + std::to_string(level) + ' ';
  paragraph_properties_ = true;
}

// The field's instruction is a group of its own and its result one the
// classic engine reads as plain text: no \field group, which it drops.
void RtfWriter::BeginLink(std::string_view target) {
  rtf_ += "{\\*\\fldinst HYPERLINK \"";
  std::size_t position = 0;
  while (position < target.size()) {
    const char32_t c = NextUtf8(target, position);
    if (c < 0x20 || c == 0x7F) continue;
    if (c == '"') {
      rtf_ += "%22";
    } else if (c == '\\' || c == '{' || c == '}') {
      rtf_ += '\\';
      rtf_ += static_cast<char>(c);
    } else if (c < 0x80) {
      rtf_ += static_cast<char>(c);
    } else if (c <= 0xFFFF) {
      rtf_ += "{\\uc0";
      AppendUnicode(rtf_, c);
      rtf_ += '}';
    }
  }
  rtf_ += "\"}{\\fldrslt ";
  ++open_links_;
}

void RtfWriter::EndLink() {
  if (open_links_ == 0) return;
  rtf_ += '}';
  --open_links_;
}

void RtfWriter::Tab() { separators_ += "\\tab "; }

void RtfWriter::LineBreak() { separators_ += "\\line "; }

void RtfWriter::CellSeparator() { separators_ = "\\tab "; }

void RtfWriter::RowSeparator() { separators_ = "\\line "; }

void RtfWriter::BulletItem() { marker_ = "{\\*\\pn\\pnlvlblt}"; }

void RtfWriter::NumberedItem() { marker_ = "{\\*\\pn\\pnlvlbody}"; }

void RtfWriter::EndParagraph() {
  // A list marker is a paragraph property: without \pard it would hold for
  // the paragraphs after the item too, as a reader that keeps RTF's
  // paragraph state (the full-text output) rightly takes it.
  // A link still open here lost its end to a rewind: it ends with its block.
  for (; open_links_ > 0; --open_links_) rtf_ += '}';
  rtf_ += item_open_ || paragraph_properties_ ? "\\par\\pard\r\n" : "\\par\r\n";
  item_open_ = false;
  paragraph_properties_ = false;
  StartBlock();
}

void RtfWriter::PageBreak() {
  // A list marker still waiting stays for the text after the break: the
  // engine would replace a marker written before it by the rule.
  rtf_ += "\\page\r\n";
  block_has_text_ = false;
  separators_.clear();
}

void RtfWriter::EndCell() {
  rtf_ += "\\cell ";
  StartBlock();
}

void RtfWriter::EndRow() {
  rtf_ += "\\row\r\n";
  StartBlock();
}

void RtfWriter::Splice(const std::string& rtf, bool has_text) {
  if (rtf.empty()) return;
  EndRunFormat();  // the spliced text starts plain, and ends so
  if (has_text) FlushPending();
  rtf_ += rtf;
  if (has_text) block_has_text_ = any_text_ = true;
}

std::string RtfTitleText(std::string_view utf8, const AnsiEncoder& encoder) {
  std::string out;
  std::size_t position = 0;
  while (position < utf8.size()) {
    char32_t character = NextUtf8(utf8, position);
    if (character < 0x20) character = ' ';
    if (character < 0x7F) {
      if (character == '\\' || character == '{' || character == '}') out += '\\';
      out += static_cast<char>(character);
      continue;
    }
    unsigned char ansi[2] = {0, 0};
    const int count = character <= 0xFFFF ? encoder.Encode(character, ansi) : 0;
    if (count == 0) {
      out += '?';
      continue;
    }
    for (int i = 0; i < count; ++i) AppendHexEscape(out, ansi[i]);
  }
  return out;
}

std::string RtfDocumentStart(std::string_view title, const AnsiEncoder& encoder) {
  std::string rtf = "{\\rtf1\\ansi\\uc1";
  if (!title.empty()) rtf += "{\\info{\\title " + RtfTitleText(title, encoder) + "}}";
  return rtf + "\r\n";
}

}  // namespace corvane::readers
