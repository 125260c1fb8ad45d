#include "readers/revenge/properties.h"

#include <string_view>

#include "readers/rtf_writer.h"

namespace corvane::revenge {

std::string Text(const librevenge::RVNGPropertyList& properties, const char* name) {
  const librevenge::RVNGProperty* property = properties[name];
  if (property == nullptr) return {};
  const librevenge::RVNGString text = property->getStr();
  return std::string(text.cstr(), text.size());
}

int Integer(const librevenge::RVNGPropertyList& properties, const char* name, int absent) {
  const librevenge::RVNGProperty* property = properties[name];
  return property == nullptr ? absent : property->getInt();
}

double Number(const librevenge::RVNGPropertyList& properties, const char* name, double absent) {
  const librevenge::RVNGProperty* property = properties[name];
  return property == nullptr ? absent : property->getDouble();
}

bool Has(const librevenge::RVNGPropertyList& properties, const char* name) {
  return properties[name] != nullptr;
}

namespace {

// A line style is drawn unless it says none; the libraries give the type,
// the style or both.
bool Drawn(const librevenge::RVNGPropertyList& properties, const char* type, const char* style) {
  for (const char* name : {type, style}) {
    const std::string value = Text(properties, name);
    if (!value.empty() && value != "none") return true;
  }
  return false;
}

}  // namespace

unsigned RunFormatOf(const librevenge::RVNGPropertyList& properties) {
  unsigned format = 0;
  const std::string weight = Text(properties, "fo:font-weight");
  if (weight == "bold" || weight == "bolder" || (weight >= "600" && weight <= "900")) {
    format |= readers::kBold;
  }
  const std::string style = Text(properties, "fo:font-style");
  if (style == "italic" || style == "oblique") format |= readers::kItalic;
  if (Drawn(properties, "style:text-underline-type", "style:text-underline-style")) {
    format |= readers::kUnderline;
  }
  if (Drawn(properties, "style:text-line-through-type", "style:text-line-through-style")) {
    format |= readers::kStrike;
  }
  // "super 58%", "sub 58%" or a signed raise: "33% 58%", "-33% 58%".
  const std::string position = Text(properties, "style:text-position");
  if (position.starts_with("super")) {
    format |= readers::kSuperscript;
  } else if (position.starts_with("sub") || position.starts_with('-')) {
    format |= readers::kSubscript;
  } else if (!position.empty() && position.front() >= '1' && position.front() <= '9') {
    format |= readers::kSuperscript;
  }
  return format;
}

}  // namespace corvane::revenge
