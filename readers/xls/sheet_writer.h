// Writes one sheet as the reader shows it: its name as a paragraph, then
// each row that holds a value as a table row, up to its last value.
#pragma once

#include <cstddef>
#include <string_view>

#include "readers/rtf_writer.h"
#include "readers/xls/sheet_cells.h"
#include "readers/xls/workbook.h"

namespace corvane::xls {

// Sorts the sheet's cells (the one sort of the reader) and writes them.
// False as soon as the RTF grows past `limit` bytes.
bool WriteSheet(std::string_view name, SheetCells& sheet, const Workbook& book,
                readers::RtfWriter& writer, std::size_t limit);

}  // namespace corvane::xls
