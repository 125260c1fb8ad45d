// The document title from a compound file's "\005SummaryInformation"
// property set stream ([MS-OLEPS]).
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

}  // namespace corvane::doc
