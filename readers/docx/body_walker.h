// Walks a story part (the main document, footnotes, endnotes) and writes
// its text as RTF: which elements carry text, which hide it, and how
// paragraphs, lists, tables, text boxes and fields come out.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "readers/docx/list_styles.h"
#include "readers/docx/xml_reader.h"
#include "readers/rtf_writer.h"

namespace corvane::docx {

using readers::NextUtf8;
using readers::RtfTitleText;
using readers::RtfWriter;

// A footnote's or endnote's text, written inline (paragraphs as line breaks).
struct NoteText {
  std::string rtf;
  bool has_text = false;
};
using NoteKey = std::pair<bool, long>;  // endnote?, id
using NoteTexts = std::map<NoteKey, NoteText>;

class BodyWalker : public XmlHandler {
 public:
  enum class Part { kDocument, kFootnotes, kEndnotes };

  BodyWalker(Part part, const ListStyles& lists, const AnsiEncoder& encoder);
  ~BodyWalker() override;

  void StartElement(const XmlElement& element) override;
  void EndElement(std::string_view name) override;
  void Text(std::string_view utf8) override;

  // The document's RTF body (kDocument).
  std::string TakeRtf();
  // The notes read (kFootnotes, kEndnotes).
  NoteTexts& Notes() { return notes_; }
  // The notes the document refers to, in the order of their references.
  const std::vector<NoteKey>& References() const { return references_; }

 private:
  struct Story;
  struct Paragraph;

  bool HandleParagraphProperties(const XmlElement& element);
  bool HandleRunContent(const XmlElement& element);
  void StartParagraph();
  void EnsureParagraphStarted();
  void EndParagraph();
  void StartStory(bool blocks);
  void EndTextBox();
  // Drops the element just started, with all it holds.
  void Skip() {
    skip_depth_ = 1;
    --depth_;
  }
  bool TextVisible() const { return !run_hidden_ && hiding_fields_ == 0; }
  bool AtTopLevel() const;
  void Break(bool page);
  RtfWriter& Out();

  Part part_;
  const ListStyles& lists_;
  const AnsiEncoder& encoder_;
  std::vector<std::unique_ptr<Story>> stories_;
  std::vector<Paragraph> paragraphs_;
  std::vector<std::pair<int, bool>> alternates_;  // depth, a branch was taken
  std::vector<bool> fields_;                      // open fields: past "separate"?
  int hiding_fields_ = 0;
  int depth_ = 0;
  int skip_depth_ = 0;
  int properties_depth_ = 0;  // inside w:pPr, counted
  int run_properties_depth_ = 0;
  bool in_run_ = false;
  bool run_hidden_ = false;
  std::string run_font_;
  bool in_text_ = false;
  bool joins_next_ = false;  // the last paragraph's mark was deleted
  NoteTexts notes_;
  NoteKey note_;
  std::vector<NoteKey> references_;
};

}  // namespace corvane::docx
