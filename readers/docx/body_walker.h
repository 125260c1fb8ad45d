// Walks a story part (the main document, footnotes, endnotes) and writes
// its text as RTF: which elements carry text, which hide it, and how
// paragraphs, lists, tables, text boxes and fields come out.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "readers/docx/list_styles.h"
#include "readers/docx/package_parts.h"
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

  // The part's relationships, where its links lead; kept by reference.
  void SetRelationships(const std::vector<Relationship>& relationships) {
    relationships_ = &relationships;
  }

  // The document's RTF body (kDocument).
  std::string TakeRtf();
  // The notes read (kFootnotes, kEndnotes).
  NoteTexts& Notes() { return notes_; }
  // The notes the document refers to, each once, in the order of their
  // first references.
  const std::vector<NoteKey>& References() const { return references_; }
  // The part's root element was w:document: it is a document body.
  bool IsDocumentBody() const { return document_root_; }

 private:
  struct Story;
  struct Paragraph;

  bool HandleParagraphProperties(const XmlElement& element);
  bool HandleRunContent(const XmlElement& element);
  void HandleRunProperty(const XmlElement& element);
  void StartHyperlink(const XmlElement& element);
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
  bool TextVisible() const { return !run_hidden_; }
  void HandleFieldCharacter(std::string_view type);
  // A field leaves its instruction; drop removes what was written in it.
  void LeaveInstruction(bool drop);
  bool AtTopLevel() const;
  void Break(bool page);
  RtfWriter& Out();

  Part part_;
  const ListStyles& lists_;
  const AnsiEncoder& encoder_;
  std::vector<std::unique_ptr<Story>> stories_;
  std::vector<Paragraph> paragraphs_;
  std::vector<std::pair<int, bool>> alternates_;  // depth, a branch was taken
  // Instructions are written like text and dropped when their field
  // separates or ends, so a field that never does keeps what follows it.
  struct Field {
    bool separated = false;
    std::uint64_t paragraph = 0;  // serial of the paragraph it began in
  };
  struct InstructionStart {
    std::uint64_t story = 0;
    RtfWriter::Mark mark;
    std::size_t boxes = 0;
  };
  std::vector<Field> fields_;
  int hiding_fields_ = 0;  // fields in their instruction
  std::optional<InstructionStart> instruction_start_;
  std::uint64_t paragraph_serial_ = 0;
  std::uint64_t story_serial_ = 0;
  bool document_root_ = false;
  int depth_ = 0;
  int skip_depth_ = 0;
  int properties_depth_ = 0;  // inside w:pPr, counted
  int run_properties_depth_ = 0;
  bool in_run_ = false;
  bool run_hidden_ = false;
  unsigned run_format_ = 0;  // readers::RunFormat bits
  const std::vector<Relationship>* relationships_ = nullptr;
  std::vector<std::pair<int, bool>> hyperlinks_;  // depth, a link was begun
  std::string run_font_;
  bool in_text_ = false;
  bool joins_next_ = false;  // the last paragraph's mark was deleted
  NoteTexts notes_;
  NoteKey note_;
  std::vector<NoteKey> references_;
  std::map<NoteKey, std::size_t> note_numbers_;  // as the references show them
};

}  // namespace corvane::docx
