#include "readers/xls/biff_strings.h"
#include "readers/unicode_text.h"

#include <algorithm>

namespace corvane::xls {

bool SegmentReader::Available() {
  while (segment_ < segments_.size() && position_ >= segments_[segment_].size()) {
    ++segment_;
    position_ = 0;
  }
  return segment_ < segments_.size();
}

bool SegmentReader::U8(std::uint8_t& out) {
  if (!Available()) return false;
  out = static_cast<std::uint8_t>(segments_[segment_][position_++]);
  return true;
}

bool SegmentReader::U16(std::uint16_t& out) {
  std::uint8_t low = 0, high = 0;
  if (!U8(low) || !U8(high)) return false;
  out = static_cast<std::uint16_t>(low | (high << 8));
  return true;
}

bool SegmentReader::U32(std::uint32_t& out) {
  std::uint16_t low = 0, high = 0;
  if (!U16(low) || !U16(high)) return false;
  out = low | (static_cast<std::uint32_t>(high) << 16);
  return true;
}

bool SegmentReader::Skip(std::uint64_t count) {
  while (count > 0) {
    if (!Available()) return false;
    const std::size_t step = static_cast<std::size_t>(
        std::min<std::uint64_t>(count, segments_[segment_].size() - position_));
    position_ += step;
    count -= step;
  }
  return true;
}

bool SegmentReader::Bytes(std::size_t count, std::string& out) {
  while (count > 0) {
    if (!Available()) return false;
    const std::size_t step = std::min(count, segments_[segment_].size() - position_);
    out.append(segments_[segment_].substr(position_, step));
    position_ += step;
    count -= step;
  }
  return true;
}

bool SegmentReader::Characters(std::size_t count, bool high, std::string& out) {
  char16_t pending_high_surrogate = 0;
  const auto emit = [&](char16_t unit) {
    if (pending_high_surrogate != 0) {
      if (unit >= 0xDC00 && unit <= 0xDFFF) {
        readers::AppendUtf8(0x10000 + ((pending_high_surrogate - 0xD800) << 10) + (unit - 0xDC00),
                            out);
        pending_high_surrogate = 0;
        return;
      }
      readers::AppendUtf8(0xFFFD, out);
      pending_high_surrogate = 0;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      pending_high_surrogate = unit;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      readers::AppendUtf8(0xFFFD, out);
    } else {
      readers::AppendUtf8(unit, out);
    }
  };
  while (count > 0) {
    if (segment_ < segments_.size() && position_ >= segments_[segment_].size()) {
      // Characters go on in the next CONTINUE, which restates their width.
      std::uint8_t flags = 0;
      if (!U8(flags)) return false;
      high = (flags & 1) != 0;
      continue;
    }
    if (high) {
      std::uint16_t unit = 0;
      if (!U16(unit)) return false;
      emit(unit);
    } else {
      std::uint8_t byte = 0;
      if (!U8(byte)) return false;
      emit(byte);
    }
    --count;
  }
  if (pending_high_surrogate != 0) readers::AppendUtf8(0xFFFD, out);
  return true;
}

void ByteStringDecoder::SetCodePage(std::uint16_t code_page) {
  switch (code_page) {
    case 0x8000: code_page_ = 10000; break;  // Macintosh Roman
    case 0x8001: code_page_ = 1252; break;   // "ANSI Latin I", BIFF2-3
    case 367:                                // US-ASCII
    case 1200:                               // Unicode: only BIFF8 strings are
    case 0: code_page_ = 1252; break;
    default: code_page_ = code_page;
  }
}

std::string ByteStringDecoder::Decode(std::string_view bytes) const {
  std::u32string characters;
  if (!decoder_.Decode(code_page_, bytes, characters) &&
      !decoder_.Decode(1252, bytes, characters)) {
    for (const char byte : bytes) characters += static_cast<unsigned char>(byte);  // Latin-1
  }
  std::string out;
  for (const char32_t character : characters) readers::AppendUtf8(character, out);
  return out;
}

bool ReadUnicodeString(SegmentReader& reader, bool count16, std::string& out) {
  std::uint16_t count = 0;
  std::uint8_t count8 = 0, flags = 0;
  if (count16 ? !reader.U16(count) : !reader.U8(count8)) return false;
  if (!count16) count = count8;
  if (!reader.U8(flags)) return false;
  return reader.Characters(count, (flags & 1) != 0, out);
}

bool ReadByteString(SegmentReader& reader, bool count16, const ByteStringDecoder& decoder,
                    std::string& out) {
  std::uint16_t count = 0;
  std::uint8_t count8 = 0;
  if (count16 ? !reader.U16(count) : !reader.U8(count8)) return false;
  if (!count16) count = count8;
  std::string bytes;
  if (!reader.Bytes(count, bytes)) return false;
  out += decoder.Decode(bytes);
  return true;
}

std::vector<std::string> ReadSharedStrings(std::vector<std::string_view> segments) {
  SegmentReader reader(std::move(segments));
  std::uint32_t total = 0, unique = 0;
  std::vector<std::string> strings;
  if (!reader.U32(total) || !reader.U32(unique)) return strings;
  for (std::uint32_t i = 0; i < unique; ++i) {
    // XLUnicodeRichExtendedString: the formatting runs and the phonetic
    // block after the characters are skipped.
    std::uint16_t count = 0, runs = 0;
    std::uint8_t flags = 0;
    std::uint32_t phonetic_size = 0;
    if (!reader.U16(count) || !reader.U8(flags)) break;
    if ((flags & 0x08) != 0 && !reader.U16(runs)) break;
    if ((flags & 0x04) != 0 && !reader.U32(phonetic_size)) break;
    std::string text;
    if (!reader.Characters(count, (flags & 1) != 0, text)) break;
    strings.push_back(std::move(text));
    if (!reader.Skip(4ull * runs + phonetic_size)) break;
  }
  return strings;
}

}  // namespace corvane::xls
