// The paragraph styles' list settings ([MS-DOC] 2.9.271 STSH): a paragraph
// without its own list takes its style's, which takes its base style's.
#pragma once

#include <vector>

#include "readers/doc/byte_reader.h"
#include "readers/doc/fib.h"
#include "readers/doc/properties.h"

namespace corvane::doc {

class StyleSheet {
 public:
  // A missing or broken style sheet leaves every style without a list:
  // the text still reads, so it is no reason to fail.
  void Read(const Fib& fib, ByteReader table);
  // The style's paragraph properties, its bases' applied first.
  ParagraphProperties Of(std::uint16_t istd) const {
    return istd < resolved_.size() ? resolved_[istd] : ParagraphProperties{};
  }

 private:
  std::vector<ParagraphProperties> resolved_;
};

}  // namespace corvane::doc
