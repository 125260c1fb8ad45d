// Readers of the older word-processor and spreadsheet formats, through the
// import libraries of the field: WordPerfect (libwpd), Works, Write and
// Lotus 1-2-3 (libwps), Word for the Macintosh (libmwaw). Each content
// check is the library's own format detection.
#pragma once

#include <string_view>

#include "readers/reader.h"

namespace corvane::revenge {

bool IsWordPerfect(std::string_view bytes);
readers::ReaderResult ConvertWordPerfect(std::string_view bytes,
                                         const readers::ReaderServices& services);

// Works word-processor documents (and a Works spreadsheet or database that
// carries a document's name).
bool IsWorks(std::string_view bytes);
readers::ReaderResult ConvertWorks(std::string_view bytes, const readers::ReaderServices& services);

bool IsWrite(std::string_view bytes);
readers::ReaderResult ConvertWrite(std::string_view bytes, const readers::ReaderServices& services);

// Lotus 1-2-3 and the spreadsheets that share its records (Quattro Pro,
// Symphony, Works for DOS).
bool IsLotus(std::string_view bytes);
readers::ReaderResult ConvertLotus(std::string_view bytes, const readers::ReaderServices& services);

bool IsMacWord(std::string_view bytes);
readers::ReaderResult ConvertMacWord(std::string_view bytes,
                                     const readers::ReaderServices& services);

// libwps' name of a DOS or Windows code page, or "" for one it does not know.
const char* WorksEncodingName(unsigned code_page);

}  // namespace corvane::revenge
