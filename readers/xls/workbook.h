// What the workbook globals say that the cells need: the BIFF version, the
// date system, the code page of 8-bit strings, which XF styles show dates,
// the shared strings and the sheets. BIFF2-4 worksheets hold these records
// in their one stream, ahead of the cells.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "readers/xls/biff_records.h"
#include "readers/xls/biff_strings.h"

namespace corvane::xls {

enum class BiffVersion { k2, k3, k4, k5, k8 };

struct SheetEntry {
  std::string name;
  std::uint32_t offset = 0;  // of its BOF record in the stream
  bool worksheet = true;     // false for chart, macro and VBA module sheets
};

class Workbook {
 public:
  Workbook(BiffVersion version, const CodePageDecoder& decoder)
      : version_(version), strings_(decoder) {}

  // Applies a workbook-level record (CONTINUE records after it are taken
  // from the cursor); false when the record is not one.
  bool Apply(const Record& record, RecordCursor& cursor);

  BiffVersion Version() const { return version_; }
  bool Encrypted() const { return encrypted_; }
  bool Date1904() const { return date1904_; }
  const ByteStringDecoder& Strings() const { return strings_; }
  const std::vector<std::string>& SharedStrings() const { return shared_strings_; }
  const std::vector<SheetEntry>& Sheets() const { return sheets_; }

  // A cell's style is its XF index (BIFF3 on) or, in BIFF2, the number
  // format index from its attributes.
  bool IsDateStyle(std::uint16_t style) const;

 private:
  void ReadFormat(const Record& record);
  void ReadBoundSheet(const Record& record);

  BiffVersion version_;
  ByteStringDecoder strings_;
  bool encrypted_ = false;
  bool date1904_ = false;
  std::vector<std::uint16_t> xf_formats_;  // number format of each XF
  // By format id (BIFF5 on) or by the FORMAT record's place (BIFF2-4):
  // 0 not defined here, 1 not a date, 2 a date.
  std::vector<std::uint8_t> format_kinds_;
  std::uint16_t formats_read_ = 0;
  std::vector<std::string> shared_strings_;
  std::vector<SheetEntry> sheets_;
};

}  // namespace corvane::xls
