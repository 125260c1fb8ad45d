// Paragraph and character properties by stream offset: the bin tables
// (PlcBtePapx, PlcBteChpx) name 512-byte pages (FKPs, [MS-DOC] 2.9.73 and
// 2.9.69) that give the properties of runs of the WordDocument stream.
// Every page is read once, into one sorted list of runs.
#pragma once

#include <string>
#include <vector>

#include "readers/doc/byte_reader.h"
#include "readers/doc/fib.h"
#include "readers/doc/properties.h"
#include "readers/doc/style_sheet.h"

namespace corvane::doc {

template <class Properties>
class PropertyRuns {
 public:
  struct Run {
    std::uint64_t fc_start = 0;
    std::uint64_t fc_end = 0;
    Properties properties;
  };
  // The run holding fc, or nullptr when none does.
  const Run* RunAt(std::uint64_t fc) const;
  std::vector<Run>& MutableRuns() { return runs_; }

 private:
  std::vector<Run> runs_;
};

// A broken bin table leaves the text without these properties, a broken
// page the runs it covers: formatting is lost, never words.
void ReadParagraphRuns(const Fib& fib, ByteReader word, ByteReader table, const StyleSheet& styles,
                       PropertyRuns<ParagraphProperties>& runs);
void ReadCharacterRuns(const Fib& fib, ByteReader word, ByteReader table,
                       PropertyRuns<CharacterProperties>& runs);

}  // namespace corvane::doc
