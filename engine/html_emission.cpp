// Emission of the HTML body: deferred block tags, body control words and the
// document frame.
#include "conversion_state.h"

namespace corvane::engine {
namespace {

constexpr std::string_view kParagraphClose = "</p>";
constexpr std::string_view kItemClose = "</li>";
constexpr std::string_view kBulletListClose = "</ul>";
constexpr std::string_view kNumberedListClose = "</ol>";

enum class WordAction { kNone, kParagraph, kRule, kRow, kCell, kAppend };

struct BodyWord {
  WordAction action;
  std::string_view text;  // for kAppend
};

// The body's control words, compared exactly and case-sensitively. Called
// for every control word of the body, most of which are formatting that
// matches nothing here: the length and first byte rule those out before
// any comparison.
BodyWord LookupBodyWord(std::string_view w) {
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

}  // namespace

void ConversionState::WritePendingTags() {
  if (RowPending) {
    Body += BlockClose;
    Body += ListClose;
    Body += "\r\n<p>";
    BlockClose = kParagraphClose;
    ListClose = {};
    RowPending = false;
    CellPending = false;  // no separator at the start of a row
  }
  if (CellPending) {
    Body += " | ";
    CellPending = false;
  }
  switch (ParaState) {
    case kParagraphPending:
      Body += BlockClose;
      Body += ListClose;
      Body += "\r\n<p>";
      BlockClose = kParagraphClose;
      ListClose = {};
      break;
    case kBulletItemPending:
    case kNumberedItemPending: {
      const std::string_view list =
          ParaState == kBulletItemPending ? kBulletListClose : kNumberedListClose;
      Body += BlockClose;
      if (ListClose == list) {
        Body += "\r\n<li>";
      } else {
        Body += ListClose;
        Body += ParaState == kBulletItemPending ? "\r\n<ul><li>" : "\r\n<ol><li>";
      }
      BlockClose = kItemClose;
      ListClose = list;
      break;
    }
    case kRulePending:
      Body += BlockClose;
      Body += ListClose;
      Body += "\r\n<hr />\r\n";
      BlockClose = {};
      ListClose = {};
      ParaState = kParagraphPending;  // the text after a rule starts a paragraph
      return;
    default: break;
  }
  ParaState = kBlockOpen;
}

void ConversionState::ApplyControlWord(bool appends_are_text) {
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

std::string ConversionState::FinishDocument() {
  // Whatever is still pending received no character and leaves no trace.
  Body += BlockClose;
  Body += ListClose;
  std::string document = CleanUpBody(std::move(Body));
  Body.clear();

  // The frame goes around the cleaned body in place: no second copy of it.
  std::string head = "<!DOCTYPE html>\r\n<html><head>";
  if (DeclareUtf8) head += "<meta charset=\"utf-8\">";
  head += "\r\n<title>";
  head += Title;
  head += "</title>\r\n</head>\r\n<body>";
  constexpr std::string_view kTail = "\r\n</body></html>\r\n";
  document.reserve(head.size() + document.size() + kTail.size());
  document.insert(0, head);
  document += kTail;
  return document;
}

}  // namespace corvane::engine
