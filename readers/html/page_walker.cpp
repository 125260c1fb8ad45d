#include "readers/html/page_walker.h"

#include <array>

namespace corvane::html {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsHtmlSpace(char32_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Lower case without white space: "Display : None" gives "display:none".
std::string Squeezed(const char* value) {
  std::string out;
  if (value == nullptr) return out;
  for (; *value != '\0'; ++value) {
    if (!IsHtmlSpace(static_cast<unsigned char>(*value))) out += Lower(*value);
  }
  return out;
}

struct Attributes {
  bool hidden = false;
  std::string style;        // squeezed
  std::string class_names;  // lower case
};

Attributes ReadAttributes(AttributeList list) {
  Attributes attributes;
  for (std::size_t i = 0; list != nullptr && list[i] != nullptr; i += 2) {
    const std::string_view name = list[i];
    const char* value = list[i + 1];
    if (name == "hidden") {
      attributes.hidden = true;
    } else if (name == "style") {
      attributes.style = Squeezed(value);
    } else if (name == "class" && value != nullptr) {
      for (const char* c = value; *c != '\0'; ++c) attributes.class_names += Lower(*c);
    }
  }
  return attributes;
}

bool IsOneOf(std::string_view name, std::initializer_list<std::string_view> names) {
  for (const std::string_view candidate : names) {
    if (name == candidate) return true;
  }
  return false;
}

// Content a reader of the page never sees as text.
bool IsUnshownElement(std::string_view name) {
  return IsOneOf(name, {"script", "style", "noscript", "template", "svg", "math", "iframe",
                        "object", "applet", "select", "datalist", "o:p"});
}

bool IsBlockElement(std::string_view name) {
  return IsOneOf(name,
                 {"p",       "div",        "h1",      "h2",       "h3",     "h4",      "h5",
                  "h6",      "blockquote", "address", "dt",       "dd",     "dl",      "center",
                  "section", "article",    "header",  "footer",   "nav",    "aside",   "main",
                  "figure",  "figcaption", "form",    "fieldset", "legend", "caption", "details",
                  "summary", "body",       "html",    "noframes", "hgroup", "option",  "textarea"});
}

// The label Word writes before a list paragraph's text ("1.", "a)", "iv.")
// numbers the list; anything else ("·", "o", "§") is a bullet.
bool LooksNumbered(std::string_view label) {
  std::size_t letters = 0;
  for (const char c : label) {
    if (c >= '0' && c <= '9') return true;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
      ++letters;
    } else if ((c == '.' || c == ')') && letters > 0 && letters <= 5) {
      return true;
    } else if (static_cast<unsigned char>(c) >= 0x80 ||
               !IsHtmlSpace(static_cast<unsigned char>(c))) {
      letters = 0;
    }
  }
  return false;
}

// White space runs as one space, none at either end.
std::string Collapsed(std::string_view text) {
  std::string out;
  bool space = false;
  for (const char c : text) {
    if (IsHtmlSpace(static_cast<unsigned char>(c))) {
      space = !out.empty();
      continue;
    }
    if (space) out += ' ';
    space = false;
    out += c;
  }
  return out;
}

}  // namespace

PageWalker::Frame PageWalker::Classify(std::string_view name, AttributeList list) const {
  Frame frame;
  frame.name = name;
  if (skip_depth_ > 0) {
    frame.skipped = true;
    return frame;
  }
  const Attributes attributes = ReadAttributes(list);
  if (attributes.hidden || attributes.style.find("display:none") != std::string::npos ||
      attributes.style.find("mso-hide:all") != std::string::npos || IsUnshownElement(name)) {
    frame.skipped = true;
  } else if (attributes.style.find("mso-list:ignore") != std::string::npos) {
    frame.kind = Kind::kLabel;
  } else if (name == "head") {
    frame.head = true;
  } else if (name == "title") {
    frame.kind = Kind::kTitle;
    frame.skipped = title_done_;
  } else if (name == "br") {
    frame.kind = Kind::kLineBreak;
  } else if (name == "hr") {
    frame.kind = Kind::kRule;
  } else if (name == "li") {
    frame.kind = Kind::kListItem;
    frame.ordered = !lists_.empty() && lists_.back();
  } else if (name == "ul" || name == "ol" || name == "dir" || name == "menu") {
    frame.kind = Kind::kList;
    frame.ordered = name == "ol";
  } else if (name == "table") {
    frame.kind = Kind::kTable;
  } else if (name == "tr") {
    frame.kind = Kind::kRow;
  } else if (name == "td" || name == "th") {
    frame.kind = Kind::kCell;
  } else if (name == "pre" || name == "listing" || name == "xmp" || name == "plaintext") {
    frame.kind = Kind::kPre;
  } else if (name == "p" && (attributes.class_names.starts_with("msolistparagraph") ||
                             attributes.style.find("mso-list:l") != std::string::npos)) {
    // An office suite's list paragraph: its label comes as a kLabel span.
    frame.kind = Kind::kListItem;
  } else if (IsBlockElement(name)) {
    frame.kind = Kind::kBlock;
  }
  return frame;
}

void PageWalker::StartElement(std::string_view name, AttributeList attributes) {
  if (over_output_limit_ || too_deep_) return;
  if (frames_.size() >= kMaxDepth) {
    too_deep_ = true;
    return;
  }
  frames_.push_back(Classify(name, attributes));
  Open(frames_.back());
  CheckLimit();
}

void PageWalker::EndElement(std::string_view name) {
  if (over_output_limit_ || too_deep_) return;
  std::size_t match = frames_.size();
  while (match > 0 && frames_[match - 1].name != name) --match;
  if (match == 0) return;
  while (frames_.size() >= match) {
    const Frame frame = std::move(frames_.back());
    frames_.pop_back();
    Close(frame);
  }
  CheckLimit();
}

void PageWalker::Open(const Frame& frame) {
  pre_just_opened_ = false;
  if (frame.skipped) {
    ++skip_depth_;
    return;
  }
  if (frame.head) ++head_depth_;
  switch (frame.kind) {
    case Kind::kInline: break;
    case Kind::kBlock: BreakBlock(); break;
    case Kind::kLineBreak:
      if (in_title_) break;
      writer_.LineBreak();
      pending_space_ = false;
      line_has_text_ = false;
      break;
    case Kind::kRule:
      if (InCell()) {
        BreakBlock();
      } else {
        BreakBlock();
        writer_.PageBreak();
      }
      break;
    case Kind::kList:
      BreakBlock();
      lists_.push_back(frame.ordered);
      break;
    case Kind::kListItem:
      BreakBlock();
      StartListItem(frame.ordered);
      break;
    case Kind::kTable:
      BreakBlock();
      tables_.push_back({});
      break;
    case Kind::kRow:
      if (tables_.empty()) {
        BreakBlock();
      } else if (!InNestedTable()) {
        Table& table = tables_.back();
        if (table.row_open && table.cells_in_row > 0) writer_.EndRow();
        if (!table.row_open) BreakBlock();
        table.row_open = true;
        table.cells_in_row = 0;
      }
      break;
    case Kind::kCell:
      if (tables_.empty()) {
        BreakBlock();
        break;
      }
      if (!InNestedTable() && !tables_.back().row_open) {
        BreakBlock();
        tables_.back().row_open = true;
        tables_.back().cells_in_row = 0;
      }
      ++cell_depth_;
      pending_space_ = false;
      line_has_text_ = false;
      break;
    case Kind::kPre:
      BreakBlock();
      ++pre_depth_;
      pre_just_opened_ = true;
      break;
    case Kind::kTitle: in_title_ = true; break;
    case Kind::kLabel:
      ++skip_depth_;
      if (label_depth_++ == 0) label_text_.clear();
      break;
  }
}

void PageWalker::Close(const Frame& frame) {
  if (frame.skipped) {
    --skip_depth_;
    return;
  }
  if (frame.head) --head_depth_;
  switch (frame.kind) {
    case Kind::kInline:
    case Kind::kLineBreak:
    case Kind::kRule: break;
    case Kind::kBlock:
    case Kind::kListItem: BreakBlock(); break;
    case Kind::kList:
      BreakBlock();
      if (!lists_.empty()) lists_.pop_back();
      break;
    case Kind::kTable:
      if (tables_.empty()) break;
      if (!InNestedTable()) {
        if (tables_.back().row_open && tables_.back().cells_in_row > 0) {
          writer_.EndRow();
        } else {
          BreakBlock();
        }
      }
      tables_.pop_back();
      break;
    case Kind::kRow:
      if (tables_.empty()) {
        BreakBlock();
      } else if (!InNestedTable()) {
        Table& table = tables_.back();
        if (table.cells_in_row > 0) {
          writer_.EndRow();
        } else {
          BreakBlock();
        }
        table.row_open = false;
        table.cells_in_row = 0;
      } else {
        writer_.RowSeparator();
      }
      break;
    case Kind::kCell:
      if (tables_.empty()) {
        BreakBlock();
        break;
      }
      --cell_depth_;
      pending_space_ = false;
      line_has_text_ = false;
      marker_pending_ = false;
      if (!InNestedTable()) {
        writer_.EndCell();
        ++tables_.back().cells_in_row;
      } else {
        writer_.CellSeparator();
      }
      break;
    case Kind::kPre:
      BreakBlock();
      --pre_depth_;
      break;
    case Kind::kTitle:
      in_title_ = false;
      title_done_ = true;
      title_ = Collapsed(title_);
      break;
    case Kind::kLabel:
      --skip_depth_;
      if (--label_depth_ == 0) LabelEnded();
      break;
  }
}

void PageWalker::BreakBlock() {
  const bool line_had_text = line_has_text_;
  pending_space_ = false;
  line_has_text_ = false;
  if (InCell()) {
    // A cell holds one block: its paragraphs go on as lines.
    if (line_had_text) writer_.LineBreak();
    return;
  }
  if (writer_.BlockHasText()) {
    writer_.EndParagraph();
  } else if (marker_pending_) {
    writer_.Rewind(before_marker_);  // an empty item is no item
  }
  marker_pending_ = false;
}

void PageWalker::StartListItem(bool ordered) {
  if (InCell()) return;  // a table row has no list items
  before_marker_ = writer_.Checkpoint();
  if (ordered) {
    writer_.NumberedItem();
  } else {
    writer_.BulletItem();
  }
  marker_pending_ = true;
}

void PageWalker::LabelEnded() {
  if (!marker_pending_ || writer_.BlockHasText() || !LooksNumbered(label_text_)) return;
  writer_.Rewind(before_marker_);
  writer_.NumberedItem();
}

void PageWalker::TextCharacter(char32_t character) {
  if (IsHtmlSpace(character)) {
    pending_space_ = true;
    return;
  }
  if (pending_space_ && line_has_text_) writer_.Character(U' ');
  pending_space_ = false;
  writer_.Character(character);
  line_has_text_ = true;
}

void PageWalker::PreCharacter(char32_t character) {
  if (pre_just_opened_) {
    pre_just_opened_ = false;
    if (character == '\n') return;  // the line break right after <pre> is markup
  }
  switch (character) {
    case '\r': return;
    case '\n': writer_.LineBreak(); break;
    case '\t': writer_.Tab(); break;
    default: writer_.Character(character); break;
  }
  pending_space_ = false;
  line_has_text_ = true;
}

void PageWalker::Text(std::string_view utf8) {
  if (over_output_limit_ || too_deep_) return;
  if (skip_depth_ > 0) {
    if (label_depth_ > 0) label_text_ += utf8;
    return;
  }
  if (in_title_) {
    title_ += utf8;
    return;
  }
  if (head_depth_ > 0) return;
  std::size_t position = 0;
  while (position < utf8.size()) {
    const char32_t character = readers::NextUtf8(utf8, position);
    if (pre_depth_ > 0) {
      PreCharacter(character);
    } else {
      TextCharacter(character);
    }
  }
  pre_just_opened_ = false;
  CheckLimit();
}

void PageWalker::Finish() {
  if (over_output_limit_ || too_deep_) return;
  while (!frames_.empty()) EndElement(frames_.back().name);
  BreakBlock();
  CheckLimit();
}

void PageWalker::CheckLimit() {
  if (writer_.Rtf().size() > output_limit_) over_output_limit_ = true;
}

}  // namespace corvane::html
