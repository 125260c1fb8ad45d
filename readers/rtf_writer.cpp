#include "readers/rtf_writer.h"

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
  rtf_ += item_open_ ? "\\par\\pard\r\n" : "\\par\r\n";
  item_open_ = false;
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

}  // namespace corvane::readers
