// Symbol fonts put their glyphs at private-use code points (U+F020 to
// U+F0FF), or a document names them by font and code (w:sym, sprmCSymbol);
// this gives the real character. Shared by the .docx and .doc readers.
#pragma once

#include <string_view>

namespace corvane::readers {

// The character that code (a private-use or 8-bit code) shows in font;
// an unknown symbol gives a plain bullet.
char32_t MapSymbolCharacter(std::string_view font, char32_t code);

// Symbol, Wingdings and Webdings: fonts whose codes are not characters.
bool IsSymbolFont(std::string_view font);

inline bool IsSymbolPrivateUse(char32_t code) { return code >= 0xF020 && code <= 0xF0FF; }

}  // namespace corvane::readers
