// The document's characters in CP order. Word 97 and later keep them in
// pieces ([MS-DOC] 2.9.177 Pcd) of 8-bit or UTF-16 text listed in the Clx
// of the table stream; Word 6/95 keeps 8-bit text in the document's code
// page, in pieces when the file was saved fast and in one run otherwise.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/code_page_decoder.h"
#include "readers/doc/byte_reader.h"
#include "readers/doc/fib.h"

namespace corvane::doc {

struct Piece {
  std::uint32_t cp_start = 0;
  std::uint32_t cp_end = 0;
  std::uint64_t fc = 0;     // stream offset of the first character
  bool compressed = false;  // one byte a character rather than two
  std::uint16_t prm = 0;    // properties applied to the whole piece
};

class DocumentText {
 public:
  // Reads the piece table (or the single run of an old, simple file) and
  // decodes every character. False, with a sentence in error, when the
  // table is broken or points outside the stream. 8-bit text of Word 6/95
  // is in code_page when it is an ANSI page (from the summary), else in
  // the page of the document's language.
  bool Read(const Fib& fib, ByteReader word, ByteReader table, const CodePageDecoder& decoder,
            unsigned code_page, std::string& error);

  std::uint32_t Size() const { return static_cast<std::uint32_t>(chars_.size()); }
  // The character at a CP; 0 for a CP holding no character of its own (the
  // second byte of a double-byte character) or past the end.
  char32_t At(std::uint32_t cp) const { return cp < chars_.size() ? chars_[cp] : 0; }
  // The stream offset of the character at a CP, where its properties are
  // looked up; and the piece holding it (nullptr past the end).
  std::uint64_t FcOf(std::uint32_t cp) const;
  const Piece* PieceOf(std::uint32_t cp) const;
  const std::vector<std::string_view>& PieceGrpprls() const { return grpprls_; }

  // Word writes 8-bit pieces in code page 1252 (Word 6/95: the document's
  // page) whatever their text; other writers put there the bytes of the
  // run's own page, which the run tells by its font's character set or its
  // language. Where that page (from run_code_page, given a stream offset)
  // is another single-byte ANSI page, bytes 0x80-0xFF are decoded in it:
  // Word never writes a run so, which makes this safe.
  void DecodeByRunCodePage(ByteReader word, const CodePageDecoder& decoder,
                           const std::function<unsigned(std::uint64_t fc)>& run_code_page);

 private:
  bool ReadPieces(const Fib& fib, ByteReader word, ByteReader table, std::string& error);
  void Decode(const Piece& piece, std::string_view bytes, unsigned code_page,
              const CodePageDecoder& decoder);
  // A single-byte page's 256 characters, decoded once; empty for a page
  // that is not one.
  const std::u32string& SingleByteTable(unsigned code_page, const CodePageDecoder& decoder);

  std::vector<Piece> pieces_;
  std::vector<std::string_view> grpprls_;  // the Prc entries, for pieces' Prm
  std::u32string chars_;
  std::map<unsigned, std::u32string> single_byte_;
  unsigned code_page_ = 0;  // of the 8-bit pieces; 0 for Word 97's 1252 form
};

// The ANSI code page a Word 6/95 document's text is in, from its language.
unsigned CodePageOfLanguage(std::uint16_t lid);

}  // namespace corvane::doc
