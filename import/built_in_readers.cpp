#include "import/built_in_readers.h"

#include <array>

#include "readers/doc/doc_reader.h"
#include "readers/docx/docx_reader.h"
#include "readers/html/html_reader.h"
#include "readers/xls/xls_reader.h"

namespace corvane::import {
namespace {

constexpr std::array<readers::BuiltInReader, 5> kReaders = {{
    {"Word97", doc::IsFormatCorrect, doc::Convert},
    {"Word12", docx::IsFormatCorrect, docx::Convert},
    {"MEWord12", docx::IsFormatCorrect, docx::Convert},
    {"MSBiff", xls::IsFormatCorrect, xls::Convert},
    {"HTML", html::IsFormatCorrect, html::Convert},
}};

}  // namespace

std::span<const readers::BuiltInReader> BuiltInReaders() { return kReaders; }

const readers::BuiltInReader* FindBuiltInReader(std::string_view converter_class) {
  for (const readers::BuiltInReader& reader : kReaders) {
    if (reader.converter_class == converter_class) return &reader;
  }
  return nullptr;
}

}  // namespace corvane::import
