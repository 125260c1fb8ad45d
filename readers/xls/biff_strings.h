// Strings as BIFF stores them: 16-bit Unicode strings whose characters may be
// "compressed" to their low bytes (BIFF8, [MS-XLS] 2.5.293-2.5.296), and
// 8-bit strings in the workbook's code page (BIFF2-5). A long string goes on
// in CONTINUE records; a BIFF8 string's characters then start each one with
// a fresh fHighByte flag, so one string may change width midway.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/code_page_decoder.h"

namespace corvane::xls {

// Reads a record body and its CONTINUE bodies as one sequence of bytes.
class SegmentReader {
 public:
  explicit SegmentReader(std::vector<std::string_view> segments) : segments_(std::move(segments)) {}

  bool U8(std::uint8_t& out);
  bool U16(std::uint16_t& out);
  bool U32(std::uint32_t& out);
  bool Skip(std::uint64_t count);
  bool Bytes(std::size_t count, std::string& out);
  // `count` characters as UTF-8, 16-bit wide when `high`; where a segment
  // ends inside them, the next starts with its own flag byte.
  bool Characters(std::size_t count, bool high, std::string& out);

 private:
  // Steps past exhausted segments; false when none is left.
  bool Available();

  std::vector<std::string_view> segments_;
  std::size_t segment_ = 0;
  std::size_t position_ = 0;
};

// How 8-bit strings become UTF-8: the code page from the CODEPAGE record,
// through the caller's tables, Windows-1252 when they do not know it.
class ByteStringDecoder {
 public:
  explicit ByteStringDecoder(const CodePageDecoder& decoder) : decoder_(decoder) {}
  // The CODEPAGE record's value ([MS-XLS] 2.4.52).
  void SetCodePage(std::uint16_t code_page);
  std::string Decode(std::string_view bytes) const;

 private:
  const CodePageDecoder& decoder_;
  unsigned code_page_ = 1252;
};

// A BIFF8 XLUnicodeString (a 16-bit count) or ShortXLUnicodeString (8-bit).
bool ReadUnicodeString(SegmentReader& reader, bool count16, std::string& out);
// A BIFF2-5 byte string with an 8- or 16-bit count.
bool ReadByteString(SegmentReader& reader, bool count16, const ByteStringDecoder& decoder,
                    std::string& out);

// The shared string table: an SST record's body and its CONTINUE bodies.
// Reads up to the count it declares and stops early, keeping what it has
// read, where the bytes run out.
std::vector<std::string> ReadSharedStrings(std::vector<std::string_view> segments);

}  // namespace corvane::xls
