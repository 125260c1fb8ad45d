// Writes the document's stories as RTF the way the engine reads it: the main
// text's paragraphs, lists and tables, text boxes after the paragraph that
// anchors them, note references as "[n]" and the notes after the body.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "readers/doc/fonts.h"
#include "readers/doc/list_tables.h"
#include "readers/doc/piece_table.h"
#include "readers/doc/property_runs.h"
#include "readers/doc/stories.h"
#include "readers/rtf_writer.h"

namespace corvane::doc {

// Everything read from the file that the text needs.
struct DocumentModel {
  Fib fib;
  DocumentText text;
  PropertyRuns<ParagraphProperties> paragraphs;
  PropertyRuns<CharacterProperties> characters;
  ListTables lists;
  FontTable fonts;
  Stories stories;
};

class DocTextWalker {
 public:
  // output_limit bounds the RTF written, so that no input expands without end.
  DocTextWalker(const DocumentModel& model, const readers::AnsiEncoder& encoder,
                std::size_t output_limit);
  // The body, then the boxes no paragraph anchors, then the notes. False
  // when the RTF would pass the limit.
  bool Write(std::string& rtf);

 private:
  struct Fields {
    std::vector<bool> separated;  // per open field: its result has begun
    int hiding = 0;               // open fields still in their instruction
  };
  void WriteStory(CpRange range, readers::RtfWriter& out, bool blocks, bool main);
  void WriteCharacter(std::uint32_t& cp, std::uint32_t end, readers::RtfWriter& out, bool blocks,
                      bool main, Fields& fields, std::vector<std::size_t>& boxes);
  void EndParagraph(char32_t mark, const ParagraphProperties& properties, readers::RtfWriter& out,
                    bool blocks, std::vector<std::size_t>& boxes);
  ParagraphProperties ParagraphAt(std::uint32_t cp) const;
  CharacterProperties CharacterAt(std::uint32_t cp);
  bool IsParagraphEnd(std::uint32_t cp) const;
  char32_t SymbolCharacter(std::uint16_t font, char32_t code) const;
  bool Over(const readers::RtfWriter& out);

  const DocumentModel& model_;
  const readers::AnsiEncoder& encoder_;
  const std::size_t limit_;
  bool over_ = false;
  bool word6_;
  std::vector<CpRange> references_;  // the texts of the notes referred to, in order
  std::vector<bool> box_written_;
  // The character run last looked up, reused while the CPs stay in it.
  const Piece* cached_piece_ = nullptr;
  const PropertyRuns<CharacterProperties>::Run* cached_run_ = nullptr;
  CharacterProperties cached_properties_;
};

}  // namespace corvane::doc
