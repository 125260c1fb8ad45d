// The state of one RTF-to-HTML conversion and the operations that work on it.
// Internal to the engine; tests use it to reach the scanner's pieces.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "byte_classes.h"

namespace corvane::engine {

// What the next body character has to open first.
enum ParaStateValue : int {
  kBlockOpen = 0,
  kParagraphPending = 1,
  kBulletItemPending = 2,
  kNumberedItemPending = 3,
  kRulePending = 4,
};

struct ConversionState {
  explicit ConversionState(std::string_view source) : Source(source) { ResetState(); }

  // Input. Positions are 0-based and wide enough for inputs beyond 2 GB.
  std::string_view Source;
  std::size_t SourceLength = 0;
  std::size_t Position = 0;  // index of the next byte to examine
  // Index of the last byte that ends both a control word and its parameter,
  // or 0 without one: a word that starts before it needs no bounds checks.
  std::size_t LastWordEnd = 0;
  // Likewise the last byte that ends a run of text, for the text loops.
  std::size_t LastTextEnd = 0;
  std::ptrdiff_t Depth = 0;  // +1 per "{", -1 per "}"; never checked for balance

  // The control word read last and its parameter; views into Source, or a
  // single NUL when the word was read past the end of the input.
  std::string_view Word;
  std::string_view Param;

  std::string Title;  // already escaped for HTML
  std::string Body;   // HTML body written so far

  // Owed closing tags: "", "</p>" or "</li>"; and "", "</ul>" or "</ol>".
  std::string_view BlockClose;
  std::string_view ListClose;
  int ParaState = kParagraphPending;
  bool RowPending = false;
  bool CellPending = false;
  bool DeclareUtf8 = false;  // full-text output: the head names the character set
  bool InlineTags = false;   // full-text output: spaces next to inline elements are text

  // Reading past either end yields 0, which ends words and matches nothing.
  unsigned char At(std::size_t index) const {
    return index < SourceLength ? static_cast<unsigned char>(Source[index]) : 0;
  }

  void ResetState();

  // Scanner.
  void HandleControl();
  void ReadControlWord();
  void HandleBrace(bool opening);
  void SkipDestination();
  std::string ReadTitleText();

  // Emission.
  void EmitChar(unsigned char c) {
    if (HasPendingTags()) WritePendingTags();
    switch (c) {
      case 0: break;
      case '&': Body += "&amp;"; break;
      case '<': Body += "&lt;"; break;
      case '>': Body += "&gt;"; break;
      default: Body += static_cast<char>(c);
    }
  }
  // Same as EmitChar for each byte of a run that holds no byte needing an
  // entity and no NUL, at the cost of one append.
  void EmitRun(const char* begin, const char* end) {
    if (HasPendingTags()) WritePendingTags();
    Body.append(begin, end);
  }
  void EmitRun(std::string_view text) { EmitRun(text.data(), text.data() + text.size()); }
  // With appends_are_text, the special characters are text: pending tags
  // are written before them rather than after. Defined in body_words.h.
  inline void ApplyControlWord(bool appends_are_text = false);
  std::string FinishDocument();

 private:
  bool HasPendingTags() const { return RowPending || CellPending || ParaState != kBlockOpen; }
  void WritePendingTags();
};

unsigned char HexDigitValue(unsigned char c);

// The body's seven clean-up replacements (space runs, blank paragraphs,
// spaces next to tags, empty paragraphs), applied in order.
// With inline_tags, the spaces next to an inline element's tags stay: they
// are the text's own.
std::string CleanUpBody(std::string text, bool inline_tags = false);

}  // namespace corvane::engine
