#include "readers/revenge/text_document.h"

#include <string_view>
#include <utility>

#include "readers/revenge/properties.h"

namespace corvane::revenge {
namespace {

using readers::RtfWriter;

// Stories inside stories (a note in a text box in a note...) past this
// depth are dropped: no real document comes near it.
constexpr std::size_t kMaxStoryDepth = 32;

}  // namespace

struct TextDocument::Story {
  Story(const readers::AnsiEncoder& encoder, bool blocks, bool dropped)
      : writer(encoder), blocks(blocks), dropped(dropped) {}

  struct Box {
    std::string rtf;
    bool has_text = false;
  };

  RtfWriter writer;
  bool blocks;   // its paragraphs stay paragraphs (the body); else they become lines
  bool dropped;  // a header, footer or comment, or within one
  int table_depth = 0;
  bool in_paragraph = false;
  std::vector<Box> boxes;  // text boxes of the open paragraph, written after it
  std::size_t note_number = 0;
};

TextDocument::TextDocument(const readers::AnsiEncoder& encoder, OutputBudget& budget)
    : encoder_(encoder), budget_(budget) {
  stories_.push_back(std::make_unique<Story>(encoder_, true, false));
}

TextDocument::~TextDocument() = default;

RtfWriter& TextDocument::Out() { return Current().writer; }

bool TextDocument::Writing() const { return !stories_.back()->dropped; }

void TextDocument::Charge() {
  std::size_t total = notes_bytes_;
  for (const auto& story : stories_) {
    total += story->writer.Rtf().size();
    for (const Story::Box& box : story->boxes) total += box.rtf.size();
  }
  budget_.Check(total);
}

void TextDocument::setDocumentMetaData(const librevenge::RVNGPropertyList& properties) {
  title_ = Text(properties, "dc:title");
}

void TextDocument::openParagraph(const librevenge::RVNGPropertyList& properties) {
  Story& story = Current();
  story.in_paragraph = true;
  if (story.dropped || !story.blocks || story.table_depth > 0) return;
  if (Text(properties, "fo:break-before") == "page" && story.writer.AnyText()) Out().PageBreak();
  const int level = Integer(properties, "text:outline-level", 0);
  if (level >= 1 && level <= 9) Out().OutlineLevel(level - 1);
}

void TextDocument::openListElement(const librevenge::RVNGPropertyList& properties) {
  openParagraph(properties);
  Story& story = Current();
  if (story.dropped || !story.blocks || story.table_depth > 0) return;
  if (!lists_.empty() && lists_.back()) {
    Out().NumberedItem();
  } else {
    Out().BulletItem();
  }
}

void TextDocument::CloseListLevel() {
  if (!lists_.empty()) lists_.pop_back();
}

void TextDocument::EndBlock() {
  Story& story = Current();
  story.in_paragraph = false;
  if (story.dropped) return;
  if (story.blocks && story.table_depth == 0) {
    Out().EndParagraph();
    for (const Story::Box& box : story.boxes) Out().Splice(box.rtf, false);
  } else {
    Out().LineBreak();
    for (const Story::Box& box : story.boxes) {
      Out().LineBreak();
      Out().Splice(box.rtf, box.has_text);
    }
  }
  story.boxes.clear();
  Charge();
}

void TextDocument::openSpan(const librevenge::RVNGPropertyList& properties) {
  hidden_ = Text(properties, "text:display") == "none";
  if (Writing()) Out().SetRunFormat(RunFormatOf(properties));
}

void TextDocument::closeSpan() {
  hidden_ = false;
  if (Writing()) Out().SetRunFormat(0);
}

void TextDocument::openLink(const librevenge::RVNGPropertyList& properties) {
  const std::string target = Text(properties, "xlink:href");
  if (Writing() && !target.empty()) Out().BeginLink(target);
}

void TextDocument::closeLink() {
  if (Writing()) Out().EndLink();
}

void TextDocument::insertTab() {
  if (Writing() && !hidden_) Out().Tab();
}

void TextDocument::insertSpace() {
  if (Writing() && !hidden_) Out().Character(U' ');
}

void TextDocument::insertText(const librevenge::RVNGString& text) {
  if (!Writing() || hidden_) return;
  Out().Text(std::string_view(text.cstr(), text.size()));
  Charge();
}

void TextDocument::insertLineBreak() {
  if (Writing()) Out().LineBreak();
}

void TextDocument::OpenDroppedStory() {
  stories_.push_back(std::make_unique<Story>(encoder_, false, true));
}

void TextDocument::OpenNote() {
  const bool dropped = !Writing() || stories_.size() >= kMaxStoryDepth;
  std::size_t number = 0;
  if (!dropped) {
    notes_.emplace_back();
    notes_have_text_.push_back(false);
    number = notes_.size();
    Out().Text("[" + std::to_string(number) + "]");
  }
  stories_.push_back(std::make_unique<Story>(encoder_, false, dropped));
  Current().note_number = number;
}

void TextDocument::CloseNote() {
  if (stories_.size() < 2) return;
  Story& note = Current();
  if (note.note_number > 0) {
    notes_bytes_ += note.writer.Rtf().size();
    notes_have_text_[note.note_number - 1] = note.writer.AnyText();
    notes_[note.note_number - 1] = std::move(note.writer.MutableRtf());
  }
  stories_.pop_back();
}

void TextDocument::openTextBox(const librevenge::RVNGPropertyList&) {
  const Story& parent = Current();
  const bool dropped = parent.dropped || stories_.size() >= kMaxStoryDepth;
  stories_.push_back(
      std::make_unique<Story>(encoder_, parent.blocks && parent.table_depth == 0, dropped));
}

void TextDocument::closeTextBox() {
  if (stories_.size() < 2) return;
  std::unique_ptr<Story> box = std::move(stories_.back());
  stories_.pop_back();
  if (box->dropped || Current().dropped) return;
  Story::Box written{std::move(box->writer.MutableRtf()), box->writer.AnyText()};
  Story& parent = Current();
  if (parent.in_paragraph) {
    parent.boxes.push_back(std::move(written));
  } else if (parent.blocks && parent.table_depth == 0) {
    Out().Splice(written.rtf, false);
  } else {
    Out().LineBreak();
    Out().Splice(written.rtf, written.has_text);
  }
}

void TextDocument::CloseStory() {
  if (stories_.size() > 1) stories_.pop_back();
}

void TextDocument::openTable(const librevenge::RVNGPropertyList&) { ++Current().table_depth; }

void TextDocument::closeTableCell() {
  Story& story = Current();
  if (story.dropped || story.table_depth == 0) return;
  if (story.blocks && story.table_depth == 1) {
    Out().EndCell();
  } else {
    Out().CellSeparator();  // a nested table's cells stay in the outer cell
  }
}

void TextDocument::closeTableRow() {
  Story& story = Current();
  if (story.dropped || story.table_depth == 0) return;
  if (story.blocks && story.table_depth == 1) {
    Out().EndRow();
  } else {
    Out().RowSeparator();
  }
  Charge();
}

void TextDocument::closeTable() {
  Story& story = Current();
  if (story.table_depth > 0) --story.table_depth;
}

bool TextDocument::AnyText() const {
  if (stories_.front()->writer.AnyText()) return true;
  for (const bool has_text : notes_have_text_) {
    if (has_text) return true;
  }
  return false;
}

std::string TextDocument::TakeRtf() {
  std::string rtf = readers::RtfDocumentStart(title_, encoder_);
  rtf += stories_.front()->writer.Rtf();
  if (!notes_.empty()) {
    // The notes as a numbered list of their own, set off by a rule so that
    // no list of the body runs on into them.
    RtfWriter tail(encoder_);
    tail.PageBreak();
    for (std::size_t i = 0; i < notes_.size(); ++i) {
      tail.NumberedItem();
      tail.Splice(notes_[i], notes_have_text_[i]);
      tail.EndParagraph();
    }
    rtf += tail.Rtf();
  }
  rtf += "}";
  return rtf;
}

}  // namespace corvane::revenge
