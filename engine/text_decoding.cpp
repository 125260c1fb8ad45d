#include "engine/text_decoding.h"

#include <algorithm>

namespace corvane::engine {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr unsigned kFallbackCodePage = 1252;

bool IsLeadByte(unsigned code_page, unsigned char b) {
  if (code_page == 932) return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
  return b >= 0x81 && b <= 0xFE;
}

bool IsDigit(unsigned char b) { return b >= 0x30 && b <= 0x39; }

std::size_t Utf8Length(unsigned char lead) { return lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4; }

// Whether byte b above 0x7F begins a character of more than one byte.
bool Begins(ByteSequences sequences, unsigned code_page, unsigned char b) {
  switch (sequences) {
    case ByteSequences::kLeadTrail: return IsLeadByte(code_page, b);
    case ByteSequences::kUtf8: return b >= 0xC2 && b <= 0xF4;
    case ByteSequences::kGb18030: return b >= 0x81 && b <= 0xFE;
    case ByteSequences::kSingle: break;
  }
  return false;
}

// Whether b may follow the first `size` bytes of a UTF-8 or GB18030
// character. GB18030 has a lead and a trail, or a lead, a digit, a second
// lead and a digit.
bool Follows(ByteSequences sequences, std::size_t size, unsigned char b) {
  if (sequences == ByteSequences::kUtf8) return b >= 0x80 && b <= 0xBF;
  if (sequences != ByteSequences::kGb18030) return false;
  if (size == 1) return IsDigit(b) || (b >= 0x40 && b <= 0xFE && b != 0x7F);
  if (size == 2) return b >= 0x81 && b <= 0xFE;
  return IsDigit(b);
}

bool IsWhole(ByteSequences sequences, const std::array<unsigned char, 4>& begun, std::size_t size) {
  switch (sequences) {
    case ByteSequences::kUtf8: return size == Utf8Length(begun[0]);
    case ByteSequences::kGb18030: return size == 4 || (size == 2 && !IsDigit(begun[1]));
    default: return size == 2;
  }
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

ByteSequences SequencesOf(unsigned code_page) {
  switch (code_page) {
    case 932:
    case 936:
    case 949:
    case 950: return ByteSequences::kLeadTrail;
    case 65001: return ByteSequences::kUtf8;
    case 54936: return ByteSequences::kGb18030;
    default: return ByteSequences::kSingle;
  }
}

void ByteDecoder::Decode(unsigned code_page, unsigned char b, std::string& out) {
  if (pending_size_ != 0) {
    if (pending_sequences_ == ByteSequences::kLeadTrail ||
        Follows(pending_sequences_, pending_size_, b)) {
      pending_[pending_size_++] = b;
      if (!IsWhole(pending_sequences_, pending_, pending_size_)) return;
      const std::size_t size = pending_size_;
      pending_size_ = 0;
      DecodeWithSystem(pending_code_page_,
                       std::string_view(reinterpret_cast<const char*>(pending_.data()), size), out);
      return;
    }
    Flush(out);
  }
  if (b < 0x80) {
    AppendHtmlCodePoint(b, out);
    return;
  }
  const ByteSequences sequences = SequencesOf(code_page);
  if (Begins(sequences, code_page, b)) {
    pending_[0] = b;
    pending_size_ = 1;
    pending_code_page_ = code_page;
    pending_sequences_ = sequences;
    return;
  }
  if (code_page != current_code_page_ || current_table_ == nullptr) {
    current_table_ = TableFor(code_page);
    current_code_page_ = code_page;
  }
  out += (*current_table_)[b - 0x80u];
}

bool ByteDecoder::Continues(unsigned char b) const {
  if (pending_size_ == 0) return false;
  // A trail byte from 0x40 on; below it only escapes make one.
  if (pending_sequences_ == ByteSequences::kLeadTrail) return b >= 0x40;
  return Follows(pending_sequences_, pending_size_, b);
}

void ByteDecoder::Flush(std::string& out) {
  if (pending_size_ == 0) return;
  pending_size_ = 0;
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

std::shared_ptr<const ByteDecoder::Table> ByteDecoder::TableFor(unsigned code_page) {
  for (CachedTable& cached : tables_) {
    if (cached.code_page == code_page) {
      cached.last_use = ++uses_;
      return cached.table;
    }
  }
  std::shared_ptr<const Table> table = BuildTable(code_page);
  if (table == nullptr) {
    if (code_page == kFallbackCodePage) {
      auto replacements = std::make_shared<Table>();
      for (std::string& character : *replacements) AppendHtmlCodePoint(kReplacement, character);
      table = std::move(replacements);
    } else {
      table = TableFor(kFallbackCodePage);
    }
  }
  if (tables_.size() >= kMaxTables) {
    const auto oldest =
        std::min_element(tables_.begin(), tables_.end(),
                         [](const auto& a, const auto& b) { return a.last_use < b.last_use; });
    tables_.erase(oldest);
  }
  tables_.push_back({code_page, table, ++uses_});
  return table;
}

// Null when the system does not know the page.
std::shared_ptr<const ByteDecoder::Table> ByteDecoder::BuildTable(unsigned code_page) {
  std::string upper(128, '\0');
  for (unsigned i = 0; i < 128; ++i) upper[i] = static_cast<char>(0x80 + i);
  scratch_.clear();
  if (!system_.Decode(code_page, upper, scratch_)) return nullptr;
  auto table = std::make_shared<Table>();
  // A single-byte page maps each byte to one character, so that one call
  // serves all 128; other pages are asked byte by byte (the bytes that
  // begin a sequence never come here).
  if (SequencesOf(code_page) == ByteSequences::kSingle && scratch_.size() == 128) {
    for (unsigned i = 0; i < 128; ++i) AppendHtmlCodePoint(scratch_[i], (*table)[i]);
  } else {
    for (unsigned i = 0; i < 128; ++i) {
      DecodeWithSystem(code_page, std::string_view(upper).substr(i, 1), (*table)[i]);
    }
  }
  return table;
}

}  // namespace corvane::engine
