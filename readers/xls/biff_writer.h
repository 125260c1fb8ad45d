// Test support: BIFF records, BIFF8 and BIFF5 workbook streams, and whole
// .xls files built in memory, so that the reader's tests need no binary
// fixtures. Never linked into the product.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::xls::fixtures {

void Append16(std::string& out, std::uint32_t value);
void Append32(std::string& out, std::uint32_t value);
void AppendDouble(std::string& out, double value);

// One record: type, length, body.
std::string Record(std::uint16_t type, std::string_view body);

// BIFF8 strings: an XLUnicodeString (16-bit count) of Latin-1 text stored
// compressed, and the same uncompressed from UTF-16.
std::string CompressedString(std::string_view latin1);
std::string WideString(std::u16string_view text);

// Cell records, BIFF5 and BIFF8 alike unless named otherwise.
std::string NumberCell(std::uint16_t row, std::uint16_t column, double value, std::uint16_t xf = 0);
std::string RkCell(std::uint16_t row, std::uint16_t column, std::uint32_t rk, std::uint16_t xf = 0);
std::string LabelSstCell(std::uint16_t row, std::uint16_t column, std::uint32_t index);
std::string Biff8LabelCell(std::uint16_t row, std::uint16_t column, std::string_view latin1);
std::string Biff5LabelCell(std::uint16_t row, std::uint16_t column, std::string_view bytes);
std::string BoolErrCell(std::uint16_t row, std::uint16_t column, std::uint8_t value, bool error);
// A FORMULA record with an 8-byte cached result and a one-token formula.
std::string FormulaCell(std::uint16_t row, std::uint16_t column, std::string_view result);
std::string FormulaNumber(double value);
std::string FormulaSpecial(std::uint8_t type, std::uint8_t value);  // 0 string, 1 bool, 2 error

// An SST record with CONTINUE records after it: `parts` are the bodies,
// the first starting with the two counts; see Sst for the common case.
std::string SstRecords(const std::vector<std::string>& parts);
// One SST record of compressed strings with the given counts.
std::string Sst(const std::vector<std::string>& latin1, std::uint32_t unique_count);

// An XF record whose number format is `format_id`, and a FORMAT record.
std::string Biff8Xf(std::uint16_t format_id);
std::string Biff8Format(std::uint16_t format_id, std::string_view latin1);

struct Sheet {
  std::string name;
  std::string records;    // between its BOF and EOF
  std::uint8_t type = 0;  // BOUNDSHEET dt: 0 worksheet, 2 chart, 6 VBA module
};

// A Workbook stream: BOF, `globals`, one BOUNDSHEET per sheet, EOF, then
// each sheet's BOF, records and EOF. Biff5Stream names sheets in 8 bits.
std::string Biff8Stream(std::string_view globals, const std::vector<Sheet>& sheets);
std::string Biff5Stream(std::string_view globals, const std::vector<Sheet>& sheets);

// A compound file holding the stream as "Workbook" (or `stream_name`), and
// a summary with `title` when it is not empty.
std::string WorkbookFile(const std::string& stream, std::string_view title = "",
                         std::string_view stream_name = "Workbook");

}  // namespace corvane::xls::fixtures
