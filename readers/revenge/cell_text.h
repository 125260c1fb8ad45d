// A spreadsheet cell's value as the sheet shows it, from the value the
// import library hands over and the number format it defined for the cell.
#pragma once

#include <string>
#include <vector>

#include <librevenge/librevenge.h>

namespace corvane::revenge {

struct NumberFormat {
  enum class Kind { kNumber, kPercent, kCurrency, kScientific, kDateTime, kBoolean, kText };
  struct DatePart {
    std::string field;  // "year", "month", "day", "hours", "minutes", "seconds", "am-pm", "text"
    std::string text;   // a "text" part's characters
    bool long_form = false;
  };
  Kind kind = Kind::kNumber;
  int decimals = -1;  // -1: as many as the value needs
  bool grouping = false;
  std::string currency;
  std::vector<DatePart> date_parts;
};

// What defineSheetNumberingStyle describes.
NumberFormat ReadNumberFormat(const librevenge::RVNGPropertyList& style);

// The cell's shown value, "" when it holds none (a text cell's text comes
// as paragraphs); format may be null.
std::string CellValueText(const librevenge::RVNGPropertyList& cell, const NumberFormat* format);

// A number in the general format: up to 15 significant digits, no
// trailing zeros, an exponent only where the digits would not fit.
std::string GeneralNumber(double value);

}  // namespace corvane::revenge
