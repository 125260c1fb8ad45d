// The document's font table ([MS-DOC] 2.9.274 SttbfFfn, 2.9.84 FFN): what
// a run's font number names. The reader needs two things of a font: its
// name, to recognise a symbol font, and the code page of its character
// set, which tells how 8-bit text in that font was typed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "readers/doc/byte_reader.h"
#include "readers/doc/fib.h"

namespace corvane::doc {

struct Font {
  std::string name;        // its ASCII characters; others as '?'
  unsigned code_page = 0;  // the ANSI page of its character set; 0 when none
};

class FontTable {
 public:
  // A missing or broken table leaves fonts unnamed: text still reads.
  // Word 6/95 keeps the table in the WordDocument stream, passed as table.
  void Read(const Fib& fib, ByteReader table);
  // nullptr for a number the table does not have.
  const Font* Of(std::uint16_t ftc) const { return ftc < fonts_.size() ? &fonts_[ftc] : nullptr; }

 private:
  std::vector<Font> fonts_;
};

// The ANSI code page of a Windows character set (chs): 204 Russian is 1251,
// and so on; 0 for ANSI, default, symbol and the sets without one.
unsigned CodePageOfCharset(std::uint8_t charset);

}  // namespace corvane::doc
