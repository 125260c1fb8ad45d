// Word 97 lists ([MS-DOC] 2.9.147 PlfLst, 2.9.146 PlfLfo): a paragraph's
// ilfo picks a list format override, whose lsid picks a list, whose level
// tells the number format. Only bullet or number matters here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "readers/doc/byte_reader.h"
#include "readers/doc/fib.h"

namespace corvane::doc {

enum class ListKind { kNone, kBullet, kNumbered };

class ListTables {
 public:
  // Broken list tables leave the paragraphs without lists.
  void Read(const Fib& fib, ByteReader table);
  ListKind KindOf(int ilfo, int ilvl) const;

 private:
  struct List {
    std::int32_t lsid = 0;
    std::vector<ListKind> levels;
  };
  std::vector<List> lists_;
  static constexpr std::size_t kNoList = SIZE_MAX;
  std::vector<std::size_t> overrides_;  // the list of each LFO, by ilfo - 1
};

// The kind a number format gives: 23 is a bullet, 255 no number.
ListKind KindOfNumberFormat(int nfc);

}  // namespace corvane::doc
