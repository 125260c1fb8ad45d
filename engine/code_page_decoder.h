// How the engine reads bytes of a Windows code page as Unicode. The engine
// calls no OS, so the tables come from whoever renders: the OS layer has one
// implementation over the system's own conversion tables.
#pragma once

#include <string>
#include <string_view>

namespace corvane {

class CodePageDecoder {
 public:
  virtual ~CodePageDecoder() = default;

  // Appends the characters that `bytes` hold in `code_page` to `out`, one
  // code point per character. A byte or pair the page does not define gives
  // a substitute character, never nothing. False, with `out` unchanged, when
  // the system does not know the code page. Called from any thread.
  virtual bool Decode(unsigned code_page, std::string_view bytes, std::u32string& out) const = 0;
};

}  // namespace corvane
