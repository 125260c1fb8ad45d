// The conversion engine: RTF bytes in, one HTML document out.
#pragma once

#include <string>
#include <string_view>

#include "engine/code_page_decoder.h"

namespace corvane {

// Translates one RTF text into a complete HTML document. Never fails: any
// byte sequence, NUL bytes and non-RTF included, gives a framed document.
// Pure and re-entrant; bytes 128-255 pass through in the source code page.
std::string RenderRtfAsHtml(std::string_view rtf);

// The full-text output: the same document structure, but text is decoded by
// the code pages the RTF names and written as UTF-8 (declared in the head),
// field results, control symbols and Unicode characters are kept, and list
// labels are left to the list markup. Never fails, like RenderRtfAsHtml.
std::string RenderRtfAsFullTextHtml(std::string_view rtf, const CodePageDecoder& decoder);

}  // namespace corvane
