#include "readers/xls/workbook.h"

#include "readers/xls/cell_format.h"

namespace corvane::xls {

bool Workbook::Apply(const Record& record, RecordCursor& cursor) {
  switch (record.type) {
    case record::kFilePass: encrypted_ = true; return true;
    case record::kCodePage: strings_.SetCodePage(U16(record.data, 0)); return true;
    case record::kDateMode: date1904_ = U16(record.data, 0) == 1; return true;
    case record::kFormat2:
    case record::kFormat: ReadFormat(record); return true;
    case record::kXf3:
    case record::kXf4:
      // BIFF3-4: the font and the format are one byte each.
      xf_formats_.push_back(static_cast<std::uint8_t>(record.data.size() > 1 ? record.data[1] : 0));
      return true;
    case record::kXf: xf_formats_.push_back(U16(record.data, 2)); return true;
    case record::kBoundSheet: ReadBoundSheet(record); return true;
    case record::kSst:
      if (version_ == BiffVersion::k8) {
        std::vector<std::string_view> segments{record.data};
        cursor.TakeContinues(segments);
        shared_strings_ = ReadSharedStrings(std::move(segments));
      }
      return true;
    default: return false;
  }
}

void Workbook::ReadFormat(const Record& record) {
  // BIFF2-3 FORMAT records hold the string alone; BIFF4 puts two bytes
  // before it, which BIFF5 on use for the format's id. Before BIFF5 a
  // format is known by its place among the FORMAT records.
  const bool has_id = record.type == record::kFormat;
  const std::uint16_t id =
      has_id && version_ >= BiffVersion::k5 ? U16(record.data, 0) : formats_read_;
  ++formats_read_;
  SegmentReader reader(
      {record.data.substr(has_id ? std::min<std::size_t>(2, record.data.size()) : 0)});
  std::string format;
  const bool read = version_ == BiffVersion::k8 ? ReadUnicodeString(reader, true, format)
                                                : ReadByteString(reader, false, strings_, format);
  if (!read) return;
  if (format_kinds_.size() <= id) format_kinds_.resize(std::size_t{id} + 1, 0);
  format_kinds_[id] = IsDateFormatString(format) ? 2 : 1;
}

void Workbook::ReadBoundSheet(const Record& record) {
  if (version_ < BiffVersion::k5) return;
  SheetEntry sheet;
  sheet.offset = U32(record.data, 0);
  // The sheet type ([MS-XLS] 2.4.28 dt): 0 worksheet or dialog sheet.
  sheet.worksheet = record.data.size() > 5 && record.data[5] == 0;
  SegmentReader reader({record.data.substr(std::min<std::size_t>(6, record.data.size()))});
  if (version_ == BiffVersion::k8) {
    ReadUnicodeString(reader, false, sheet.name);
  } else {
    ReadByteString(reader, false, strings_, sheet.name);
  }
  sheets_.push_back(std::move(sheet));
}

bool Workbook::IsDateStyle(std::uint16_t style) const {
  std::uint16_t format = style;
  if (version_ != BiffVersion::k2) format = style < xf_formats_.size() ? xf_formats_[style] : 0;
  if (format < format_kinds_.size() && format_kinds_[format] != 0)
    return format_kinds_[format] == 2;
  return IsBuiltInDateFormat(format);
}

}  // namespace corvane::xls
