// Reading the property lists the import libraries hand over.
#pragma once

#include <string>

#include <librevenge/librevenge.h>

namespace corvane::revenge {

// The property as text (UTF-8), or "" when it is absent.
std::string Text(const librevenge::RVNGPropertyList& properties, const char* name);
int Integer(const librevenge::RVNGPropertyList& properties, const char* name, int absent);
double Number(const librevenge::RVNGPropertyList& properties, const char* name, double absent);
bool Has(const librevenge::RVNGPropertyList& properties, const char* name);

// The readers::RunFormat bits a span's properties ask for.
unsigned RunFormatOf(const librevenge::RVNGPropertyList& properties);

}  // namespace corvane::revenge
