#include "readers/doc/sprm.h"

namespace corvane::doc {
namespace {

// Operand sizes of the Word 6/95 codes: 0 unknown, kVariable a length byte
// first, kWordLength a 16-bit length first, kTabs the tab list's own form.
constexpr std::int8_t kVariable = -1;
constexpr std::int8_t kWordLength = -2;
constexpr std::int8_t kTabs = -3;

struct Word6Sizes {
  std::int8_t size[256] = {};
  constexpr Word6Sizes() {
    const auto set = [this](int first, int last, std::int8_t value) {
      for (int code = first; code <= last; ++code) size[code] = value;
    };
    set(2, 2, 2);
    set(3, 3, kVariable);
    set(4, 11, 1);
    set(12, 12, kVariable);  // sprmPAnld
    set(13, 14, 1);
    set(15, 15, kVariable);
    set(16, 19, 2);
    set(20, 20, 4);
    set(21, 22, 2);
    set(23, 23, kTabs);
    set(24, 25, 1);
    set(26, 28, 2);
    set(29, 29, 1);
    set(30, 36, 2);
    set(37, 37, 1);
    set(38, 43, 2);
    set(44, 44, 1);
    set(45, 49, 2);
    set(50, 51, 1);
    set(52, 52, kVariable);
    set(65, 67, 1);
    set(68, 68, kVariable);
    set(69, 69, 2);
    set(70, 70, 4);
    set(71, 71, 1);
    set(72, 72, 2);
    set(73, 73, 3);
    set(74, 74, kVariable);
    set(75, 75, 1);
    set(80, 80, 2);
    set(81, 82, kVariable);
    set(85, 92, 1);
    set(93, 93, 2);
    set(94, 94, 1);
    set(95, 95, 3);
    set(96, 97, 2);
    set(98, 98, 1);
    set(99, 99, 2);
    set(100, 100, 1);
    set(101, 101, 2);
    set(102, 102, 1);
    set(103, 103, kVariable);
    set(104, 104, 1);
    set(105, 106, kVariable);
    set(107, 107, 2);
    set(108, 108, kVariable);
    set(109, 110, 2);
    set(117, 119, 1);
    set(120, 120, kVariable);
    set(121, 124, 2);
    set(131, 132, 1);
    set(133, 133, kVariable);
    set(136, 137, 3);
    set(138, 139, 1);
    set(140, 141, 2);
    set(142, 143, 1);
    set(144, 145, 2);
    set(146, 147, 1);
    set(148, 149, 2);
    set(150, 153, 1);
    set(154, 157, 2);
    set(158, 159, 1);
    set(160, 161, 2);
    set(162, 163, 1);
    set(164, 171, 2);
    set(182, 184, 2);
    set(185, 186, 1);
    set(187, 187, 12);
    set(188, 188, kWordLength);
    set(189, 189, 2);
    set(190, 190, kWordLength);
    set(191, 191, kVariable);
    set(192, 192, 4);
    set(193, 193, 5);
    set(194, 194, 4);
    set(195, 195, 2);
    set(196, 196, 4);
    set(197, 198, 2);
    set(199, 199, 5);
    set(200, 200, 4);
  }
};
constexpr Word6Sizes kWord6Sizes;

// The operand of a tab change list ([MS-DOC] 2.6.2 sprmPChgTabs): a length
// byte, unless it is 255 and the deletions and additions count themselves.
std::uint64_t TabsOperandSize(const ByteReader& bytes, std::uint64_t at) {
  const std::uint8_t length = bytes.U8(at);
  if (length != 255) return 1ull + length;
  const std::uint8_t deleted = bytes.U8(at + 1);
  const std::uint64_t adds_at = at + 2 + 4ull * deleted;
  const std::uint8_t added = bytes.U8(adds_at);
  return adds_at + 1 + 3ull * added - at;
}

}  // namespace

bool SprmIterator::Next(Sprm& sprm) {
  std::uint64_t at = offset_;
  std::uint64_t size = 0;
  if (word6_) {
    if (!bytes_.Has(at, 1)) return false;
    sprm.code = bytes_.U8(at++);
    const std::int8_t kind = kWord6Sizes.size[sprm.code];
    if (kind == 0) return false;
    if (kind == kVariable) {
      size = bytes_.U8(at++);
    } else if (kind == kWordLength) {
      size = bytes_.U16(at);
      at += 2;
    } else if (kind == kTabs) {
      size = TabsOperandSize(bytes_, at);
    } else {
      size = static_cast<std::uint64_t>(kind);
    }
  } else {
    if (!bytes_.Has(at, 2)) return false;
    sprm.code = bytes_.U16(at);
    at += 2;
    switch (sprm.code >> 13) {
      case 0:
      case 1: size = 1; break;
      case 2:
      case 4:
      case 5: size = 2; break;
      case 3: size = 4; break;
      case 7: size = 3; break;
      default:
        if (sprm.code == 0xD608) {  // sprmTDefTable: a 16-bit length, plus one
          size = bytes_.U16(at) + 1ull;
        } else if (sprm.code == 0xC615) {  // sprmPChgTabs
          size = TabsOperandSize(bytes_, at);
        } else {
          size = bytes_.U8(at++);
        }
        break;
    }
  }
  if (!bytes_.Has(at, size)) return false;
  sprm.operand = ByteReader(bytes_.Slice(at, size));
  offset_ = at + size;
  return true;
}

}  // namespace corvane::doc
