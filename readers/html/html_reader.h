// The web page reader (.html, .htm, .htx, .otm): the page parsed as
// browsers parse it, by libxml2's HTML parser, and its text written as RTF
// shaped for our engine. The bytes of a whole file in; portable and pure,
// no OS calls, nothing fetched.
#pragma once

#include <string_view>

#include "readers/reader.h"

namespace corvane::html {

// Cheap: markup first (after a byte-order mark and white space) and an
// html, head, body, title or meta tag, or an HTML doctype, near the start.
bool IsFormatCorrect(std::string_view bytes);

// The bytes of a whole page in, RTF out, or converted=false with a sentence
// saying why. The RTF is at most 16 times the input plus 1 MB.
readers::ReaderResult Convert(std::string_view bytes, const readers::ReaderServices& services);

}  // namespace corvane::html
