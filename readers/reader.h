// A reader of our own: one document format in, RTF shaped for our engine
// out. Readers are portable and pure (no OS calls, no state between calls),
// so any number of threads may run them at once without a lock.
#pragma once

#include <string>
#include <string_view>

#include "engine/code_page_decoder.h"

namespace corvane::readers {

// The classic engine writes text in the user's ANSI code page; readers write
// each character as \uN followed by its ANSI form as a fallback. Implemented
// by the caller (Windows: the locale's ANSI code page through the system),
// so that readers themselves make no OS calls.
class AnsiEncoder {
 public:
  virtual ~AnsiEncoder() = default;
  // Writes the character's bytes in the ANSI code page (1 or 2) to out and
  // returns how many; 0 when the code page has no exact form for it.
  virtual int Encode(char32_t character, unsigned char out[2]) const = 0;
};
// Windows-1252, built in: the Linux default and the tests' reference.
const AnsiEncoder& Windows1252();

// The user's code pages, for files that do not say which one their text is
// in: Windows programs wrote the ANSI page, DOS programs the OEM page.
struct LegacyCodePages {
  unsigned ansi = 1252;
  unsigned oem = 437;
};

// What a reader may ask of its caller: the ANSI encoder for the RTF it
// writes, the system's code page tables for legacy 8-bit text (a
// document's declared code page), and the user's own code pages.
struct ReaderServices {
  const AnsiEncoder& encoder;
  const CodePageDecoder& decoder;
  LegacyCodePages legacy_pages = {};
};

// What one conversion gives: the RTF, or why there is none, in a sentence a
// user understands ("the document is password-protected").
struct ReaderResult {
  bool converted = false;
  std::string rtf;
  std::string reason;
};

// One built-in reader: the converter class it answers for in the dispatch
// table, a cheap "is this my format" look at the bytes (as a converter's
// IsFormatCorrect32), and the conversion itself.
struct BuiltInReader {
  std::string_view converter_class;
  bool (*is_format_correct)(std::string_view bytes);
  ReaderResult (*convert)(std::string_view bytes, const ReaderServices& services);
};

}  // namespace corvane::readers
