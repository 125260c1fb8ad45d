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

// The body's control words, compared exactly and case-sensitively.
BodyWord LookupBodyWord(std::string_view w) {
  switch (w.empty() ? 0 : w[0]) {
    case 'p':
      if (w == "par") return {WordAction::kParagraph, {}};
      if (w == "page") return {WordAction::kRule, {}};
      break;
    case 's':
      if (w == "sect") return {WordAction::kRule, {}};
      break;
    case 'r':
      if (w == "row") return {WordAction::kRow, {}};
      if (w == "rquote") return {WordAction::kAppend, "&rsquo;"};
      if (w == "rdblquote") return {WordAction::kAppend, "&rdquo;"};
      break;
    case 'c':
      if (w == "cell") return {WordAction::kCell, {}};
      break;
    case 't':
      if (w == "tab") return {WordAction::kAppend, " "};
      break;
    case 'l':
      if (w == "line" || w == "lbr") return {WordAction::kAppend, "<br />\r\n"};
      if (w == "lquote") return {WordAction::kAppend, "&lsquo;"};
      if (w == "ldblquote") return {WordAction::kAppend, "&ldquo;"};
      break;
    case 'e':
      if (w == "emdash") return {WordAction::kAppend, "&mdash;"};
      if (w == "endash") return {WordAction::kAppend, "&ndash;"};
      if (w == "emspace" || w == "enspace") return {WordAction::kAppend, "&nbsp;"};
      break;
    case 'q':
      if (w == "qmspace") return {WordAction::kAppend, "&nbsp;"};
      break;
    case 'b':
      if (w == "bullet") return {WordAction::kAppend, "*"};
      break;
    case '-':
      if (w == "-") return {WordAction::kAppend, "-"};
      break;
    case '_':
      if (w == "_") return {WordAction::kAppend, "_"};
      break;
    case '~':
      if (w == "~") return {WordAction::kAppend, "&nbsp;"};
      break;
    case '|':
    case ':':
      if (w.size() == 1) return {WordAction::kAppend, " "};
      break;
  }
  return {WordAction::kNone, {}};
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
