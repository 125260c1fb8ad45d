#include "readers/xls/sheet_writer.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "readers/xls/cell_format.h"

namespace corvane::xls {
namespace {

std::string CellText(const Cell& cell, const SheetCells& sheet, const Workbook& book) {
  switch (cell.kind) {
    case CellKind::kNumber:
      if (book.IsDateStyle(cell.style)) {
        std::string date = FormatDate(cell.number, book.Date1904());
        if (!date.empty()) return date;
      }
      return FormatNumber(cell.number);
    case CellKind::kSharedString:
      return cell.index < book.SharedStrings().size() ? book.SharedStrings()[cell.index] : "";
    case CellKind::kText: return cell.index < sheet.Texts().size() ? sheet.Texts()[cell.index] : "";
    case CellKind::kBoolean: return std::string(BooleanText(cell.index != 0));
    case CellKind::kError: return std::string(ErrorText(static_cast<std::uint8_t>(cell.index)));
  }
  return "";
}

// Tells, row by row in rising order, which cells a merged range covers
// other than its first: those read as empty. Each range is opened once,
// column by column, so the cost is the ranges' widths.
class MergeCover {
 public:
  explicit MergeCover(std::vector<MergedRange>& ranges) : ranges_(ranges) {
    std::sort(ranges_.begin(), ranges_.end(),
              [](const MergedRange& a, const MergedRange& b) { return a.first_row < b.first_row; });
    covered_until_.fill(-1);
  }

  void StartRow(std::uint16_t row) {
    anchors_.reset();
    for (; next_ < ranges_.size() && ranges_[next_].first_row <= row; ++next_) {
      const MergedRange& range = ranges_[next_];
      const int last_column = std::min<int>(range.last_column, kColumnCount - 1);
      for (int column = range.first_column; column <= last_column; ++column) {
        covered_until_[column] = std::max<int>(covered_until_[column], range.last_row);
      }
    }
    // The anchors on this row: ranges that start on it (found among the
    // opened ones, which a binary search bounds).
    const auto begin = std::lower_bound(
        ranges_.begin(), ranges_.begin() + static_cast<std::ptrdiff_t>(next_), row,
        [](const MergedRange& range, std::uint16_t value) { return range.first_row < value; });
    for (auto it = begin; it != ranges_.begin() + static_cast<std::ptrdiff_t>(next_); ++it) {
      anchors_.set(it->first_column);
    }
    row_ = row;
  }

  bool Hidden(std::uint16_t column) const {
    if (covered_until_[column] < row_) return false;
    return !anchors_.test(column);
  }

 private:
  std::vector<MergedRange>& ranges_;
  std::size_t next_ = 0;
  std::array<int, kColumnCount> covered_until_{};
  std::bitset<kColumnCount> anchors_;
  int row_ = 0;
};

}  // namespace

bool WriteSheet(std::string_view name, SheetCells& sheet, const Workbook& book,
                readers::RtfWriter& writer, std::size_t limit) {
  writer.Text(name);
  writer.EndParagraph();
  std::vector<Cell>& cells = sheet.Cells();
  std::sort(cells.begin(), cells.end(), [](const Cell& a, const Cell& b) {
    return std::tie(a.row, a.column, a.sequence) < std::tie(b.row, b.column, b.sequence);
  });
  MergeCover cover(sheet.Merges());
  std::vector<std::pair<std::uint16_t, std::string>> row_texts;
  for (std::size_t i = 0; i < cells.size();) {
    const std::uint16_t row = cells[i].row;
    cover.StartRow(row);
    row_texts.clear();
    for (; i < cells.size() && cells[i].row == row; ++i) {
      const bool last_for_cell = i + 1 == cells.size() || cells[i + 1].row != row ||
                                 cells[i + 1].column != cells[i].column;
      if (!last_for_cell || cover.Hidden(cells[i].column)) continue;
      std::string text = CellText(cells[i], sheet, book);
      if (!text.empty()) row_texts.emplace_back(cells[i].column, std::move(text));
    }
    if (row_texts.empty()) continue;
    std::uint16_t column = 0;
    for (const auto& [value_column, text] : row_texts) {
      for (; column < value_column; ++column) writer.EndCell();
      writer.Text(text);
      writer.EndCell();
      ++column;
    }
    writer.EndRow();
    if (writer.Rtf().size() > limit) return false;
  }
  return writer.Rtf().size() <= limit;
}

}  // namespace corvane::xls
