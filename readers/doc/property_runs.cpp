#include "readers/doc/property_runs.h"

#include <algorithm>
#include <unordered_set>

namespace corvane::doc {
namespace {

constexpr std::uint64_t kPageSize = 512;

// The pages a bin table names, each once; none when the table is broken.
std::vector<std::uint32_t> ReadPageNumbers(const Fib& fib, ByteReader table, FcLcb where) {
  const bool word6 = fib.version != WordVersion::kWord97;
  const PlcReader plc(table, where.fc, where.lcb, word6 ? 2 : 4);
  std::vector<std::uint32_t> pages;
  std::unordered_set<std::uint32_t> seen;
  for (std::uint32_t i = 0; i < plc.Count(); ++i) {
    const std::uint32_t page =
        word6 ? table.U16(plc.DataOffset(i)) : table.U32(plc.DataOffset(i)) & 0x3FFFFF;
    if (seen.insert(page).second) pages.push_back(page);
  }
  return pages;
}

// Calls add(fc_start, fc_end, entry) for each run of one page; entry_size is
// the size of the page's entry per run, whose first byte is an offset in
// words to the run's properties. A page that is not whole, or whose runs go
// backwards, adds nothing: a damaged page costs only its own formatting.
template <class Add>
void ReadPage(ByteReader page, std::uint64_t entry_size, Add add) {
  const std::uint8_t runs = page.U8(kPageSize - 1);
  const std::uint64_t entries = 4ull * (runs + 1);
  if (page.size() != kPageSize || entries + entry_size * runs > kPageSize - 1) return;
  for (std::uint8_t i = 0; i < runs; ++i) {
    if (page.U32(4ull * (i + 1)) < page.U32(4ull * i)) return;
  }
  for (std::uint8_t i = 0; i < runs; ++i) {
    add(page.U32(4ull * i), page.U32(4ull * (i + 1)), page.U8(entries + entry_size * i) * 2ull);
  }
}

template <class Properties>
void SortRuns(PropertyRuns<Properties>& runs) {
  auto& list = runs.MutableRuns();
  std::stable_sort(list.begin(), list.end(),
                   [](const auto& a, const auto& b) { return a.fc_start < b.fc_start; });
}

}  // namespace

template <class Properties>
const typename PropertyRuns<Properties>::Run* PropertyRuns<Properties>::RunAt(
    std::uint64_t fc) const {
  const auto after =
      std::upper_bound(runs_.begin(), runs_.end(), fc,
                       [](std::uint64_t value, const Run& run) { return value < run.fc_start; });
  if (after == runs_.begin()) return nullptr;
  const Run& run = *(after - 1);
  return fc < run.fc_end ? &run : nullptr;
}

template class PropertyRuns<ParagraphProperties>;
template class PropertyRuns<CharacterProperties>;

void ReadParagraphRuns(const Fib& fib, ByteReader word, ByteReader table, const StyleSheet& styles,
                       PropertyRuns<ParagraphProperties>& runs) {
  const bool word6 = fib.version != WordVersion::kWord97;
  for (const std::uint32_t number : ReadPageNumbers(fib, table, fib.plcf_bte_papx)) {
    const ByteReader page(word.Slice(kPageSize * number, kPageSize));
    const auto add = [&](std::uint32_t start, std::uint32_t end, std::uint64_t at) {
      ParagraphProperties properties;
      if (at != 0) {
        // A count of words, then the style and the modifiers; in Word 97
        // a zero count is followed by the real one ([MS-DOC] 2.9.175).
        std::uint64_t length = 0;
        std::uint64_t data = at + 1;
        const std::uint8_t count = page.U8(at);
        if (word6) {
          length = 2ull * count;
        } else if (count != 0) {
          length = 2ull * count - 1;
        } else {
          length = 2ull * page.U8(at + 1);
          data = at + 2;
        }
        const ByteReader papx(page.Slice(data, length));
        if (papx.size() >= 2) {
          properties = styles.Of(papx.U16(0));
          properties.istd = papx.U16(0);
          ApplyParagraphSprms(papx.Slice(2, papx.size() - 2), word6, properties);
        }
      }
      runs.MutableRuns().push_back({start, end, properties});
    };
    ReadPage(page, word6 ? 7 : 13, add);
  }
  SortRuns(runs);
}

void ReadCharacterRuns(const Fib& fib, ByteReader word, ByteReader table,
                       PropertyRuns<CharacterProperties>& runs) {
  const bool word6 = fib.version != WordVersion::kWord97;
  for (const std::uint32_t number : ReadPageNumbers(fib, table, fib.plcf_bte_chpx)) {
    const ByteReader page(word.Slice(kPageSize * number, kPageSize));
    const auto add = [&](std::uint32_t start, std::uint32_t end, std::uint64_t at) {
      CharacterProperties properties;
      if (at != 0) {
        const std::uint8_t length = page.U8(at);
        ApplyCharacterSprms(page.Slice(at + 1, length), word6, properties);
      }
      runs.MutableRuns().push_back({start, end, properties});
    };
    ReadPage(page, 1, add);
  }
  SortRuns(runs);
}

}  // namespace corvane::doc
