// The body's control words and what each does. Inline, so that the
// scanners' loops, which meet about a hundred control words in every KB,
// make no call for the formatting words that match nothing here.
#pragma once

#include "conversion_state.h"

namespace corvane::engine {

enum class WordAction { kNone, kParagraph, kRule, kRow, kCell, kAppend };

struct BodyWord {
  WordAction action;
  std::string_view text;  // for kAppend
};

// The body's control words, compared exactly and case-sensitively. Called
// for every control word of the body, most of which are formatting that
// matches nothing here: the length and first byte rule those out before
// any comparison.
inline BodyWord LookupBodyWord(std::string_view w) {
  constexpr BodyWord kNone{WordAction::kNone, {}};
  switch (w.size()) {
    case 1:
      switch (w[0]) {
        case '-': return {WordAction::kAppend, "-"};
        case '_': return {WordAction::kAppend, "_"};
        case '~': return {WordAction::kAppend, "&nbsp;"};
        case '|':
        case ':': return {WordAction::kAppend, " "};
        default: return kNone;
      }
    case 3:
      switch (w[0]) {
        case 'p': return w == "par" ? BodyWord{WordAction::kParagraph, {}} : kNone;
        case 'r': return w == "row" ? BodyWord{WordAction::kRow, {}} : kNone;
        case 't': return w == "tab" ? BodyWord{WordAction::kAppend, " "} : kNone;
        case 'l': return w == "lbr" ? BodyWord{WordAction::kAppend, "<br />\r\n"} : kNone;
        default: return kNone;
      }
    case 4:
      switch (w[0]) {
        case 'p': return w == "page" ? BodyWord{WordAction::kRule, {}} : kNone;
        case 's': return w == "sect" ? BodyWord{WordAction::kRule, {}} : kNone;
        case 'c': return w == "cell" ? BodyWord{WordAction::kCell, {}} : kNone;
        case 'l': return w == "line" ? BodyWord{WordAction::kAppend, "<br />\r\n"} : kNone;
        default: return kNone;
      }
    case 6:
      switch (w[0]) {
        case 'r': return w == "rquote" ? BodyWord{WordAction::kAppend, "&rsquo;"} : kNone;
        case 'l': return w == "lquote" ? BodyWord{WordAction::kAppend, "&lsquo;"} : kNone;
        case 'b': return w == "bullet" ? BodyWord{WordAction::kAppend, "*"} : kNone;
        case 'e':
          if (w == "emdash") return {WordAction::kAppend, "&mdash;"};
          if (w == "endash") return {WordAction::kAppend, "&ndash;"};
          return kNone;
        default: return kNone;
      }
    case 7:
      if (w == "emspace" || w == "enspace" || w == "qmspace")
        return {WordAction::kAppend, "&nbsp;"};
      return kNone;
    case 9:
      if (w == "rdblquote") return {WordAction::kAppend, "&rdquo;"};
      if (w == "ldblquote") return {WordAction::kAppend, "&ldquo;"};
      return kNone;
    default: return kNone;
  }
}

inline void ConversionState::ApplyControlWord(bool appends_are_text) {
  const BodyWord word = LookupBodyWord(Word);
  switch (word.action) {
    case WordAction::kNone: break;
    case WordAction::kParagraph: ParaState = kParagraphPending; break;
    case WordAction::kRule:
      ParaState = kRulePending;
      EmitChar(0);
      break;
    case WordAction::kRow: RowPending = true; break;
    case WordAction::kCell: CellPending = true; break;
    // Straight to the end of the body, ahead of any pending tags.
    case WordAction::kAppend:
      if (appends_are_text) {
        EmitRun(word.text);
      } else {
        Body += word.text;
      }
      break;
  }
}

}  // namespace corvane::engine
