#include "readers/doc/style_sheet.h"

#include <string_view>

namespace corvane::doc {
namespace {

constexpr std::uint16_t kNoBase = 0x0FFF;
constexpr int kMaxBaseDepth = 16;

struct Style {
  std::uint16_t base = kNoBase;
  std::string_view grpprl;  // the paragraph UPX, without its istd
};

}  // namespace

void StyleSheet::Read(const Fib& fib, ByteReader table) {
  const ByteReader stsh(table.Slice(fib.stshf.fc, fib.stshf.lcb));
  const bool word6 = fib.version == WordVersion::kWord6;
  const std::uint16_t header_size = stsh.U16(0);
  const std::uint16_t count = stsh.U16(2);
  const std::uint16_t base_size = stsh.U16(4);
  if (!stsh.Has(2, header_size) || base_size < 8) return;
  std::vector<Style> styles;
  std::uint64_t offset = 2ull + header_size;
  for (std::uint16_t i = 0; i < count && stsh.Has(offset, 2); ++i) {
    const std::uint16_t size = stsh.U16(offset);
    const ByteReader std_bytes(stsh.Slice(offset + 2, size));
    offset += 2ull + size;
    Style style;
    if (std_bytes.size() >= base_size) {
      const bool paragraph_style = (std_bytes.U16(2) & 0xF) == 1;
      style.base = std_bytes.U16(2) >> 4;
      // The name: 16-bit characters with a count and a terminator, or in
      // Word 6/95 8-bit ones; the UPXs follow at an even offset.
      std::uint64_t at = base_size;
      at += word6 ? 2ull + std_bytes.U8(at) : 4ull + 2ull * std_bytes.U16(at);
      at += at & 1;
      const std::uint16_t upx_size = std_bytes.U16(at);
      if (paragraph_style && upx_size >= 2 && std_bytes.Has(at + 2, upx_size)) {
        style.grpprl = std_bytes.Slice(at + 4, upx_size - 2u);
      }
    }
    styles.push_back(style);
  }
  // Each style resolved once, its chain of bases followed to a bounded depth.
  resolved_.assign(styles.size(), ParagraphProperties{});
  std::vector<bool> done(styles.size(), false);
  std::vector<std::uint16_t> chain;
  for (std::uint16_t istd = 0; istd < styles.size(); ++istd) {
    chain.clear();
    std::uint16_t at = istd;
    while (at < styles.size() && !done[at] && chain.size() < kMaxBaseDepth) {
      chain.push_back(at);
      at = styles[at].base;
    }
    ParagraphProperties properties =
        at < styles.size() && done[at] ? resolved_[at] : ParagraphProperties{};
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      ApplyParagraphSprms(styles[*it].grpprl, word6, properties);
      properties.istd = *it;
      properties.in_table = properties.row_end = false;
      properties.table_depth = 0;
      resolved_[*it] = properties;
      done[*it] = true;
    }
  }
}

}  // namespace corvane::doc
