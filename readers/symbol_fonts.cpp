#include "readers/symbol_fonts.h"

#include <cstddef>

namespace corvane::readers {
namespace {

struct Glyph {
  unsigned char code;
  char32_t character;
};

// The Symbol font's letters are Greek; the rest are mathematical signs.
constexpr char32_t kSymbolUpper[26] = {U'Α', U'Β', U'Χ', U'Δ', U'Ε', U'Φ', U'Γ', U'Η', U'Ι',
                                       U'ϑ', U'Κ', U'Λ', U'Μ', U'Ν', U'Ο', U'Π', U'Θ', U'Ρ',
                                       U'Σ', U'Τ', U'Υ', U'ς', U'Ω', U'Ξ', U'Ψ', U'Ζ'};
constexpr char32_t kSymbolLower[26] = {U'α', U'β', U'χ', U'δ', U'ε', U'φ', U'γ', U'η', U'ι',
                                       U'ϕ', U'κ', U'λ', U'μ', U'ν', U'ο', U'π', U'θ', U'ρ',
                                       U'σ', U'τ', U'υ', U'ϖ', U'ω', U'ξ', U'ψ', U'ζ'};
constexpr Glyph kSymbolSigns[] = {
    {0x22, U'∀'}, {0x24, U'∃'}, {0x27, U'∋'}, {0x2A, U'∗'}, {0x2D, U'−'}, {0x40, U'≅'},
    {0x5C, U'∴'}, {0x5E, U'⊥'}, {0x60, U'‾'}, {0x7E, U'∼'}, {0xA2, U'′'}, {0xA3, U'≤'},
    {0xA5, U'∞'}, {0xA7, U'♣'}, {0xA8, U'♦'}, {0xA9, U'♥'}, {0xAA, U'♠'}, {0xAB, U'↔'},
    {0xAC, U'←'}, {0xAD, U'↑'}, {0xAE, U'→'}, {0xAF, U'↓'}, {0xB0, U'°'}, {0xB1, U'±'},
    {0xB2, U'″'}, {0xB3, U'≥'}, {0xB4, U'×'}, {0xB5, U'∝'}, {0xB6, U'∂'}, {0xB7, U'•'},
    {0xB8, U'÷'}, {0xB9, U'≠'}, {0xBA, U'≡'}, {0xBB, U'≈'}, {0xBC, U'…'}, {0xC5, U'⊕'},
    {0xC6, U'∅'}, {0xC7, U'∩'}, {0xC8, U'∪'}, {0xCE, U'∈'}, {0xCF, U'∉'}, {0xD1, U'∇'},
    {0xD2, U'®'}, {0xD3, U'©'}, {0xD4, U'™'}, {0xD5, U'∏'}, {0xD6, U'√'}, {0xD7, U'⋅'},
    {0xD8, U'¬'}, {0xD9, U'∧'}, {0xDA, U'∨'}, {0xDB, U'⇔'}, {0xDC, U'⇐'}, {0xDD, U'⇑'},
    {0xDE, U'⇒'}, {0xDF, U'⇓'}, {0xE0, U'◊'}, {0xE5, U'∑'}, {0xF2, U'∫'}};
// Wingdings and its kin are used for bullets and check marks.
constexpr Glyph kWingdings[] = {{0x6C, U'●'}, {0x6E, U'■'}, {0x6F, U'□'}, {0x71, U'❑'},
                                {0x75, U'◆'}, {0x76, U'❖'}, {0x77, U'⬥'}, {0x9F, U'•'},
                                {0xA1, U'○'}, {0xA7, U'▪'}, {0xA8, U'◻'}, {0xD8, U'➢'},
                                {0xE0, U'➔'}, {0xE8, U'➔'}, {0xF0, U'⇨'}, {0xFB, U'✗'},
                                {0xFC, U'✓'}, {0xFD, U'☒'}, {0xFE, U'☑'}};

char32_t Find(const Glyph* table, std::size_t size, char32_t code) {
  for (std::size_t i = 0; i < size; ++i) {
    if (table[i].code == code) return table[i].character;
  }
  return 0;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

char32_t FromSymbol(char32_t code) {
  if (code >= 'A' && code <= 'Z') return kSymbolUpper[code - 'A'];
  if (code >= 'a' && code <= 'z') return kSymbolLower[code - 'a'];
  const char32_t sign = Find(kSymbolSigns, std::size(kSymbolSigns), code);
  if (sign != 0) return sign;
  if (code >= 0x20 && code < 0x7F) return code;  // digits and punctuation are themselves
  return 0;
}

}  // namespace

bool IsSymbolFont(std::string_view font) {
  return StartsWith(font, "symbol") || StartsWith(font, "wingdings") ||
         StartsWith(font, "webdings");
}

char32_t MapSymbolCharacter(std::string_view font, char32_t code) {
  if (code >= 0xF000 && code <= 0xF0FF) code -= 0xF000;
  char32_t mapped = 0;
  if (StartsWith(font, "symbol")) {
    mapped = FromSymbol(code);
  } else if (StartsWith(font, "wingdings") || StartsWith(font, "webdings")) {
    mapped = Find(kWingdings, std::size(kWingdings), code);
  } else {
    // The font is unknown (or the text run names none): the common bullets.
    mapped = Find(kWingdings, std::size(kWingdings), code);
    if (mapped == 0 && code == 0xB7) mapped = U'•';
  }
  return mapped != 0 ? mapped : U'•';
}

}  // namespace corvane::readers
