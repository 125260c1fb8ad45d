// Full-text output: the bytes of the document's text decoded by code page and
// written as UTF-8 ready for the HTML body.
#pragma once

#include <array>
#include <cstdint>
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

// How a code page makes characters of bytes above 0x7F: one byte each, a
// lead byte and any trail, or UTF-8's and GB18030's sequences of up to four.
enum class ByteSequences { kSingle, kLeadTrail, kUtf8, kGb18030 };
ByteSequences SequencesOf(unsigned code_page);

// Decodes text one byte at a time, holding the first bytes of a multi-byte
// character until it is whole. Tables of single bytes are kept for the
// code pages in use, so that the common case is a lookup; a page the system
// does not know reads as the fallback page and gets no table of its own.
class ByteDecoder {
 public:
  explicit ByteDecoder(const CodePageDecoder& system) : system_(system) {}

  // Appends what byte b read in code_page adds; nothing while a character
  // is incomplete. A waiting lead byte takes b as its trail whatever b is; a
  // UTF-8 or GB18030 sequence that b cannot go on becomes U+FFFD and b
  // starts anew.
  void Decode(unsigned code_page, unsigned char b, std::string& out);
  bool WaitingForTrail() const { return pending_size_ != 0; }
  // Whether b, written as it is in the file, is the next byte of the waiting
  // character rather than text of its own.
  bool Continues(unsigned char b) const;
  // A character cut short becomes U+FFFD.
  void Flush(std::string& out);

  // Tables kept at most: the pages a document switches between are few,
  // and one naming thousands must not hold a table for each.
  static constexpr std::size_t kMaxTables = 16;

 private:
  using Table = std::array<std::string, 128>;  // bytes 128-255, as HTML-ready UTF-8
  struct CachedTable {
    unsigned code_page;
    std::shared_ptr<const Table> table;
    std::uint64_t last_use;
  };
  std::shared_ptr<const Table> TableFor(unsigned code_page);
  std::shared_ptr<const Table> BuildTable(unsigned code_page);
  void DecodeWithSystem(unsigned code_page, std::string_view bytes, std::string& out);

  const CodePageDecoder& system_;
  std::vector<CachedTable> tables_;
  std::uint64_t uses_ = 0;
  unsigned current_code_page_ = 0;
  std::shared_ptr<const Table> current_table_;
  std::array<unsigned char, 4> pending_{};  // the waiting character's bytes
  std::size_t pending_size_ = 0;
  unsigned pending_code_page_ = 0;
  ByteSequences pending_sequences_ = ByteSequences::kSingle;
  std::u32string scratch_;
};

}  // namespace corvane::engine
