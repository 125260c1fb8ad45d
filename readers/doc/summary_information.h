// The document title and code page from a compound file's
// "\005SummaryInformation" property set stream ([MS-OLEPS]).
#pragma once

#include <string>
#include <string_view>

#include "engine/code_page_decoder.h"

namespace corvane::doc {

// The title (PIDSI_TITLE) as UTF-8, decoded from the code page the set
// declares (1200 is UTF-16LE, 65001 UTF-8, others through `decoder`, with
// Windows-1252 when it does not know the page). Ends at the first NUL. ""
// when the stream has no title or is malformed.
std::string ReadSummaryTitle(std::string_view stream, const CodePageDecoder& decoder);

// The code page the set declares (PID_CODEPAGE, a VT_I2 read unsigned), or
// 0 when it declares none or the stream is malformed. Word 6/95 text is in
// the ANSI page the document was saved in, which this records more surely
// than the FIB's language.
unsigned ReadSummaryCodePage(std::string_view stream);

}  // namespace corvane::doc
