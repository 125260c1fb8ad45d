#include "readers/doc/fonts.h"

namespace corvane::doc {
namespace {

// Where an FFN's fields lie, counted from its size byte (cbFfnM1).
constexpr std::uint64_t kCharsetOffset = 4;
constexpr std::uint64_t kWord97NameOffset = 40;  // after PANOSE and FONTSIGNATURE
constexpr std::uint64_t kWord6NameOffset = 6;

char AsciiOrQuestionMark(std::uint16_t c) {
  return c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
}

}  // namespace

unsigned CodePageOfCharset(std::uint8_t charset) {
  switch (charset) {
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
    default: return 0;
  }
}

void FontTable::Read(const Fib& fib, ByteReader table) {
  const ByteReader sttbf(table.Slice(fib.sttbf_ffn.fc, fib.sttbf_ffn.lcb));
  const bool word6 = fib.version != WordVersion::kWord97;
  // Word 97: a count and an (empty) extra size; Word 6/95: the table's size.
  std::uint64_t offset = word6 ? 2 : 4;
  const std::uint64_t count = word6 ? UINT64_MAX : sttbf.U16(0);
  while (fonts_.size() < count && sttbf.Has(offset, 1)) {
    const ByteReader ffn(sttbf.Slice(offset, sttbf.U8(offset) + 1ull));
    if (ffn.size() == 0) break;
    offset += ffn.size();
    Font font;
    font.code_page = CodePageOfCharset(ffn.U8(kCharsetOffset));
    if (word6) {
      for (std::uint64_t at = kWord6NameOffset; at < ffn.size() && ffn.U8(at) != 0; ++at)
        font.name += AsciiOrQuestionMark(ffn.U8(at));
    } else {
      for (std::uint64_t at = kWord97NameOffset; at + 1 < ffn.size() && ffn.U16(at) != 0; at += 2)
        font.name += AsciiOrQuestionMark(ffn.U16(at));
    }
    fonts_.push_back(std::move(font));
  }
}

}  // namespace corvane::doc
