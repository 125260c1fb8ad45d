// Writes RTF the way our engine reads it: every paragraph ends with \par,
// list items carry only a marker destination, characters are \uN with the
// ANSI form as fallback, and tabs and line breaks never come before a
// block's first character (the engine would put them in the block before).
#pragma once

#include <string>
#include <string_view>

#include "readers/reader.h"

namespace corvane::readers {

// Character formatting of a run, one bit each.
enum RunFormat : unsigned {
  kBold = 1u << 0,
  kItalic = 1u << 1,
  kUnderline = 1u << 2,
  kStrike = 1u << 3,
  kSuperscript = 1u << 4,
  kSubscript = 1u << 5,
};

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
  // The block is a heading of outline level 0-8 (0 the top): a paragraph
  // property, ended with the paragraph. Written only where the classic
  // engine ignores it, as are formats and links.
  void OutlineLevel(int level);
  // RunFormat bits of the characters to come: written as on/off words
  // before the next character, never as groups that a rewind could leave
  // open.
  void SetRunFormat(unsigned format) { run_format_ = format; }
  // Every format off, so that what follows starts plain.
  void EndRunFormat();
  // The characters until EndLink are a link's text; target is its address
  // (UTF-8), with "#name" for a place in the document.
  void BeginLink(std::string_view target);
  void EndLink();
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
    unsigned written_format = 0;
    int open_links = 0;
  };
  Mark Checkpoint() const {
    return {rtf_.size(),     separators_, marker_,         item_open_,
            block_has_text_, any_text_,   written_format_, open_links_};
  }
  void Rewind(const Mark& mark);

  bool BlockHasText() const { return block_has_text_; }
  bool AnyText() const { return any_text_; }
  const std::string& Rtf() const { return rtf_; }
  std::string& MutableRtf() { return rtf_; }

 private:
  void StartBlock();
  void FlushPending();
  void WriteFormat();

  const AnsiEncoder& encoder_;
  std::string rtf_;
  std::string separators_;             // \tab and \line owed to the block's next character
  std::string_view marker_;            // the list marker owed to the block's first character
  bool item_open_ = false;             // the block's list marker has been written
  bool paragraph_properties_ = false;  // written for this block: \pard ends them
  unsigned run_format_ = 0;
  unsigned written_format_ = 0;  // what the RTF so far has turned on
  int open_links_ = 0;
  bool block_has_text_ = false;
  bool any_text_ = false;
};

// The title as the engine takes it: plain characters and \'xx escapes only.
std::string RtfTitleText(std::string_view utf8, const AnsiEncoder& encoder);

// How every reader's RTF starts: the header, the title (UTF-8) in \info
// when there is one, and a line end before the body.
std::string RtfDocumentStart(std::string_view title, const AnsiEncoder& encoder);

// Decodes one UTF-8 character at position (advanced past it); a malformed
// sequence gives U+FFFD for its first byte.
char32_t NextUtf8(std::string_view text, std::size_t& position);

}  // namespace corvane::readers
