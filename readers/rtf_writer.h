// Writes RTF the way our engine reads it: every paragraph ends with \par,
// list items carry only a marker destination, characters are \uN with the
// ANSI form as fallback, and tabs and line breaks never come before a
// block's first character (the engine would put them in the block before).
#pragma once

#include <string>
#include <string_view>

#include "readers/reader.h"

namespace corvane::readers {

class RtfWriter {
 public:
  explicit RtfWriter(const AnsiEncoder& encoder) : encoder_(encoder) {}

  void Text(std::string_view utf8);
  void Character(char32_t character);
  // Held until the next character of the same block; dropped if none comes.
  void Tab();
  void LineBreak();
  // A nested table's cell or row boundary: replaces what the block owes
  // (the end of the cell's last paragraph) by one separator.
  void CellSeparator();
  void RowSeparator();

  // The block is a list item: its marker is written before its first character.
  void BulletItem();
  void NumberedItem();
  void EndParagraph();
  void PageBreak();
  void EndCell();
  void EndRow();

  // RTF another writer made, spliced in as it stands; has_text tells
  // whether it wrote a character into the block that is open here.
  void Splice(const std::string& rtf, bool has_text);

  // The writer as it stands, to return to when what follows is dropped.
  struct Mark {
    std::size_t size = 0;
    std::string separators;
    std::string_view marker;
    bool item_open = false;
    bool block_has_text = false;
    bool any_text = false;
  };
  Mark Checkpoint() const {
    return {rtf_.size(), separators_, marker_, item_open_, block_has_text_, any_text_};
  }
  void Rewind(const Mark& mark);

  bool BlockHasText() const { return block_has_text_; }
  bool AnyText() const { return any_text_; }
  const std::string& Rtf() const { return rtf_; }
  std::string& MutableRtf() { return rtf_; }

 private:
  void StartBlock();
  void FlushPending();

  const AnsiEncoder& encoder_;
  std::string rtf_;
  std::string separators_;   // \tab and \line owed to the block's next character
  std::string_view marker_;  // the list marker owed to the block's first character
  bool item_open_ = false;   // the block's list marker has been written
  bool block_has_text_ = false;
  bool any_text_ = false;
};

// The title as the engine takes it: plain characters and \'xx escapes only.
std::string RtfTitleText(std::string_view utf8, const AnsiEncoder& encoder);

// Decodes one UTF-8 character at position (advanced past it); a malformed
// sequence gives U+FFFD for its first byte.
char32_t NextUtf8(std::string_view text, std::size_t& position);

}  // namespace corvane::readers
