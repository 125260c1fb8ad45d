// Where the parts of the document lie in the CP space besides the main
// text: the notes and what refers to them, the text boxes and the shapes
// that anchor them, and the ends of sections.
#pragma once

#include <cstdint>
#include <vector>

#include "readers/doc/byte_reader.h"
#include "readers/doc/fib.h"

namespace corvane::doc {

struct CpRange {
  std::uint32_t start = 0;
  std::uint32_t end = 0;
};

struct NoteReference {
  std::uint32_t cp = 0;
  CpRange text;  // the note's own text, in the footnote or endnote story
};

struct TextBox {
  CpRange text;
  std::uint32_t anchor = UINT32_MAX;  // the CP of the shape that holds it, if known
};

class Stories {
 public:
  // Broken tables of notes or boxes lose those notes or boxes only.
  void Read(const Fib& fib, ByteReader table, std::uint32_t text_size);

  const NoteReference* ReferenceAt(std::uint32_t cp) const;
  bool IsSectionEnd(std::uint32_t cp) const;
  const std::vector<TextBox>& Boxes() const { return boxes_; }
  // Indexes into Boxes() of the boxes anchored at cp.
  std::vector<std::size_t> BoxesAnchoredAt(std::uint32_t cp) const;

 private:
  void ReadNotes(ByteReader table, FcLcb references, FcLcb texts, std::uint64_t story_start,
                 std::uint64_t story_end);
  void ReadBoxes(const Fib& fib, ByteReader table, std::uint64_t story_start,
                 std::uint64_t story_end);

  std::vector<NoteReference> references_;    // sorted by cp
  std::vector<std::uint32_t> section_ends_;  // sorted
  std::vector<TextBox> boxes_;
  std::vector<std::pair<std::uint32_t, std::size_t>> anchors_;  // (cp, box), sorted
};

}  // namespace corvane::doc
