#include "engine/text_decoding.h"

namespace corvane::engine {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr unsigned kFallbackCodePage = 1252;

bool IsLeadByte(unsigned code_page, unsigned char b) {
  if (code_page == 932) return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
  return b >= 0x81 && b <= 0xFE;
}

}  // namespace

void AppendHtmlCodePoint(char32_t c, std::string& out) {
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacement;
  if (c < 0x80) {
    switch (c) {
      case 0: break;
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += static_cast<char>(c);
    }
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

unsigned CharsetCodePage(long charset) {
  switch (charset) {
    case 0: return 1252;
    case 77: return 10000;
    case 78: return 10001;
    case 79: return 10003;
    case 80: return 10008;
    case 81: return 10002;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    // 1 (default) and 2 (symbol) among them: the document's page.
    default: return 0;
  }
}

bool IsDoubleByteCodePage(unsigned code_page) {
  return code_page == 932 || code_page == 936 || code_page == 949 || code_page == 950;
}

void ByteDecoder::Decode(unsigned code_page, unsigned char b, std::string& out) {
  if (lead_ != 0) {
    const char pair[2] = {static_cast<char>(lead_), static_cast<char>(b)};
    lead_ = 0;
    DecodeWithSystem(lead_code_page_, std::string_view(pair, 2), out);
    return;
  }
  if (b < 0x80) {
    AppendHtmlCodePoint(b, out);
    return;
  }
  if (IsDoubleByteCodePage(code_page) && IsLeadByte(code_page, b)) {
    lead_ = b;
    lead_code_page_ = code_page;
    return;
  }
  if (code_page != current_code_page_ || current_table_ == nullptr) {
    current_table_ = &TableFor(code_page);
    current_code_page_ = code_page;
  }
  out += (*current_table_)[b - 0x80u];
}

void ByteDecoder::Flush(std::string& out) {
  if (lead_ == 0) return;
  lead_ = 0;
  AppendHtmlCodePoint(kReplacement, out);
}

void ByteDecoder::DecodeWithSystem(unsigned code_page, std::string_view bytes, std::string& out) {
  scratch_.clear();
  if (!system_.Decode(code_page, bytes, scratch_) &&
      !system_.Decode(kFallbackCodePage, bytes, scratch_)) {
    scratch_.assign(bytes.size(), kReplacement);
  }
  for (char32_t c : scratch_) AppendHtmlCodePoint(c, out);
}

const ByteDecoder::Table& ByteDecoder::TableFor(unsigned code_page) {
  for (const auto& [page, table] : tables_) {
    if (page == code_page) return *table;
  }
  auto table = std::make_unique<Table>();
  // A single-byte page maps each byte to one character, so one call serves
  // all 128; a double-byte page is asked byte by byte (its lead bytes never
  // come here).
  std::string upper(128, '\0');
  for (unsigned i = 0; i < 128; ++i) upper[i] = static_cast<char>(0x80 + i);
  scratch_.clear();
  const bool whole = !IsDoubleByteCodePage(code_page) &&
                     system_.Decode(code_page, upper, scratch_) && scratch_.size() == 128;
  if (whole) {
    for (unsigned i = 0; i < 128; ++i) AppendHtmlCodePoint(scratch_[i], (*table)[i]);
  } else {
    for (unsigned i = 0; i < 128; ++i) {
      DecodeWithSystem(code_page, std::string_view(upper).substr(i, 1), (*table)[i]);
    }
  }
  tables_.emplace_back(code_page, std::move(table));
  return *tables_.back().second;
}

}  // namespace corvane::engine
