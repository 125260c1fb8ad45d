#include "import/built_in_readers.h"

#include <array>

#include "readers/doc/doc_reader.h"
#include "readers/docx/docx_reader.h"
#include "readers/html/html_reader.h"
#include "readers/revenge/library_readers.h"
#include "readers/xls/xls_reader.h"

namespace corvane::import {
namespace {

// Where a class stands in several rows (WordPerfect in ".doc" and ".wpd"),
// its reader serves them all. The order is the one a file that no row's
// reader knows is offered to the readers in.
constexpr std::array<readers::BuiltInReader, 15> kReaders = {{
    {"Word97", doc::IsFormatCorrect, doc::Convert},
    {"Word12", docx::IsFormatCorrect, docx::Convert},
    {"MEWord12", docx::IsFormatCorrect, docx::Convert},
    {"MSBiff", xls::IsFormatCorrect, xls::Convert},
    {"HTML", html::IsFormatCorrect, html::Convert},
    {"WordPerfect6x", revenge::IsWordPerfect, revenge::ConvertWordPerfect},
    {"WrdPrfctDos", revenge::IsWordPerfect, revenge::ConvertWordPerfect},
    {"MSWorksWin6", revenge::IsWorks, revenge::ConvertWorks},
    {"WorksWin6", revenge::IsWorks, revenge::ConvertWorks},
    {"MSWorksWin5", revenge::IsWorks, revenge::ConvertWorks},
    {"WorksWin5", revenge::IsWorks, revenge::ConvertWorks},
    {"MSWorksWin4", revenge::IsWorks, revenge::ConvertWorks},
    {"MSWinWrite.wpc", revenge::IsWrite, revenge::ConvertWrite},
    {"Lotus123", revenge::IsLotus, revenge::ConvertLotus},
    {"MSWordMac", revenge::IsMacWord, revenge::ConvertMacWord},
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
