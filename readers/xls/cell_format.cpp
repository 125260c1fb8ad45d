#include "readers/xls/cell_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace corvane::xls {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back
// (the era-based civil calendar arithmetic).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto year_of_era = static_cast<unsigned>(year - era * 400);
  const unsigned day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + static_cast<std::int64_t>(day_of_era) - 719468;
}

void CivilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto day_of_era = static_cast<unsigned>(days - era * 146097);
  const unsigned year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const unsigned day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const unsigned shifted_month = (5 * day_of_year + 2) / 153;
  day = day_of_year - (153 * shifted_month + 2) / 5 + 1;
  month = shifted_month < 10 ? shifted_month + 3 : shifted_month - 9;
  year = static_cast<std::int64_t>(year_of_era) + era * 400 + (month <= 2);
}

constexpr double kLastSerial = 2958465.99999;  // 9999-12-31 23:59:59 in the 1900 system

}  // namespace

std::string FormatNumber(double value) {
  if (!std::isfinite(value)) return "#NUM!";
  if (value == 0) return "0";  // and not "-0"
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string FormatDate(double serial, bool date1904) {
  if (!std::isfinite(serial) || serial < 0 || serial > kLastSerial) return "";
  const auto seconds_total = static_cast<std::int64_t>(std::llround(serial * 86400.0));
  const std::int64_t serial_day = seconds_total / 86400;
  const auto seconds = static_cast<unsigned>(seconds_total % 86400);
  char time[16];
  std::snprintf(time, sizeof time, "%02u:%02u:%02u", seconds / 3600, seconds / 60 % 60,
                seconds % 60);
  if (serial_day == 0) return time;  // a time of day, or a duration under one
  std::string date;
  if (!date1904 && serial_day == 60) {
    date = "1900-02-29";  // the day the 1900 system counts that never was
  } else {
    // Serials up to 59 count from 1899-12-31, later ones from 1899-12-30
    // (past the phantom leap day); the 1904 system counts from 1904-01-01.
    const std::int64_t epoch = date1904          ? DaysFromCivil(1904, 1, 1)
                               : serial_day < 60 ? DaysFromCivil(1899, 12, 31)
                                                 : DaysFromCivil(1899, 12, 30);
    std::int64_t year = 0;
    unsigned month = 0, day = 0;
    CivilFromDays(epoch + serial_day, year, month, day);
    char buffer[48];  // room for any year the compiler can imagine
    std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02u", static_cast<long long>(year), month,
                  day);
    date = buffer;
  }
  if (seconds == 0) return date;
  return date + " " + time;
}

bool IsBuiltInDateFormat(std::uint16_t format_id) {
  return (format_id >= 14 && format_id <= 22) || (format_id >= 45 && format_id <= 47);
}

bool IsDateFormatString(std::string_view format) {
  for (std::size_t i = 0; i < format.size(); ++i) {
    switch (format[i]) {
      case '"': {
        const std::size_t end = format.find('"', i + 1);
        if (end == std::string_view::npos) return false;
        i = end;
        break;
      }
      case '[': {
        const std::size_t end = format.find(']', i + 1);
        if (end == std::string_view::npos) return false;
        i = end;
        break;
      }
      case '\\':  // an escaped character
      case '_':   // a space as wide as the next character
      case '*':   // the next character repeated to fill the cell
        ++i;
        break;
      case 'd':
      case 'D':
      case 'm':
      case 'M':
      case 'y':
      case 'Y':
      case 'h':
      case 'H':
      case 's':
      case 'S': return true;
      default: break;
    }
  }
  return false;
}

std::string_view BooleanText(bool value) { return value ? "TRUE" : "FALSE"; }

std::string_view ErrorText(std::uint8_t code) {
  switch (code) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#NUM!";
    case 0x2A: return "#N/A";
    case 0x2B: return "#GETTING_DATA";
    default: return "#N/A";
  }
}

}  // namespace corvane::xls
