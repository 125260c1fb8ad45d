#include "readers/doc/list_tables.h"

#include <unordered_map>

namespace corvane::doc {
namespace {

constexpr std::uint64_t kLstfSize = 28;
constexpr std::uint64_t kLvlfSize = 28;
constexpr std::uint64_t kLfoSize = 16;

}  // namespace

ListKind KindOfNumberFormat(int nfc) {
  if (nfc == 23) return ListKind::kBullet;
  if (nfc == 255) return ListKind::kNone;
  return ListKind::kNumbered;
}

void ListTables::Read(const Fib& fib, ByteReader table) {
  if (fib.version != WordVersion::kWord97 || fib.plf_lst.lcb < 2) return;
  const std::uint64_t start = fib.plf_lst.fc;
  const auto count = static_cast<std::int16_t>(table.U16(start));
  if (count <= 0 || !table.Has(start + 2, kLstfSize * count)) return;
  // The levels of every list follow the PlfLst, list after list.
  std::uint64_t level_at = start + 2 + kLstfSize * count;
  for (std::int16_t i = 0; i < count; ++i) {
    const std::uint64_t lstf = start + 2 + kLstfSize * i;
    List list;
    list.lsid = table.I32(lstf);
    const int level_count = (table.U8(lstf + 26) & 1) ? 1 : 9;
    for (int level = 0; level < level_count; ++level) {
      if (!table.Has(level_at, kLvlfSize)) return;
      const int nfc = table.U8(level_at + 4);
      const std::uint64_t text_at =
          level_at + kLvlfSize + table.U8(level_at + 24) + table.U8(level_at + 25);
      const std::uint16_t length = table.U16(text_at);
      if (!table.Has(text_at + 2, 2ull * length)) return;
      // A level whose text holds no number placeholder is a bullet, whatever
      // its format says.
      bool has_placeholder = false;
      for (std::uint16_t c = 0; c < length; ++c)
        has_placeholder |= table.U16(text_at + 2 + 2ull * c) < 9;
      ListKind kind = KindOfNumberFormat(nfc);
      if (kind == ListKind::kNumbered && length > 0 && !has_placeholder) kind = ListKind::kBullet;
      list.levels.push_back(kind);
      level_at = text_at + 2 + 2ull * length;
    }
    lists_.push_back(std::move(list));
  }
  const std::uint64_t lfo_start = fib.plf_lfo.fc;
  const std::int32_t lfo_count = table.I32(lfo_start);
  if (fib.plf_lfo.lcb < 4 || lfo_count <= 0 || !table.Has(lfo_start + 4, kLfoSize * lfo_count))
    return;
  std::unordered_map<std::int32_t, std::size_t> by_lsid;
  for (std::size_t i = lists_.size(); i-- > 0;) by_lsid[lists_[i].lsid] = i;
  for (std::int32_t i = 0; i < lfo_count; ++i) {
    const auto found = by_lsid.find(table.I32(lfo_start + 4 + kLfoSize * i));
    overrides_.push_back(found == by_lsid.end() ? kNoList : found->second);
  }
}

ListKind ListTables::KindOf(int ilfo, int ilvl) const {
  if (ilfo <= 0 || static_cast<std::size_t>(ilfo) > overrides_.size()) return ListKind::kNone;
  const std::size_t index = overrides_[ilfo - 1];
  if (index == kNoList) return ListKind::kNone;
  const List& list = lists_[index];
  if (list.levels.empty()) return ListKind::kNone;
  const std::size_t level = ilvl >= 0 && static_cast<std::size_t>(ilvl) < list.levels.size()
                                ? static_cast<std::size_t>(ilvl)
                                : 0;
  return list.levels[level];
}

}  // namespace corvane::doc
