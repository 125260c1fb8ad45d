#include "readers/xls/sheet_cells.h"

#include <bit>

namespace corvane::xls {
namespace {

// BIFF2 cells carry 3 bytes of attributes where later ones have an XF
// index: the second byte holds the number format index in its low 6 bits.
constexpr std::size_t kBiff2Data = 7;
std::uint16_t Biff2Format(std::string_view data) {
  return data.size() > 5 ? static_cast<std::uint16_t>(data[5] & 0x3F) : 0;
}

}  // namespace

double RkValue(std::uint32_t rk) {
  double value = 0;
  if ((rk & 2) != 0) {
    value = static_cast<std::int32_t>(rk) >> 2;  // a 30-bit signed integer
  } else {
    value = std::bit_cast<double>(static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32);
  }
  return (rk & 1) != 0 ? value / 100 : value;
}

void SheetCells::Add(std::uint16_t row, std::uint16_t column, std::uint16_t style, CellKind kind,
                     std::uint32_t index, double number) {
  if (column >= kColumnCount) return;
  Cell cell;
  cell.row = row;
  cell.column = column;
  cell.kind = kind;
  cell.style = style;
  cell.index = index;
  cell.number = number;
  cell.sequence = static_cast<std::uint32_t>(cells_.size());
  cells_.push_back(cell);
}

void SheetCells::AddText(std::uint16_t row, std::uint16_t column, std::uint16_t style,
                         std::string text) {
  if (column >= kColumnCount) return;
  texts_.push_back(std::move(text));
  Add(row, column, style, CellKind::kText, static_cast<std::uint32_t>(texts_.size() - 1));
}

void SheetCells::AddFormulaResult(std::uint16_t row, std::uint16_t column, std::uint16_t style,
                                  std::string_view data, std::size_t at) {
  if (data.size() < at + 8) return;
  if (U16(data, at + 6) != 0xFFFF) {
    Add(row, column, style, CellKind::kNumber, 0, F64(data, at));
    return;
  }
  const auto detail = static_cast<std::uint8_t>(data[at + 2]);
  switch (data[at]) {
    case 0:  // a string, in the STRING record that follows
      AddText(row, column, style, "");
      string_pending_ = column < kColumnCount;
      break;
    case 1: Add(row, column, style, CellKind::kBoolean, detail != 0); break;
    case 2: Add(row, column, style, CellKind::kError, detail); break;
    default: break;  // 3: the empty string
  }
}

void SheetCells::Apply(const Record& record, RecordCursor& cursor, const Workbook& book) {
  const std::string_view data = record.data;
  const std::uint16_t row = U16(data, 0);
  const std::uint16_t column = U16(data, 2);
  const std::uint16_t style = U16(data, 4);
  const bool biff2 = book.Version() == BiffVersion::k2;
  if (record.type == record::kString || record.type == record::kString2) {
    ReadString(record, cursor, book);
    return;
  }
  // Other records may stand between a formula and its STRING (shared
  // formulas, arrays), but no other cell.
  const bool pending = string_pending_;
  string_pending_ = false;
  switch (record.type) {
    case record::kNumber:
      if (data.size() >= 14) Add(row, column, style, CellKind::kNumber, 0, F64(data, 6));
      break;
    case record::kNumber2:
      if (data.size() >= 15)
        Add(row, column, Biff2Format(data), CellKind::kNumber, 0, F64(data, 7));
      break;
    case record::kInteger2:
      if (data.size() >= 9) Add(row, column, Biff2Format(data), CellKind::kNumber, 0, U16(data, 7));
      break;
    case record::kRk:
      if (data.size() >= 10) Add(row, column, style, CellKind::kNumber, 0, RkValue(U32(data, 6)));
      break;
    case record::kMulRk: ReadMulRk(record); break;
    case record::kLabel:
    case record::kRString:
    case record::kLabel2: ReadLabel(record, cursor, book); break;
    case record::kLabelSst:
      if (data.size() >= 10) Add(row, column, style, CellKind::kSharedString, U32(data, 6));
      break;
    case record::kBoolErr:
    case record::kBoolErr2: {
      const std::size_t at = record.type == record::kBoolErr2 ? kBiff2Data : 6;
      if (data.size() < at + 2) break;
      const std::uint16_t cell_style = record.type == record::kBoolErr2 ? Biff2Format(data) : style;
      const auto value = static_cast<std::uint8_t>(data[at]);
      if (data[at + 1] != 0) {
        Add(row, column, cell_style, CellKind::kError, value);
      } else {
        Add(row, column, cell_style, CellKind::kBoolean, value != 0);
      }
      break;
    }
    case record::kFormula:  // also BIFF2's FORMULA, whose attributes are 3 bytes
      if (biff2) {
        AddFormulaResult(row, column, Biff2Format(data), data, kBiff2Data);
      } else {
        AddFormulaResult(row, column, style, data, 6);
      }
      break;
    case record::kFormula3:
    case record::kFormula4: AddFormulaResult(row, column, style, data, 6); break;
    case record::kMergedCells: ReadMergedCells(record); break;
    default: string_pending_ = pending; break;
  }
}

void SheetCells::ReadLabel(const Record& record, RecordCursor& cursor, const Workbook& book) {
  std::vector<std::string_view> segments;
  const std::string_view data = record.data;
  const bool biff2_label = record.type == record::kLabel2;
  const std::size_t start = biff2_label ? kBiff2Data : 6;
  if (data.size() < start) return;
  segments.push_back(data.substr(start));
  cursor.TakeContinues(segments);
  SegmentReader reader(std::move(segments));
  std::string text;
  if (book.Version() == BiffVersion::k8) {
    if (!ReadUnicodeString(reader, true, text)) return;
  } else if (!ReadByteString(reader, !biff2_label, book.Strings(), text)) {
    return;
  }
  AddText(U16(data, 0), U16(data, 2), biff2_label ? Biff2Format(data) : U16(data, 4),
          std::move(text));
}

void SheetCells::ReadString(const Record& record, RecordCursor& cursor, const Workbook& book) {
  if (!string_pending_) return;
  string_pending_ = false;
  std::vector<std::string_view> segments{record.data};
  cursor.TakeContinues(segments);
  SegmentReader reader(std::move(segments));
  std::string text;
  const bool read =
      book.Version() == BiffVersion::k8
          ? ReadUnicodeString(reader, true, text)
          : ReadByteString(reader, record.type == record::kString, book.Strings(), text);
  if (read) texts_.back() = std::move(text);
}

void SheetCells::ReadMulRk(const Record& record) {
  // Row, first column, then 6 bytes (XF, RK) per cell, then the last column.
  const std::string_view data = record.data;
  if (data.size() < 6) return;
  const std::size_t count = (data.size() - 6) / 6;
  const std::uint16_t row = U16(data, 0);
  const std::uint16_t first = U16(data, 2);
  for (std::size_t i = 0; i < count && first + i < kColumnCount; ++i) {
    Add(row, static_cast<std::uint16_t>(first + i), U16(data, 4 + 6 * i), CellKind::kNumber, 0,
        RkValue(U32(data, 6 + 6 * i)));
  }
}

void SheetCells::ReadMergedCells(const Record& record) {
  const std::string_view data = record.data;
  const std::size_t count = std::min<std::size_t>(
      U16(data, 0), (data.size() - std::min<std::size_t>(2, data.size())) / 8);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = 2 + 8 * i;
    MergedRange range{U16(data, at), U16(data, at + 2), U16(data, at + 4), U16(data, at + 6)};
    if (range.first_row <= range.last_row && range.first_column <= range.last_column &&
        range.first_column < kColumnCount) {
      merges_.push_back(range);
    }
  }
}

}  // namespace corvane::xls
