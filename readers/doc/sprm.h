// Property modifiers ([MS-DOC] 2.6 Single Property Modifiers): a code
// and an operand whose size the code tells. Word 97 and later use 16-bit
// codes; Word 6/95 used one-byte codes whose sizes come from a table.
#pragma once

#include <cstdint>
#include <string_view>

#include "readers/doc/byte_reader.h"

namespace corvane::doc {

// The codes this reader acts on. Word 97 and later:
inline constexpr std::uint16_t kSprmPIstd = 0x4600;
inline constexpr std::uint16_t kSprmPIlvl = 0x260A;
inline constexpr std::uint16_t kSprmPIlfo = 0x460B;
inline constexpr std::uint16_t kSprmPFInTable = 0x2416;
inline constexpr std::uint16_t kSprmPFTtp = 0x2417;
inline constexpr std::uint16_t kSprmPItap = 0x6649;
inline constexpr std::uint16_t kSprmPFInnerTableCell = 0x244B;
inline constexpr std::uint16_t kSprmPFInnerTtp = 0x244C;
inline constexpr std::uint16_t kSprmCFRMarkDel = 0x0800;
inline constexpr std::uint16_t kSprmCFVanish = 0x083C;
inline constexpr std::uint16_t kSprmCFSpec = 0x0855;
inline constexpr std::uint16_t kSprmCSymbol = 0x6A09;
inline constexpr std::uint16_t kSprmCRgFtc0 = 0x4A4F;
inline constexpr std::uint16_t kSprmCRgLid0_80 = 0x486D;
inline constexpr std::uint16_t kSprmCRgLid0 = 0x4873;
// Word 6/95:
inline constexpr std::uint16_t kSprm6PAnld = 12;
inline constexpr std::uint16_t kSprm6PNLvlAnm = 13;
inline constexpr std::uint16_t kSprm6PFInTable = 24;
inline constexpr std::uint16_t kSprm6PTtp = 25;
inline constexpr std::uint16_t kSprm6CFRMarkDel = 65;
inline constexpr std::uint16_t kSprm6CSymbol = 74;
inline constexpr std::uint16_t kSprm6CFVanish = 92;
inline constexpr std::uint16_t kSprm6CFtc = 93;
inline constexpr std::uint16_t kSprm6CLid = 97;
inline constexpr std::uint16_t kSprm6CFSpec = 117;

struct Sprm {
  std::uint16_t code = 0;
  ByteReader operand;
};

// Walks a grpprl; Next() is false at its end or at the first modifier
// whose size is unknown or runs past the end.
class SprmIterator {
 public:
  SprmIterator(std::string_view grpprl, bool word6) : bytes_(grpprl), word6_(word6) {}
  bool Next(Sprm& sprm);

 private:
  ByteReader bytes_;
  std::uint64_t offset_ = 0;
  bool word6_;
};

}  // namespace corvane::doc
