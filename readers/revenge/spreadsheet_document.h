// A spreadsheet as the import libraries tell it, written as RTF: each
// sheet's name as a paragraph, then each row that holds a value as a table
// row, up to its last value, cells as the sheet shows them.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <librevenge/librevenge.h>

#include "readers/revenge/cell_text.h"
#include "readers/revenge/output_budget.h"
#include "readers/revenge/quiet_interface.h"
#include "readers/rtf_writer.h"

namespace corvane::revenge {

class SpreadsheetDocument final : public QuietInterface<librevenge::RVNGSpreadsheetInterface> {
 public:
  SpreadsheetDocument(const readers::AnsiEncoder& encoder, OutputBudget& budget);

  std::string TakeRtf();
  bool AnyText() const { return writer_.AnyText(); }

  void setDocumentMetaData(const librevenge::RVNGPropertyList& properties) override;
  // Text outside the cells (headers, footers, comments, charts, frames) is
  // not the sheet's: dropped.
  void openHeader(const librevenge::RVNGPropertyList&) override { ++outside_cells_; }
  void closeHeader() override { LeaveOutside(); }
  void openFooter(const librevenge::RVNGPropertyList&) override { ++outside_cells_; }
  void closeFooter() override { LeaveOutside(); }

  void defineSheetNumberingStyle(const librevenge::RVNGPropertyList& properties) override;
  void openSheet(const librevenge::RVNGPropertyList& properties) override;
  void closeSheet() override {}
  void openSheetRow(const librevenge::RVNGPropertyList&) override;
  void closeSheetRow() override;
  void openSheetCell(const librevenge::RVNGPropertyList& properties) override;
  void closeSheetCell() override;

  void defineChartStyle(const librevenge::RVNGPropertyList&) override {}
  void openChart(const librevenge::RVNGPropertyList&) override { ++outside_cells_; }
  void closeChart() override { LeaveOutside(); }
  void openChartTextObject(const librevenge::RVNGPropertyList&) override {}
  void closeChartTextObject() override {}
  void openChartPlotArea(const librevenge::RVNGPropertyList&) override {}
  void closeChartPlotArea() override {}
  void insertChartAxis(const librevenge::RVNGPropertyList&) override {}
  void openChartSerie(const librevenge::RVNGPropertyList&) override {}
  void closeChartSerie() override {}

  void openParagraph(const librevenge::RVNGPropertyList&) override {}
  void closeParagraph() override { CellBreak(); }
  void openSpan(const librevenge::RVNGPropertyList&) override {}
  void closeSpan() override {}
  void openLink(const librevenge::RVNGPropertyList&) override {}
  void closeLink() override {}
  void insertTab() override { CellText("\t"); }
  void insertSpace() override { CellText(" "); }
  void insertText(const librevenge::RVNGString& text) override;
  void insertLineBreak() override { CellBreak(); }
  void openOrderedListLevel(const librevenge::RVNGPropertyList&) override {}
  void openUnorderedListLevel(const librevenge::RVNGPropertyList&) override {}
  void closeOrderedListLevel() override {}
  void closeUnorderedListLevel() override {}
  void openListElement(const librevenge::RVNGPropertyList&) override {}
  void closeListElement() override { CellBreak(); }
  void openFootnote(const librevenge::RVNGPropertyList&) override { ++outside_cells_; }
  void closeFootnote() override { LeaveOutside(); }
  void openComment(const librevenge::RVNGPropertyList&) override { ++outside_cells_; }
  void closeComment() override { LeaveOutside(); }
  void openFrame(const librevenge::RVNGPropertyList&) override { ++outside_cells_; }
  void closeFrame() override { LeaveOutside(); }
  void openTextBox(const librevenge::RVNGPropertyList&) override {}
  void closeTextBox() override {}
  void openTable(const librevenge::RVNGPropertyList&) override {}
  void openTableRow(const librevenge::RVNGPropertyList&) override {}
  void closeTableRow() override {}
  void openTableCell(const librevenge::RVNGPropertyList&) override {}
  void closeTableCell() override {}
  void insertCoveredTableCell(const librevenge::RVNGPropertyList&) override {}
  void closeTable() override {}

 private:
  // A cell's text as its lines; the row is written when it closes, so that
  // the columns before a cell can be filled in.
  struct Cell {
    long column = 0;
    std::string value;  // shown when the cell has no text of its own
    std::vector<std::string> lines;
  };

  bool InCell() const { return in_cell_ && outside_cells_ == 0; }
  void LeaveOutside() {
    if (outside_cells_ > 0) --outside_cells_;
  }
  void CellText(std::string_view utf8);
  void CellBreak();
  void WriteRow();

  const readers::AnsiEncoder& encoder_;
  OutputBudget& budget_;
  readers::RtfWriter writer_;
  std::map<std::string, NumberFormat, std::less<>> formats_;
  std::vector<Cell> row_;
  std::size_t row_bytes_ = 0;
  long next_column_ = 0;
  bool in_cell_ = false;
  int outside_cells_ = 0;
  int sheets_ = 0;
  std::string title_;
};

}  // namespace corvane::revenge
