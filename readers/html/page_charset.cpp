#include "readers/html/page_charset.h"

#include <array>
#include <utility>

#include "readers/rtf_writer.h"
#include "readers/unicode_text.h"

namespace corvane::html {
namespace {

constexpr std::size_t kNotFound = std::string_view::npos;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// Case-insensitive search for a lower-case needle.
std::size_t FindNoCase(std::string_view text, std::string_view needle, std::size_t from) {
  if (needle.size() > text.size()) return kNotFound;
  for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() && Lower(text[i + k]) == needle[k]) ++k;
    if (k == needle.size()) return i;
  }
  return kNotFound;
}

std::string Normalized(std::string_view label) {
  std::string out;
  for (const char c : label) {
    if (!IsSpace(c) && c != '"' && c != '\'') out += Lower(c);
  }
  return out;
}

// One attribute of a tag, read as browsers' prescan reads it.
struct Attribute {
  std::string name;
  std::string value;
};

// Reads the attribute at `position` inside a tag; false at the tag's end.
bool NextAttribute(std::string_view text, std::size_t& position, Attribute& attribute) {
  while (position < text.size() && (IsSpace(text[position]) || text[position] == '/')) ++position;
  if (position >= text.size() || text[position] == '>') return false;
  attribute = {};
  while (position < text.size() && !IsSpace(text[position]) && text[position] != '=' &&
         text[position] != '>') {
    attribute.name += Lower(text[position++]);
  }
  while (position < text.size() && IsSpace(text[position])) ++position;
  if (position >= text.size() || text[position] != '=') return true;
  ++position;
  while (position < text.size() && IsSpace(text[position])) ++position;
  if (position < text.size() && (text[position] == '"' || text[position] == '\'')) {
    const char quote = text[position++];
    while (position < text.size() && text[position] != quote) attribute.value += text[position++];
    if (position < text.size()) ++position;
  } else {
    while (position < text.size() && !IsSpace(text[position]) && text[position] != '>') {
      attribute.value += text[position++];
    }
  }
  return true;
}

// "text/html; charset=windows-1251" gives "windows-1251".
std::string CharsetOfContentType(std::string_view content) {
  const std::size_t at = FindNoCase(content, "charset", 0);
  if (at == kNotFound) return "";
  std::size_t position = at + 7;
  while (position < content.size() && IsSpace(content[position])) ++position;
  if (position >= content.size() || content[position] != '=') return "";
  ++position;
  std::string label;
  while (position < content.size() && content[position] != ';' && !IsSpace(content[position])) {
    label += content[position++];
  }
  return Normalized(label);
}

bool IsValidUtf8WithNonAscii(std::string_view bytes) {
  bool non_ascii = false;
  std::size_t position = 0;
  while (position < bytes.size()) {
    if (static_cast<unsigned char>(bytes[position]) < 0x80) {
      ++position;
      continue;
    }
    non_ascii = true;
    const std::size_t start = position;
    if (readers::NextUtf8(bytes, position) == U'\uFFFD' && position == start + 1) return false;
  }
  return non_ascii;
}

// A NUL would stop the parser: it is left out.
void AppendUtf8(char32_t c, std::string& out) {
  if (c != 0) readers::AppendUtf8(c, out);
}

void Utf16ToUtf8(std::string_view bytes, bool big_endian, std::string& out) {
  for (const char32_t c : readers::DecodeUtf16(bytes, big_endian)) AppendUtf8(c, out);
}

}  // namespace

unsigned CodePageForLabel(std::string_view label) {
  const std::string name = Normalized(label);
  static constexpr std::array<std::pair<std::string_view, unsigned>, 38> kLabels = {{
      {"utf-8", 65001},
      {"utf8", 65001},
      {"unicode-1-1-utf-8", 65001},
      {"utf-16", 1200},
      {"utf-16le", 1200},
      {"unicode", 1200},
      {"utf-16be", 1201},
      {"iso-8859-1", 1252},
      {"iso8859-1", 1252},
      {"latin1", 1252},
      {"l1", 1252},
      {"us-ascii", 1252},
      {"ascii", 1252},
      {"iso-8859-9", 1254},
      {"latin5", 1254},
      {"iso-8859-11", 874},
      {"tis-620", 874},
      {"koi8-r", 20866},
      {"koi8r", 20866},
      {"koi8-u", 21866},
      {"shift_jis", 932},
      {"shift-jis", 932},
      {"sjis", 932},
      {"x-sjis", 932},
      {"ms_kanji", 932},
      {"windows-31j", 932},
      {"euc-jp", 20932},
      {"gb2312", 936},
      {"gbk", 936},
      {"x-gbk", 936},
      {"gb18030", 54936},
      {"big5", 950},
      {"big5-hkscs", 950},
      {"euc-kr", 949},
      {"ks_c_5601-1987", 949},
      {"macintosh", 10000},
      {"x-mac-roman", 10000},
      {"ibm866", 866},
  }};
  for (const auto& [known, code_page] : kLabels) {
    if (name == known) return code_page;
  }
  // windows-1250, cp1251, x-cp1252, iso-8859-2 (28592), ...
  for (const std::string_view prefix : {"windows-", "x-cp", "cp", "ibm"}) {
    if (name.starts_with(prefix)) {
      const std::string_view digits = std::string_view(name).substr(prefix.size());
      if (digits.empty() || digits.size() > 5) return 0;
      unsigned value = 0;
      for (const char c : digits) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + static_cast<unsigned>(c - '0');
      }
      return value;
    }
  }
  for (const std::string_view prefix : {"iso-8859-", "iso8859-", "iso_8859-"}) {
    if (name.starts_with(prefix)) {
      const std::string_view part = std::string_view(name).substr(prefix.size());
      unsigned value = 0;
      for (const char c : part) {
        if (c < '0' || c > '9') break;
        value = value * 10 + static_cast<unsigned>(c - '0');
      }
      if (value >= 2 && value <= 16) return 28590 + value;
    }
  }
  return 0;
}

std::string DeclaredCharset(std::string_view bytes) {
  const std::size_t body = FindNoCase(bytes, "<body", 0);
  const std::string_view head = bytes.substr(0, body);
  std::size_t at = 0;
  while ((at = FindNoCase(head, "<meta", at)) != kNotFound) {
    std::size_t position = at + 5;
    at = position;
    if (position < head.size() && !IsSpace(head[position]) && head[position] != '/') continue;
    std::string charset;
    std::string content;
    bool content_type = false;
    Attribute attribute;
    while (NextAttribute(head, position, attribute)) {
      if (attribute.name == "charset") charset = Normalized(attribute.value);
      if (attribute.name == "content") content = attribute.value;
      if (attribute.name == "http-equiv")
        content_type = Normalized(attribute.value) == "content-type";
    }
    at = position;  // the next tag starts after this one's end
    if (!charset.empty()) return charset;
    if (content_type) {
      std::string label = CharsetOfContentType(content);
      if (!label.empty()) return label;
    }
  }
  return "";
}

PageCharset DetectCharset(std::string_view bytes) {
  PageCharset charset;
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    return {PageCharset::Kind::kUtf8, 65001, 3};
  }
  if (bytes.starts_with("\xFF\xFE")) return {PageCharset::Kind::kUtf16Le, 1200, 2};
  if (bytes.starts_with("\xFE\xFF")) return {PageCharset::Kind::kUtf16Be, 1201, 2};
  const unsigned declared = CodePageForLabel(DeclaredCharset(bytes));
  // A page whose own bytes carry a UTF-16 label was not written in UTF-16
  // (the label could not be read otherwise): browsers take it as UTF-8.
  if (declared == 65001 || declared == 1200 || declared == 1201) {
    charset.kind = PageCharset::Kind::kUtf8;
    charset.code_page = 65001;
  } else if (IsValidUtf8WithNonAscii(bytes)) {
    // Text in a legacy page is hardly ever valid UTF-8 by chance, while
    // pages re-saved as UTF-8 often keep their old label.
    charset.kind = PageCharset::Kind::kUtf8;
    charset.code_page = 65001;
  } else if (declared != 0) {
    charset.code_page = declared;
  }
  return charset;
}

std::string PageTextAsUtf8(std::string_view bytes, const PageCharset& charset,
                           const CodePageDecoder& decoder) {
  bytes.remove_prefix(std::min(charset.bom_length, bytes.size()));
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  switch (charset.kind) {
    case PageCharset::Kind::kUtf8: {
      std::size_t position = 0;
      while (position < bytes.size()) AppendUtf8(readers::NextUtf8(bytes, position), out);
      return out;
    }
    case PageCharset::Kind::kUtf16Le: Utf16ToUtf8(bytes, false, out); return out;
    case PageCharset::Kind::kUtf16Be: Utf16ToUtf8(bytes, true, out); return out;
    case PageCharset::Kind::kCodePage: break;
  }
  std::u32string text;
  if (!decoder.Decode(charset.code_page, bytes, text)) {
    text.clear();
    if (!decoder.Decode(1252, bytes, text)) {
      text.clear();
      for (const char c : bytes) text += static_cast<unsigned char>(c);  // Latin-1
    }
  }
  for (const char32_t c : text) AppendUtf8(c, out);
  return out;
}

}  // namespace corvane::html
