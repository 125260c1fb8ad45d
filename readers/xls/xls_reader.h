// The Excel binary workbook (.xls, .xlw) reader: BIFF8 (Excel 97-2003) as
// [MS-XLS] describes it, BIFF5/7 (Excel 5/95), and BIFF2-4 worksheets. The
// bytes of a whole file in, RTF shaped for our engine out: each worksheet's
// name, then its rows as table rows. Portable and pure; no OS calls.
#pragma once

#include <string_view>

#include "readers/reader.h"

namespace corvane::xls {

// Cheap: a compound file with a "Workbook" or "Book" stream, or a bare
// BIFF2-5 stream that starts with a BOF record.
bool IsFormatCorrect(std::string_view bytes);

// The bytes of a whole workbook in, RTF out, or converted=false with a
// sentence saying why. Linear in the input apart from sorting each sheet's
// cells; the RTF is at most 16 times the input plus 1 MB.
readers::ReaderResult Convert(std::string_view bytes, const readers::ReaderServices& services);

}  // namespace corvane::xls
