// A text document as the import libraries tell it, written as RTF the way
// our other readers write it: paragraphs, runs, links, lists as items with
// markers, tables as rows of cells, text boxes after their paragraph, and
// notes after the body as a numbered list with [n] where they were.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include <librevenge/librevenge.h>

#include "readers/revenge/output_budget.h"
#include "readers/revenge/quiet_interface.h"
#include "readers/rtf_writer.h"

namespace corvane::revenge {

class TextDocument final : public QuietInterface<librevenge::RVNGTextInterface> {
 public:
  TextDocument(const readers::AnsiEncoder& encoder, OutputBudget& budget);
  ~TextDocument() override;

  // The whole document: header, body, then the notes.
  std::string TakeRtf();
  bool AnyText() const;

  void setDocumentMetaData(const librevenge::RVNGPropertyList& properties) override;
  // Headers, footers and comments are not part of the text a reader reads
  // through: they are dropped.
  void openHeader(const librevenge::RVNGPropertyList&) override { OpenDroppedStory(); }
  void closeHeader() override { CloseStory(); }
  void openFooter(const librevenge::RVNGPropertyList&) override { OpenDroppedStory(); }
  void closeFooter() override { CloseStory(); }
  void openComment(const librevenge::RVNGPropertyList&) override { OpenDroppedStory(); }
  void closeComment() override { CloseStory(); }

  void openParagraph(const librevenge::RVNGPropertyList& properties) override;
  void closeParagraph() override { EndBlock(); }
  void openSpan(const librevenge::RVNGPropertyList& properties) override;
  void closeSpan() override;
  void openLink(const librevenge::RVNGPropertyList& properties) override;
  void closeLink() override;

  void insertTab() override;
  void insertSpace() override;
  void insertText(const librevenge::RVNGString& text) override;
  void insertLineBreak() override;

  void openOrderedListLevel(const librevenge::RVNGPropertyList&) override {
    lists_.push_back(true);
  }
  void openUnorderedListLevel(const librevenge::RVNGPropertyList&) override {
    lists_.push_back(false);
  }
  void closeOrderedListLevel() override { CloseListLevel(); }
  void closeUnorderedListLevel() override { CloseListLevel(); }
  void openListElement(const librevenge::RVNGPropertyList& properties) override;
  void closeListElement() override { EndBlock(); }

  void openFootnote(const librevenge::RVNGPropertyList&) override { OpenNote(); }
  void closeFootnote() override { CloseNote(); }
  void openEndnote(const librevenge::RVNGPropertyList&) override { OpenNote(); }
  void closeEndnote() override { CloseNote(); }
  void openTextBox(const librevenge::RVNGPropertyList&) override;
  void closeTextBox() override;

  void openTable(const librevenge::RVNGPropertyList&) override;
  void openTableRow(const librevenge::RVNGPropertyList&) override {}
  void closeTableRow() override;
  void openTableCell(const librevenge::RVNGPropertyList&) override {}
  void closeTableCell() override;
  void insertCoveredTableCell(const librevenge::RVNGPropertyList&) override {}
  void closeTable() override;

  // A frame's text comes through openTextBox.
  void openFrame(const librevenge::RVNGPropertyList&) override {}
  void closeFrame() override {}

 private:
  struct Story;

  Story& Current() { return *stories_.back(); }
  readers::RtfWriter& Out();
  bool Writing() const;
  void OpenDroppedStory();
  void OpenNote();
  void CloseNote();
  void CloseStory();
  void CloseListLevel();
  void EndBlock();
  void Charge();

  const readers::AnsiEncoder& encoder_;
  OutputBudget& budget_;
  std::vector<std::unique_ptr<Story>> stories_;  // the body first
  std::vector<bool> lists_;                      // open list levels: ordered or not
  std::vector<std::string> notes_;               // in the order they were met, numbered from 1
  std::vector<bool> notes_have_text_;
  std::size_t notes_bytes_ = 0;
  std::string title_;
  bool hidden_ = false;  // the open span is hidden text
};

}  // namespace corvane::revenge
