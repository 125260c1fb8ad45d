// Byte sets of the RTF scanner, built by the compiler from their definitions.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace corvane::engine {

enum ByteClass : std::uint8_t {
  kWordDelimiter = 1 << 0,  // ends a control word
  kParamByte = 1 << 1,      // continues a control word's parameter
  kBodyStop = 1 << 2,       // the body loop must look at it: control byte, "\", "{", "}"
  kHtmlSpecial = 1 << 3,    // written as an entity: "&", "<", ">"
  kSkipStop = 1 << 4,       // a skipped destination must look at it: "\", "{", "}"
  kHighByte = 1 << 5,       // 128-255: decoded by code page in full-text output
};

constexpr std::array<std::uint8_t, 256> BuildByteClasses() {
  std::array<std::uint8_t, 256> table{};
  auto mark = [&table](std::string_view bytes, std::uint8_t cls) {
    for (unsigned char c : bytes) table[c] |= cls;
  };
  for (int c = 0; c <= ' '; ++c) table[c] |= kWordDelimiter;
  mark("-0123456789;\\{}", kWordDelimiter);
  mark("-0123456789abcdefghijklmnopqrstuvwxyz", kParamByte);
  for (int c = 0; c < ' '; ++c) table[c] |= kBodyStop;
  mark("\\{}", kBodyStop | kSkipStop);
  mark("&<>", kHtmlSpecial);
  for (int c = 128; c < 256; ++c) table[c] |= kHighByte;
  return table;
}

inline constexpr std::array<std::uint8_t, 256> kByteClasses = BuildByteClasses();

constexpr bool Is(unsigned char c, std::uint8_t cls) { return (kByteClasses[c] & cls) != 0; }

static_assert(Is('{', kWordDelimiter) && Is(' ', kWordDelimiter) && Is(0, kWordDelimiter));
static_assert(!Is('x', kWordDelimiter) && !Is(127, kWordDelimiter) && !Is(200, kWordDelimiter));
static_assert(Is('z', kParamByte) && !Is('Z', kParamByte) && !Is(' ', kParamByte));
static_assert(Is('\t', kBodyStop) && !Is(' ', kBodyStop) && !Is(255, kBodyStop));

}  // namespace corvane::engine
