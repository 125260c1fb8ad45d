#include "readers/doc/property_runs.h"

#include <algorithm>
#include <unordered_set>

namespace corvane::doc {
namespace {

constexpr std::uint64_t kPageSize = 512;

// The pages a bin table names, each once.
bool ReadPageNumbers(const Fib& fib, ByteReader table, FcLcb where,
                     std::vector<std::uint32_t>& pages) {
  const bool word6 = fib.version != WordVersion::kWord97;
  const PlcReader plc(table, where.fc, where.lcb, word6 ? 2 : 4);
  if (where.lcb == 0) return true;
  if (plc.Count() == 0) return false;
  std::unordered_set<std::uint32_t> seen;
  for (std::uint32_t i = 0; i < plc.Count(); ++i) {
    const std::uint32_t page =
        word6 ? table.U16(plc.DataOffset(i)) : table.U32(plc.DataOffset(i)) & 0x3FFFFF;
    if (seen.insert(page).second) pages.push_back(page);
  }
  return true;
}

// Calls add(fc_start, fc_end, entry) for each run of one page; entry_size is
// the size of the page's entry per run, whose first byte is an offset in
// words to the run's properties.
template <class Add>
bool ReadPage(ByteReader page, std::uint64_t entry_size, Add add) {
  const std::uint8_t runs = page.U8(kPageSize - 1);
  const std::uint64_t entries = 4ull * (runs + 1);
  if (entries + entry_size * runs > kPageSize - 1) return false;
  for (std::uint8_t i = 0; i < runs; ++i) {
    const std::uint32_t start = page.U32(4ull * i);
    const std::uint32_t end = page.U32(4ull * (i + 1));
    if (end < start) return false;
    add(start, end, page.U8(entries + entry_size * i) * 2ull);
  }
  return true;
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

bool ReadParagraphRuns(const Fib& fib, ByteReader word, ByteReader table, const StyleSheet& styles,
                       PropertyRuns<ParagraphProperties>& runs, std::string& error) {
  const bool word6 = fib.version != WordVersion::kWord97;
  std::vector<std::uint32_t> pages;
  error = "the document's paragraph properties are broken";
  if (!ReadPageNumbers(fib, table, fib.plcf_bte_papx, pages)) return false;
  for (const std::uint32_t number : pages) {
    const ByteReader page(word.Slice(kPageSize * number, kPageSize));
    if (page.size() == 0) return false;
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
    if (!ReadPage(page, word6 ? 7 : 13, add)) return false;
  }
  SortRuns(runs);
  error.clear();
  return true;
}

bool ReadCharacterRuns(const Fib& fib, ByteReader word, ByteReader table,
                       PropertyRuns<CharacterProperties>& runs, std::string& error) {
  const bool word6 = fib.version != WordVersion::kWord97;
  std::vector<std::uint32_t> pages;
  error = "the document's character properties are broken";
  if (!ReadPageNumbers(fib, table, fib.plcf_bte_chpx, pages)) return false;
  for (const std::uint32_t number : pages) {
    const ByteReader page(word.Slice(kPageSize * number, kPageSize));
    if (page.size() == 0) return false;
    const auto add = [&](std::uint32_t start, std::uint32_t end, std::uint64_t at) {
      CharacterProperties properties;
      if (at != 0) {
        const std::uint8_t length = page.U8(at);
        ApplyCharacterSprms(page.Slice(at + 1, length), word6, properties);
      }
      runs.MutableRuns().push_back({start, end, properties});
    };
    if (!ReadPage(page, 1, add)) return false;
  }
  SortRuns(runs);
  error.clear();
  return true;
}

}  // namespace corvane::doc
