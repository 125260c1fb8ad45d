#include "readers/doc/properties.h"

#include "readers/doc/sprm.h"

namespace corvane::doc {

void ApplyParagraphSprms(std::string_view grpprl, bool word6, ParagraphProperties& properties) {
  SprmIterator sprms(grpprl, word6);
  Sprm sprm;
  while (sprms.Next(sprm)) {
    const ByteReader& operand = sprm.operand;
    if (word6) {
      switch (sprm.code) {
        case kSprm6PAnld: properties.anld_nfc = operand.Has(0, 1) ? operand.U8(0) : -1; break;
        case kSprm6PNLvlAnm:
          if (operand.U8(0) == 0) properties.anld_nfc = -1;
          break;
        case kSprm6PFInTable: properties.in_table = operand.U8(0) != 0; break;
        case kSprm6PTtp: properties.row_end = operand.U8(0) != 0; break;
        default: break;
      }
      continue;
    }
    switch (sprm.code) {
      case kSprmPIstd: properties.istd = operand.U16(0); break;
      case kSprmPIlfo:
        properties.has_list = true;
        properties.ilfo = static_cast<std::int16_t>(operand.U16(0));
        break;
      case kSprmPIlvl: properties.ilvl = operand.U8(0); break;
      case kSprmPFInTable: properties.in_table = operand.U8(0) != 0; break;
      case kSprmPFTtp: properties.row_end = operand.U8(0) != 0; break;
      case kSprmPItap: properties.table_depth = static_cast<int>(operand.U32(0) & 0xFFFF); break;
      case kSprmPFInnerTableCell: properties.inner_cell_end = operand.U8(0) != 0; break;
      case kSprmPFInnerTtp: properties.inner_row_end = operand.U8(0) != 0; break;
      default: break;
    }
  }
}

void ApplyCharacterSprms(std::string_view grpprl, bool word6, CharacterProperties& properties) {
  SprmIterator sprms(grpprl, word6);
  Sprm sprm;
  // A toggle's operand: 0 off, 1 on, 0x80/0x81 as the style has it or its
  // opposite; the style is not followed here, so those count as on.
  const auto toggle = [](const ByteReader& operand) { return (operand.U8(0) & 1) != 0; };
  while (sprms.Next(sprm)) {
    const std::uint16_t code = sprm.code;
    if (code == (word6 ? kSprm6CFVanish : kSprmCFVanish)) {
      properties.hidden = toggle(sprm.operand);
    } else if (code == (word6 ? kSprm6CFRMarkDel : kSprmCFRMarkDel)) {
      properties.deleted = sprm.operand.U8(0) != 0;
    } else if (code == (word6 ? kSprm6CFSpec : kSprmCFSpec)) {
      properties.special = sprm.operand.U8(0) != 0;
    } else if (code == (word6 ? kSprm6CFtc : kSprmCRgFtc0)) {
      properties.font = sprm.operand.U16(0);
    } else if (word6 ? code == kSprm6CLid : (code == kSprmCRgLid0 || code == kSprmCRgLid0_80)) {
      properties.lid = sprm.operand.U16(0);
    } else if (code == (word6 ? kSprm6CSymbol : kSprmCSymbol)) {
      // The font, then the character: 16 bits, or 8 in Word 6/95.
      properties.symbol_font = sprm.operand.U16(0);
      properties.symbol = static_cast<char16_t>(word6 ? sprm.operand.U8(2) : sprm.operand.U16(2));
    }
  }
}

}  // namespace corvane::doc
