// How a cell's value reads as text: numbers in their shortest exact form,
// dates and times in ISO form when the cell's number format shows a date,
// and the boolean and error values as Excel spells them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::xls {

// The shortest text that reads back as the same double ("1.1", "100",
// "1e+20"); "#NUM!" for a NaN or an infinity, which no cell can hold.
std::string FormatNumber(double value);

// A date serial as "2024-03-01", "2024-03-01 13:45:00" or "13:45:00"
// (below one day), counted from 1900-01-00 (with its phantom 1900-02-29) or
// from 1904-01-01. "" when the serial is before the epoch or after 9999.
std::string FormatDate(double serial, bool date1904);

// Built-in number formats 14-22 and 45-47 show dates or times.
bool IsBuiltInDateFormat(std::uint16_t format_id);
// A format string shows a date or time when it holds d, m, y, h or s outside
// quoted text, [brackets] and escaped characters. The string is UTF-8.
bool IsDateFormatString(std::string_view format);

// "TRUE"/"FALSE".
std::string_view BooleanText(bool value);
// An error code ([MS-XLS] 2.5.15 BErr) as a cell shows it; "#N/A" when unknown.
std::string_view ErrorText(std::uint8_t code);

}  // namespace corvane::xls
