#include "readers/revenge/spreadsheet_document.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "readers/revenge/properties.h"

namespace corvane::revenge {
namespace {

// Columns past this are beyond every format these libraries read (the
// widest has 256): a cell claiming one is taken as the next column.
constexpr long kMaxColumn = 1 << 14;

}  // namespace

SpreadsheetDocument::SpreadsheetDocument(const readers::AnsiEncoder& encoder, OutputBudget& budget)
    : encoder_(encoder), budget_(budget), writer_(encoder) {}

void SpreadsheetDocument::setDocumentMetaData(const librevenge::RVNGPropertyList& properties) {
  title_ = Text(properties, "dc:title");
}

void SpreadsheetDocument::defineSheetNumberingStyle(
    const librevenge::RVNGPropertyList& properties) {
  formats_.insert_or_assign(Text(properties, "librevenge:name"), ReadNumberFormat(properties));
}

void SpreadsheetDocument::openSheet(const librevenge::RVNGPropertyList& properties) {
  ++sheets_;
  std::string name = Text(properties, "librevenge:sheet-name");
  if (name.empty()) name = Text(properties, "librevenge:name");
  if (name.empty()) name = "Sheet" + std::to_string(sheets_);
  writer_.Text(name);
  writer_.EndParagraph();
  budget_.Check(writer_.Rtf().size());
}

void SpreadsheetDocument::openSheetRow(const librevenge::RVNGPropertyList&) {
  row_.clear();
  row_bytes_ = 0;
  next_column_ = 0;
}

void SpreadsheetDocument::openSheetCell(const librevenge::RVNGPropertyList& properties) {
  in_cell_ = true;
  long column = Integer(properties, "librevenge:column", -1);
  if (column < next_column_ || column > kMaxColumn) column = next_column_;
  // Spans are clamped too: the empty cells before a column are written one
  // by one, and a long is 32 bits on Windows.
  const long span =
      std::clamp<long>(Integer(properties, "table:number-columns-spanned", 1), 1, kMaxColumn);
  next_column_ = std::min(column + span, kMaxColumn);
  const auto format = formats_.find(Text(properties, "librevenge:numbering-name"));
  row_.push_back({column,
                  CellValueText(properties, format == formats_.end() ? nullptr : &format->second),
                  {}});
  row_bytes_ += row_.back().value.size();
}

void SpreadsheetDocument::closeSheetCell() {
  in_cell_ = false;
  if (row_.empty()) return;
  // A formula's text result comes as text after its value (a NaN).
  Cell& cell = row_.back();
  if (cell.lines.empty() && !cell.value.empty()) cell.lines.push_back(std::move(cell.value));
  // A cell with nothing in it takes no place: the row ends at its last value.
  if (cell.lines.empty()) row_.pop_back();
}

void SpreadsheetDocument::CellText(std::string_view utf8) {
  if (!InCell() || row_.empty() || utf8.empty()) return;
  std::vector<std::string>& lines = row_.back().lines;
  if (lines.empty()) lines.emplace_back();
  lines.back() += utf8;
  row_bytes_ += utf8.size();
  budget_.Check(writer_.Rtf().size() + row_bytes_);
}

void SpreadsheetDocument::insertText(const librevenge::RVNGString& text) {
  CellText(std::string_view(text.cstr(), text.size()));
}

void SpreadsheetDocument::CellBreak() {
  if (!InCell() || row_.empty() || row_.back().lines.empty()) return;
  row_.back().lines.emplace_back();
}

void SpreadsheetDocument::closeSheetRow() {
  if (!row_.empty()) WriteRow();
  row_.clear();
  row_bytes_ = 0;
}

void SpreadsheetDocument::WriteRow() {
  long column = 0;
  for (const Cell& cell : row_) {
    for (; column < cell.column; ++column) writer_.EndCell();
    bool first = true;
    for (const std::string& line : cell.lines) {
      if (!first) writer_.LineBreak();
      first = false;
      std::size_t start = 0;
      for (std::size_t tab = line.find('\t'); tab != std::string::npos;
           start = tab + 1, tab = line.find('\t', start)) {
        writer_.Text(std::string_view(line).substr(start, tab - start));
        writer_.Tab();
      }
      writer_.Text(std::string_view(line).substr(start));
    }
    writer_.EndCell();
    ++column;
    budget_.Check(writer_.Rtf().size());
  }
  writer_.EndRow();
}

std::string SpreadsheetDocument::TakeRtf() {
  std::string rtf = readers::RtfDocumentStart(title_, encoder_);
  rtf += writer_.Rtf();
  rtf += "}";
  return rtf;
}

}  // namespace corvane::revenge
