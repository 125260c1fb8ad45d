// A property set stream ([MS-OLEPS]): a header naming the sets by format
// id and offset; each set a size, a count, (property id, offset) pairs and
// typed values. Every offset is checked against the stream.
#include "readers/doc/summary_information.h"
#include "readers/unicode_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

namespace corvane::doc {
namespace {

constexpr std::uint32_t kCodePageProperty = 1;
constexpr std::uint32_t kTitleProperty = 2;
constexpr std::uint16_t kTypeI2 = 0x02;
constexpr std::uint16_t kTypeLpstr = 0x1E;
constexpr std::uint16_t kTypeLpwstr = 0x1F;
constexpr unsigned kUtf16CodePage = 1200;
constexpr unsigned kUtf8CodePage = 65001;
constexpr unsigned kWindows1252 = 1252;
constexpr char32_t kReplacement = 0xFFFD;
// FMTID_SummaryInformation, F29F85E0-4FF9-1068-AB91-08002B27B3D9, and
// the same with its first three fields big-endian, as some Mac writers
// stored it.
constexpr unsigned char kFormatId[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                         0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
constexpr unsigned char kSwappedFormatId[16] = {0xF2, 0x9F, 0x85, 0xE0, 0x4F, 0xF9, 0x10, 0x68,
                                                0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};

std::optional<std::uint32_t> ReadLittleEndian(std::string_view bytes, std::size_t offset,
                                              std::size_t width) {
  if (offset > bytes.size() || bytes.size() - offset < width) return std::nullopt;
  std::uint32_t value = 0;
  for (std::size_t i = width; i-- > 0;) {
    value = value << 8 | static_cast<unsigned char>(bytes[offset + i]);
  }
  return value;
}

std::optional<std::uint32_t> Read16(std::string_view bytes, std::size_t offset) {
  return ReadLittleEndian(bytes, offset, 2);
}

std::optional<std::uint32_t> Read32(std::string_view bytes, std::size_t offset) {
  return ReadLittleEndian(bytes, offset, 4);
}

// Windows-1252's 0x80 to 0x9F; the five bytes it leaves undefined give the
// replacement character rather than C1 controls.
char32_t FromWindows1252(unsigned char byte) {
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
}

std::u32string DecodeUtf8(std::string_view bytes) {
  std::u32string out;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                                                             : 0;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    bool valid = length != 0 && i + length <= bytes.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = code << 6 | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are not text.
    constexpr char32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
    valid = valid && code >= kLeast[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    out.push_back(valid ? code : kReplacement);
    i += valid ? length : 1;
  }
  return out;
}

std::u32string Decode(std::string_view bytes, unsigned code_page, const CodePageDecoder& decoder) {
  if (code_page == kUtf16CodePage) return readers::DecodeUtf16(bytes, false);
  if (code_page == kUtf8CodePage) return DecodeUtf8(bytes);
  std::u32string out;
  if (code_page != kWindows1252 && decoder.Decode(code_page, bytes, out)) return out;
  for (const char byte : bytes) out.push_back(FromWindows1252(static_cast<unsigned char>(byte)));
  return out;
}

// The title's characters: a VT_LPSTR counts bytes in the set's code page,
// a VT_LPWSTR counts UTF-16 units. Empty when the value does not fit.
std::u32string TitleCharacters(std::string_view set, std::size_t offset, unsigned code_page,
                               const CodePageDecoder& decoder) {
  const std::optional<std::uint32_t> type = Read16(set, offset);
  const std::optional<std::uint32_t> count = Read32(set, offset + 4);
  if (!type || !count) return {};
  const std::string_view value = set.substr(offset + 8);
  if (*type == kTypeLpstr && *count <= value.size()) {
    return Decode(value.substr(0, *count), code_page, decoder);
  }
  if (*type == kTypeLpwstr && *count <= value.size() / 2) {
    return readers::DecodeUtf16(value.substr(0, std::size_t{*count} * 2), false);
  }
  return {};
}

// The summary's first property set and how many (id, offset) pairs it
// holds whole; nullopt when the stream is not a summary information set.
struct PropertySet {
  std::string_view bytes;
  std::size_t count = 0;
  std::uint32_t Id(std::size_t i) const { return *Read32(bytes, 8 + 8 * i); }
  std::uint32_t Offset(std::size_t i) const { return *Read32(bytes, 12 + 8 * i); }
};

std::optional<PropertySet> FirstSet(std::string_view stream) {
  const std::optional<std::uint32_t> set_count = Read32(stream, 24);
  const std::optional<std::uint32_t> set_offset = Read32(stream, 44);
  if (Read16(stream, 0) != 0xFFFE || !set_count || *set_count == 0 || !set_offset ||
      (std::memcmp(stream.data() + 28, kFormatId, sizeof kFormatId) != 0 &&
       std::memcmp(stream.data() + 28, kSwappedFormatId, sizeof kSwappedFormatId) != 0) ||
      *set_offset > stream.size()) {
    return std::nullopt;
  }
  std::string_view set = stream.substr(*set_offset);
  const std::optional<std::uint32_t> set_size = Read32(set, 0);
  if (!set_size || *set_size < 8) return std::nullopt;
  set = set.substr(0, *set_size);
  const std::optional<std::uint32_t> declared = Read32(set, 4);
  if (!declared) return std::nullopt;
  return PropertySet{set, std::min<std::size_t>(*declared, (set.size() - 8) / 8)};
}

// A VT_I2, so 65001 is stored as -535: read it unsigned.
std::optional<std::uint32_t> CodePageOf(const PropertySet& set) {
  for (std::size_t i = 0; i < set.count; ++i) {
    if (set.Id(i) == kCodePageProperty && Read16(set.bytes, set.Offset(i)) == kTypeI2) {
      return Read16(set.bytes, set.Offset(i) + 4);
    }
  }
  return std::nullopt;
}

}  // namespace

unsigned ReadSummaryCodePage(std::string_view stream) {
  const std::optional<PropertySet> set = FirstSet(stream);
  return set ? CodePageOf(*set).value_or(0) : 0;
}

std::string ReadSummaryTitle(std::string_view stream, const CodePageDecoder& decoder) {
  const std::optional<PropertySet> set = FirstSet(stream);
  if (!set) return "";
  std::optional<std::uint32_t> title_offset;
  for (std::size_t i = 0; i < set->count && !title_offset; ++i) {
    if (set->Id(i) == kTitleProperty) title_offset = set->Offset(i);
  }
  if (!title_offset) return "";
  const unsigned code_page = CodePageOf(*set).value_or(kWindows1252);
  std::u32string characters = TitleCharacters(set->bytes, *title_offset, code_page, decoder);
  characters.erase(std::find(characters.begin(), characters.end(), U'\0'), characters.end());
  std::string title;
  for (const char32_t character : characters) readers::AppendUtf8(character, title);
  return title;
}

}  // namespace corvane::doc
