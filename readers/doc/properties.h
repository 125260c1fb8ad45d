// The paragraph and character properties this reader needs, and how the
// modifiers of a grpprl change them.
#pragma once

#include <cstdint>
#include <string_view>

namespace corvane::doc {

struct ParagraphProperties {
  std::uint16_t istd = 0;
  bool has_list = false;  // set by the paragraph or its style, even to "no list"
  int ilfo = 0;
  int ilvl = 0;
  int anld_nfc = -1;  // Word 6/95 autonumbering: the number format, -1 none
  bool in_table = false;
  bool row_end = false;  // the table terminating paragraph (TTP)
  int table_depth = 0;   // sprmPItap; 0 when not given
  bool inner_cell_end = false;
  bool inner_row_end = false;

  int Depth() const { return table_depth > 0 ? table_depth : (in_table ? 1 : 0); }
};

inline constexpr std::uint16_t kNoFont = 0xFFFF;

struct CharacterProperties {
  bool hidden = false;
  bool deleted = false;
  bool special = false;  // the character stands for an object, a note mark...
  char16_t symbol = 0;   // a symbol font character put in its place
  std::uint16_t symbol_font = kNoFont;
  std::uint16_t font = kNoFont;  // of the run's ASCII text, in the font table
  std::uint16_t lid = 0;         // the run's language; 0 when not given
};

void ApplyParagraphSprms(std::string_view grpprl, bool word6, ParagraphProperties& properties);
void ApplyCharacterSprms(std::string_view grpprl, bool word6, CharacterProperties& properties);

}  // namespace corvane::doc
