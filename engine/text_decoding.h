// Full-text output: the bytes of the document's text decoded by code page and
// written as UTF-8 ready for the HTML body.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/code_page_decoder.h"

namespace corvane::engine {

// UTF-8 of c, "&", "<" and ">" as entities; nothing for 0. Surrogate code
// points and values beyond Unicode become U+FFFD.
void AppendHtmlCodePoint(char32_t c, std::string& out);

// The code page that an RTF font charset (\fcharsetN) stands for; 0 when the
// charset names none and the document's code page applies.
unsigned CharsetCodePage(long charset);

bool IsDoubleByteCodePage(unsigned code_page);

// Decodes text one byte at a time, holding the lead byte of a double-byte
// character until its trail arrives. Tables of single-byte pages are built
// once per conversion, so that the common case is a lookup.
class ByteDecoder {
 public:
  explicit ByteDecoder(const CodePageDecoder& system) : system_(system) {}

  // Appends what byte b read in code_page adds; nothing while a lead byte
  // waits. A waiting lead takes b as its trail whatever b is.
  void Decode(unsigned code_page, unsigned char b, std::string& out);
  bool WaitingForTrail() const { return lead_ != 0; }
  // A lead byte that no trail followed becomes U+FFFD.
  void Flush(std::string& out);

 private:
  using Table = std::array<std::string, 128>;  // bytes 128-255, as HTML-ready UTF-8
  const Table& TableFor(unsigned code_page);
  void DecodeWithSystem(unsigned code_page, std::string_view bytes, std::string& out);

  const CodePageDecoder& system_;
  std::vector<std::pair<unsigned, std::unique_ptr<Table>>> tables_;
  unsigned current_code_page_ = 0;
  const Table* current_table_ = nullptr;
  unsigned char lead_ = 0;
  unsigned lead_code_page_ = 0;
  std::u32string scratch_;
};

}  // namespace corvane::engine
