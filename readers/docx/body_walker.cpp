#include "readers/docx/body_walker.h"

#include <algorithm>

#include "readers/symbol_fonts.h"

namespace corvane::docx {

using readers::IsSymbolFont;
using readers::IsSymbolPrivateUse;
using readers::MapSymbolCharacter;

namespace {

// Subtrees that hold no text of the document as it reads now: deletions,
// instructions, properties, and what lives outside the package.
constexpr std::string_view kSkipped[] = {
    "w:del",         "w:moveFrom",  "w:delText",    "w:instrText", "w:delInstrText",
    "w:sdtPr",       "w:sdtEndPr",  "w:tblPr",      "w:tblGrid",   "w:trPr",
    "w:sectPr",      "w:altChunk",  "w:fldData",    "w:ffData",    "w:smartTagPr",
    "w:customXmlPr", "v:shapetype", "w:footnotePr", "w:endnotePr", "w:numberingChange"};

bool IsSkipped(std::string_view name) {
  for (const std::string_view skipped : kSkipped) {
    if (name == skipped) return true;
  }
  // w:rPrChange, w:pPrChange, ...: the properties before a tracked change.
  return name.size() > 8 && name.substr(0, 2) == "w:" && name.substr(name.size() - 6) == "Change";
}

}  // namespace

struct BodyWalker::Story {
  struct Box {
    std::string rtf;
    bool has_text = false;
  };
  Story(const AnsiEncoder& encoder, bool blocks_in, std::uint64_t id_in)
      : writer(encoder), blocks(blocks_in), id(id_in) {}

  RtfWriter writer;
  bool blocks;  // paragraphs are blocks; otherwise they are lines of one block
  std::uint64_t id;
  int table_depth = 0;
  std::vector<int> cell_depths;
  int merged_cell_depth = -1;  // a cell that continues a vertical merge
  std::vector<Box> boxes;      // text boxes owed after the anchoring paragraph
  bool joins_next = false;     // the last paragraph's mark was deleted
};

struct BodyWalker::Paragraph {
  std::string style;
  long outline_level = -1;
  NumberingProperties numbering;
  bool page_break_before = false;
  bool section_break = false;
  bool mark_deleted = false;  // or a drop cap: either way it runs on into the next one
  bool started = false;
  bool joined = false;
  std::uint64_t serial = 0;
};

BodyWalker::BodyWalker(Part part, const ListStyles& lists, const AnsiEncoder& encoder)
    : part_(part), lists_(lists), encoder_(encoder) {
  StartStory(true);
}

BodyWalker::~BodyWalker() = default;

RtfWriter& BodyWalker::Out() { return stories_.back()->writer; }

bool BodyWalker::AtTopLevel() const {
  return stories_.back()->blocks && stories_.back()->table_depth == 0;
}

void BodyWalker::StartStory(bool blocks) {
  stories_.push_back(std::make_unique<Story>(encoder_, blocks, ++story_serial_));
}

void BodyWalker::StartParagraph() {
  Paragraph paragraph;
  paragraph.joined = stories_.back()->joins_next;
  paragraph.serial = ++paragraph_serial_;
  stories_.back()->joins_next = false;
  paragraphs_.push_back(std::move(paragraph));
}

void BodyWalker::EnsureParagraphStarted() {
  if (paragraphs_.empty() || paragraphs_.back().started) return;
  Paragraph& paragraph = paragraphs_.back();
  paragraph.started = true;
  // A paragraph joined to one before it takes that one's place; only when
  // that wrote nothing does this one's list or break still open the block.
  if (!AtTopLevel() || (paragraph.joined && Out().BlockHasText())) return;
  if (paragraph.page_break_before) Out().PageBreak();
  switch (lists_.KindOf(paragraph.style, paragraph.numbering)) {
    case ListKind::kBullet: Out().BulletItem(); break;
    case ListKind::kNumbered: Out().NumberedItem(); break;
    case ListKind::kNone: break;
  }
  const long outline_level = lists_.OutlineLevelOf(paragraph.style, paragraph.outline_level);
  if (outline_level >= 0) Out().OutlineLevel(static_cast<int>(outline_level));
}

void BodyWalker::EndParagraph() {
  if (paragraphs_.empty()) return;
  // A field still in its instruction at its paragraph's end is broken: what
  // it holds so far is taken as its result.
  for (auto field = fields_.rbegin();
       field != fields_.rend() && field->paragraph >= paragraphs_.back().serial; ++field) {
    if (!field->separated) {
      field->separated = true;
      LeaveInstruction(false);
    }
  }
  EnsureParagraphStarted();
  const Paragraph paragraph = std::move(paragraphs_.back());
  paragraphs_.pop_back();
  Story& story = *stories_.back();
  if (paragraph.mark_deleted) {
    // Joined with the next paragraph: its boxes wait for that one's end.
    story.joins_next = true;
    return;
  }
  if (AtTopLevel()) {
    Out().EndParagraph();
    if (paragraph.section_break) Out().PageBreak();
    for (const Story::Box& box : story.boxes) Out().Splice(box.rtf, false);
  } else {
    Out().LineBreak();
    for (const Story::Box& box : story.boxes) {
      Out().LineBreak();
      Out().Splice(box.rtf, box.has_text);
    }
  }
  story.boxes.clear();
}

void BodyWalker::EndTextBox() {
  if (stories_.size() < 2) return;
  std::unique_ptr<Story> box = std::move(stories_.back());
  stories_.pop_back();
  box->writer.EndRunFormat();
  stories_.back()->boxes.push_back({std::move(box->writer.MutableRtf()), box->writer.AnyText()});
}

void BodyWalker::Break(bool page) {
  if (page && AtTopLevel()) {
    Out().PageBreak();
  } else {
    Out().LineBreak();
  }
}

bool BodyWalker::HandleParagraphProperties(const XmlElement& element) {
  if (properties_depth_ == 0) return false;
  Paragraph& paragraph = paragraphs_.back();
  const std::string_view name = element.name;
  if (name == "w:sectPr") {
    paragraph.section_break = true;
    Skip();
    return true;
  }
  if (name == "w:del" || name == "w:moveFrom") {
    paragraph.mark_deleted = true;  // in w:rPr: the paragraph mark's own revision
    Skip();
    return true;
  }
  if (IsSkipped(name)) {
    Skip();
    return true;
  }
  ++properties_depth_;
  if (name == "w:pStyle") {
    paragraph.style = element.Attribute("w:val");
  } else if (name == "w:numId") {
    paragraph.numbering.num_id = ParseNumber(element.Attribute("w:val"), -1);
  } else if (name == "w:ilvl") {
    paragraph.numbering.level = ParseNumber(element.Attribute("w:val"), -1);
  } else if (name == "w:framePr") {
    // A drop cap is a frame of its own before the rest of its word.
    const std::string_view drop_cap = element.Attribute("w:dropCap");
    if (!drop_cap.empty() && drop_cap != "none") paragraph.mark_deleted = true;
  } else if (name == "w:pageBreakBefore") {
    paragraph.page_break_before = IsOn(element);
  } else if (name == "w:outlineLvl" && properties_depth_ == 2) {
    paragraph.outline_level = ParseNumber(element.Attribute("w:val"), -1);
  }
  return true;
}

void BodyWalker::LeaveInstruction(bool drop) {
  if (--hiding_fields_ > 0) return;
  Story& story = *stories_.back();
  // An instruction begun in another story stays: its writer is not this one.
  if (drop && instruction_start_ && instruction_start_->story == story.id) {
    story.writer.Rewind(instruction_start_->mark);
    story.boxes.resize(std::min(story.boxes.size(), instruction_start_->boxes));
  }
  instruction_start_.reset();
}

void BodyWalker::HandleFieldCharacter(std::string_view type) {
  if (type == "begin") {
    fields_.push_back({false, paragraphs_.empty() ? 0 : paragraphs_.back().serial});
    if (hiding_fields_++ == 0) {
      const Story& story = *stories_.back();
      instruction_start_ = {story.id, story.writer.Checkpoint(), story.boxes.size()};
    }
  } else if (type == "separate") {
    if (!fields_.empty() && !fields_.back().separated) {
      fields_.back().separated = true;
      LeaveInstruction(true);
    }
  } else if (type == "end" && !fields_.empty()) {
    if (!fields_.back().separated) LeaveInstruction(true);
    fields_.pop_back();
  }
}

void BodyWalker::HandleRunProperty(const XmlElement& element) {
  using namespace readers;
  const std::string_view name = element.name;
  unsigned bit = 0;
  bool on = IsOn(element);
  if (name == "w:b") {
    bit = kBold;
  } else if (name == "w:i") {
    bit = kItalic;
  } else if (name == "w:u") {
    bit = kUnderline;
    on = element.Attribute("w:val") != "none";
  } else if (name == "w:strike" || name == "w:dstrike") {
    bit = kStrike;
  } else if (name == "w:vertAlign") {
    const std::string_view value = element.Attribute("w:val");
    run_format_ &= ~(kSuperscript | kSubscript);
    bit = value == "superscript" ? kSuperscript : kSubscript;
    on = value == "superscript" || value == "subscript";
  }
  run_format_ = on ? run_format_ | bit : run_format_ & ~bit;
}

// A link to an address outside the package, or to a bookmark (w:anchor).
void BodyWalker::StartHyperlink(const XmlElement& element) {
  std::string target;
  const std::string_view id = element.Attribute("r:id");
  if (!id.empty() && relationships_ != nullptr) {
    for (const Relationship& relationship : *relationships_) {
      if (relationship.id == id) target = relationship.external;
    }
  }
  const std::string_view anchor = element.Attribute("w:anchor");
  if (!anchor.empty()) {
    target += '#';
    target += anchor;
  }
  const bool begun = !target.empty() && hiding_fields_ == 0;
  if (begun) Out().BeginLink(target);
  hyperlinks_.emplace_back(depth_, begun);
}

bool BodyWalker::HandleRunContent(const XmlElement& element) {
  const std::string_view name = element.name;
  Out().SetRunFormat(run_format_);
  if (name == "w:fldChar") {
    HandleFieldCharacter(element.Attribute("w:fldCharType"));
    return true;
  }
  const bool visible = TextVisible();
  if (name == "w:tab" || name == "w:ptab") {
    if (visible) Out().Tab();
  } else if (name == "w:br") {
    if (visible) Break(element.Attribute("w:type") == "page");
  } else if (name == "w:cr") {
    if (visible) Out().LineBreak();
  } else if (name == "w:noBreakHyphen") {
    if (visible) Out().Character(U'-');
  } else if (name == "w:softHyphen") {
    if (visible) Out().Character(U'\u00AD');
  } else if (name == "w:sym") {
    const std::string_view font = element.Attribute("w:font");
    const std::string_view hex = element.Attribute("w:char");
    char32_t character = 0;
    for (const char c : hex) {
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
      if (digit < 0 || character > 0x10FFFF) break;
      character = character * 16 + static_cast<char32_t>(digit);
    }
    // A symbol font's code is mapped; any other font's is the character itself.
    const bool symbolic = IsSymbolPrivateUse(character) || IsSymbolFont(font);
    if (visible) Out().Character(symbolic ? MapSymbolCharacter(font, character) : character);
  } else if (name == "w:footnoteReference" || name == "w:endnoteReference") {
    if (part_ == Part::kDocument && hiding_fields_ == 0) {
      // A note referred to again keeps its number and is written once.
      const NoteKey key{name == "w:endnoteReference", ParseNumber(element.Attribute("w:id"), -1)};
      const auto [number, added] = note_numbers_.try_emplace(key, references_.size() + 1);
      if (added) references_.push_back(key);
      Out().Text("[" + std::to_string(number->second) + "]");
    }
  } else {
    return false;
  }
  return true;
}

void BodyWalker::StartElement(const XmlElement& element) {
  if (skip_depth_ > 0) {
    ++skip_depth_;
    return;
  }
  ++depth_;
  if (depth_ == 1) document_root_ = element.name == "w:document";
  if (HandleParagraphProperties(element)) return;
  const std::string_view name = element.name;
  if (run_properties_depth_ > 0) {
    if (IsSkipped(name)) {
      Skip();
      return;
    }
    ++run_properties_depth_;
    if (run_properties_depth_ == 2) HandleRunProperty(element);
    if (name == "w:vanish") {
      run_hidden_ = run_hidden_ || IsOn(element);
    } else if (name == "w:rFonts") {
      run_font_ = element.Attribute("w:ascii");
    }
    return;
  }
  Story& story = *stories_.back();
  if (story.merged_cell_depth >= 0 && depth_ == story.merged_cell_depth + 1 && name != "w:tcPr") {
    Skip();  // a merged cell's text comes once, from the cell that starts the merge
    return;
  }
  if (IsSkipped(name)) {
    Skip();
    return;
  }
  if (name == "w:p") {
    StartParagraph();
  } else if (name == "w:pPr") {
    if (!paragraphs_.empty()) properties_depth_ = 1;
  } else if (name == "w:r" || name == "m:r") {
    EnsureParagraphStarted();
    in_run_ = true;
    run_hidden_ = false;
    run_format_ = 0;
    run_font_.clear();
  } else if (name == "w:rPr") {
    if (in_run_) {
      run_properties_depth_ = 1;
    } else {
      Skip();
    }
  } else if (name == "w:t" || name == "m:t") {
    in_text_ = true;
  } else if (name == "w:tbl") {
    ++story.table_depth;
  } else if (name == "w:tc") {
    story.cell_depths.push_back(depth_);
  } else if (name == "w:vMerge" || name == "w:hMerge") {
    const std::string_view value = element.Attribute("w:val");
    if (!story.cell_depths.empty() && value != "restart")
      story.merged_cell_depth = story.cell_depths.back();
  } else if (name == "w:txbxContent") {
    EnsureParagraphStarted();
    StartStory(AtTopLevel());
  } else if (name == "mc:AlternateContent") {
    alternates_.emplace_back(depth_, false);
  } else if (name == "w:hyperlink") {
    StartHyperlink(element);
  } else if (name == "mc:Choice" || name == "mc:Fallback") {
    if (!alternates_.empty() && alternates_.back().first == depth_ - 1) {
      bool& taken = alternates_.back().second;
      if (taken ||
          (name == "mc:Choice" && !element.reader->KnowsPrefixes(element.Attribute("Requires")))) {
        Skip();
        return;
      }
      taken = true;
    }
  } else if (name == "w:footnote" || name == "w:endnote") {
    const std::string_view type = element.Attribute("w:type");
    if (part_ == Part::kDocument || (!type.empty() && type != "normal")) {
      Skip();  // separators and continuation notices are layout, not text
      return;
    }
    note_ = {name == "w:endnote", ParseNumber(element.Attribute("w:id"), -1)};
    StartStory(false);
  } else {
    HandleRunContent(element);
  }
}

void BodyWalker::EndElement(std::string_view name) {
  if (skip_depth_ > 0) {
    --skip_depth_;
    return;
  }
  const int depth = depth_--;
  if (properties_depth_ > 0) {
    if (--properties_depth_ == 0) EnsureParagraphStarted();
    return;
  }
  if (run_properties_depth_ > 0) {
    --run_properties_depth_;
    return;
  }
  Story& story = *stories_.back();
  if (name == "w:p") {
    EndParagraph();
  } else if (name == "w:r" || name == "m:r") {
    in_run_ = false;
    run_hidden_ = false;
    run_format_ = 0;
    Out().SetRunFormat(0);
  } else if (name == "w:hyperlink") {
    if (!hyperlinks_.empty() && hyperlinks_.back().first == depth) {
      if (hyperlinks_.back().second) Out().EndLink();
      hyperlinks_.pop_back();
    }
  } else if (name == "w:t" || name == "m:t") {
    in_text_ = false;
  } else if (name == "w:tc") {
    if (!story.cell_depths.empty()) story.cell_depths.pop_back();
    story.merged_cell_depth = -1;
    if (story.blocks && story.table_depth == 1) {
      Out().EndCell();
    } else {
      Out().CellSeparator();  // a nested table's cells stay in the outer cell
    }
  } else if (name == "w:tr") {
    if (story.blocks && story.table_depth == 1) {
      Out().EndRow();
    } else {
      Out().RowSeparator();
    }
  } else if (name == "w:tbl") {
    if (story.table_depth > 0) --story.table_depth;
  } else if (name == "w:txbxContent") {
    EndTextBox();
  } else if (name == "mc:AlternateContent") {
    if (!alternates_.empty() && alternates_.back().first == depth) alternates_.pop_back();
  } else if ((name == "w:footnote" || name == "w:endnote") && stories_.size() > 1) {
    NoteText& note = notes_[note_];
    Out().EndRunFormat();
    note.rtf = std::move(Out().MutableRtf());
    note.has_text = Out().AnyText();
    stories_.pop_back();
  }
}

void BodyWalker::Text(std::string_view utf8) {
  if (!in_text_ || skip_depth_ > 0 || !TextVisible()) return;
  RtfWriter& out = Out();
  out.SetRunFormat(run_format_);
  std::size_t position = 0;
  while (position < utf8.size()) {
    const char32_t character = NextUtf8(utf8, position);
    if (character == '\t') {
      out.Tab();
    } else if (character == '\r' || character == '\n') {
      out.Character(' ');
    } else if (IsSymbolPrivateUse(character)) {
      out.Character(MapSymbolCharacter(run_font_, character));
    } else {
      out.Character(character);
    }
  }
}

std::string BodyWalker::TakeRtf() {
  stories_.front()->writer.EndRunFormat();
  return std::move(stories_.front()->writer.MutableRtf());
}

}  // namespace corvane::docx
