#include "readers/revenge/cell_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "readers/revenge/properties.h"

namespace corvane::revenge {
namespace {

using Kind = NumberFormat::Kind;

Kind KindOf(std::string_view type) {
  if (type == "percentage" || type == "percent") return Kind::kPercent;
  if (type == "currency") return Kind::kCurrency;
  if (type == "scientific") return Kind::kScientific;
  if (type == "date" || type == "time") return Kind::kDateTime;
  if (type == "boolean" || type == "bool") return Kind::kBoolean;
  if (type == "text" || type == "string") return Kind::kText;
  return Kind::kNumber;
}

std::string Fixed(double value, int decimals) {
  char digits[400];
  std::snprintf(digits, sizeof digits, "%.*f", decimals, value);
  return digits;
}

// "1234567.5" as "1,234,567.5".
std::string Grouped(const std::string& number) {
  const std::size_t start = number.starts_with('-') ? 1 : 0;
  std::size_t end = number.find_first_of(".eE", start);
  if (end == std::string::npos) end = number.size();
  std::string out = number.substr(0, start);
  for (std::size_t i = start; i < end; ++i) {
    if (i > start && (end - i) % 3 == 0) out += ',';
    out += number[i];
  }
  return out + number.substr(end);
}

std::string TwoDigits(int value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%02d", value);
  return digits;
}

std::string DateTime(const librevenge::RVNGPropertyList& cell, const NumberFormat* format) {
  const int year = Integer(cell, "librevenge:year", 0);
  const int month = Integer(cell, "librevenge:month", 0);
  const int day = Integer(cell, "librevenge:day", 0);
  const int hours = Integer(cell, "librevenge:hours", 0);
  const int minutes = Integer(cell, "librevenge:minutes", 0);
  const int seconds = Integer(cell, "librevenge:seconds", 0);
  const bool has_date = Has(cell, "librevenge:year") || Has(cell, "librevenge:month");
  const bool has_time = Has(cell, "librevenge:hours") || Has(cell, "librevenge:minutes");
  if (format == nullptr || format->date_parts.empty()) {
    std::string out;
    if (has_date) out = std::to_string(year) + "-" + TwoDigits(month) + "-" + TwoDigits(day);
    if (has_time) {
      if (!out.empty()) out += ' ';
      out += TwoDigits(hours) + ":" + TwoDigits(minutes) + ":" + TwoDigits(seconds);
    }
    return out;
  }
  const bool twelve_hours = [&] {
    for (const NumberFormat::DatePart& part : format->date_parts) {
      if (part.field == "am-pm") return true;
    }
    return false;
  }();
  std::string out;
  for (const NumberFormat::DatePart& part : format->date_parts) {
    const auto number = [&](int value) {
      out += part.long_form ? TwoDigits(value) : std::to_string(value);
    };
    if (part.field == "year") {
      out += part.long_form ? std::to_string(year) : TwoDigits(((year % 100) + 100) % 100);
    } else if (part.field == "month") {
      number(month);
    } else if (part.field == "day") {
      number(day);
    } else if (part.field == "hours") {
      number(twelve_hours ? (hours + 11) % 12 + 1 : hours);
    } else if (part.field == "minutes") {
      out += TwoDigits(minutes);
    } else if (part.field == "seconds") {
      out += TwoDigits(seconds);
    } else if (part.field == "am-pm") {
      out += hours < 12 ? "AM" : "PM";
    } else if (part.field == "text") {
      out += part.text;
    }
  }
  return out;
}

}  // namespace

std::string GeneralNumber(double value) {
  // NaN is how the libraries say a formula's result is unknown to them.
  if (!std::isfinite(value)) return std::isnan(value) ? "" : "#DIV/0!";
  char digits[64];
  std::snprintf(digits, sizeof digits, "%.15g", value);
  return digits;
}

NumberFormat ReadNumberFormat(const librevenge::RVNGPropertyList& style) {
  NumberFormat format;
  format.kind = KindOf(Text(style, "librevenge:value-type"));
  if (Has(style, "number:decimal-places")) {
    format.decimals = std::clamp(Integer(style, "number:decimal-places", 0), 0, 30);
  }
  format.grouping =
      Integer(style, "number:grouping", 0) != 0 || Text(style, "number:grouping") == "true";
  if (const librevenge::RVNGPropertyListVector* parts = style.child("librevenge:format")) {
    for (unsigned long i = 0; i < parts->count(); ++i) {
      const librevenge::RVNGPropertyList& part = (*parts)[i];
      NumberFormat::DatePart date_part{Text(part, "librevenge:value-type"),
                                       Text(part, "librevenge:text"),
                                       Text(part, "number:style") == "long"};
      if (format.kind == Kind::kCurrency && date_part.field == "currency-symbol") {
        format.currency = date_part.text;
      } else {
        format.date_parts.push_back(std::move(date_part));
      }
    }
  }
  return format;
}

std::string CellValueText(const librevenge::RVNGPropertyList& cell, const NumberFormat* format) {
  const std::string type = Text(cell, "librevenge:value-type");
  if (type.empty()) return {};
  Kind kind = KindOf(type);
  if (kind == Kind::kText) return Text(cell, "librevenge:value");
  if (kind == Kind::kDateTime) return DateTime(cell, format);
  const double value = Number(cell, "librevenge:value", 0.0);
  if (kind == Kind::kBoolean) return value != 0 ? "TRUE" : "FALSE";
  // A plain number cell takes its shape from the cell's format.
  if (kind == Kind::kNumber && format != nullptr) kind = format->kind;
  const int decimals = format != nullptr ? format->decimals : -1;
  const bool grouping = format != nullptr && format->grouping;
  if (!std::isfinite(value)) return GeneralNumber(value);
  switch (kind) {
    case Kind::kPercent:
      return (decimals < 0 ? GeneralNumber(value * 100) : Fixed(value * 100, decimals)) + "%";
    case Kind::kCurrency: {
      const std::string amount = Grouped(Fixed(std::fabs(value), decimals < 0 ? 2 : decimals));
      const std::string symbol =
          format != nullptr && !format->currency.empty() ? format->currency : "";
      return (value < 0 ? "-" : "") + symbol + amount;
    }
    case Kind::kScientific: {
      char digits[64];
      std::snprintf(digits, sizeof digits, "%.*E", decimals < 0 ? 2 : decimals, value);
      return digits;
    }
    default: {
      const std::string number = decimals < 0 ? GeneralNumber(value) : Fixed(value, decimals);
      return grouping ? Grouped(number) : number;
    }
  }
}

}  // namespace corvane::revenge
