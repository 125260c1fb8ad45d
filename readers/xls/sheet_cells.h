// The cells of one sheet as its records give them, in record order: values
// only, no grid, so a sparse sheet costs what its cells cost.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "readers/xls/biff_records.h"
#include "readers/xls/workbook.h"

namespace corvane::xls {

enum class CellKind : std::uint8_t { kNumber, kSharedString, kText, kBoolean, kError };

struct Cell {
  std::uint16_t row = 0;
  std::uint16_t column = 0;
  CellKind kind = CellKind::kNumber;
  std::uint16_t style = 0;     // see Workbook::IsDateStyle
  std::uint32_t index = 0;     // shared string, text, boolean or error code
  std::uint32_t sequence = 0;  // record order: a later record for the same cell wins
  double number = 0;
};

struct MergedRange {
  std::uint16_t first_row = 0, last_row = 0, first_column = 0, last_column = 0;
};

// Columns past the last a BIFF sheet has (IV) are ignored.
inline constexpr std::uint16_t kColumnCount = 256;

class SheetCells {
 public:
  // Applies a cell record (CONTINUE records after it are taken from the
  // cursor); records of other kinds are ignored.
  void Apply(const Record& record, RecordCursor& cursor, const Workbook& book);

  std::vector<Cell>& Cells() { return cells_; }
  const std::vector<std::string>& Texts() const { return texts_; }
  std::vector<MergedRange>& Merges() { return merges_; }

 private:
  void Add(std::uint16_t row, std::uint16_t column, std::uint16_t style, CellKind kind,
           std::uint32_t index, double number = 0);
  void AddText(std::uint16_t row, std::uint16_t column, std::uint16_t style, std::string text);
  // A FORMULA record's cached result, 8 bytes at `at`.
  void AddFormulaResult(std::uint16_t row, std::uint16_t column, std::uint16_t style,
                        std::string_view data, std::size_t at);
  void ReadLabel(const Record& record, RecordCursor& cursor, const Workbook& book);
  void ReadString(const Record& record, RecordCursor& cursor, const Workbook& book);
  void ReadMulRk(const Record& record);
  void ReadMergedCells(const Record& record);

  std::vector<Cell> cells_;
  std::vector<std::string> texts_;
  std::vector<MergedRange> merges_;
  // The text a string-valued formula waits for from the STRING record after it.
  bool string_pending_ = false;
};

// The value an RK number holds ([MS-XLS] 2.5.218).
double RkValue(std::uint32_t rk);

}  // namespace corvane::xls
