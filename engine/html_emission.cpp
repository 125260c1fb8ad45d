// Emission of the HTML body: deferred block tags and the document frame.
#include "conversion_state.h"

namespace corvane::engine {
namespace {

constexpr std::string_view kParagraphClose = "</p>";
constexpr std::string_view kItemClose = "</li>";
constexpr std::string_view kBulletListClose = "</ul>";
constexpr std::string_view kNumberedListClose = "</ol>";

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

std::string ConversionState::FinishDocument() {
  // Whatever is still pending received no character and leaves no trace.
  Body += BlockClose;
  Body += ListClose;
  std::string document = CleanUpBody(std::move(Body), InlineTags);
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
