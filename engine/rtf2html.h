// The conversion engine: RTF bytes in, one HTML document out.
#pragma once

#include <string>
#include <string_view>

namespace corvane {

// Translates one RTF text into a complete HTML document. Never fails: any
// byte sequence, NUL bytes and non-RTF included, gives a framed document.
// Pure and re-entrant; bytes 128-255 pass through in the source code page.
std::string RenderRtfAsHtml(std::string_view rtf);

}  // namespace corvane
