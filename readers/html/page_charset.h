// Which character set a web page is written in, and its text as clean
// UTF-8 for the parser: a byte-order mark first, then a <meta> charset in
// the page's head, else what browsers assume for an unlabelled page.
#pragma once

#include <string>
#include <string_view>

#include "engine/code_page_decoder.h"

namespace corvane::html {

struct PageCharset {
  enum class Kind { kUtf8, kUtf16Le, kUtf16Be, kCodePage };
  Kind kind = Kind::kCodePage;
  unsigned code_page = 1252;
  std::size_t bom_length = 0;
};

// The Windows code page a charset label names (case and spaces ignored);
// 0 for an unknown label, 65001 for UTF-8, 1200/1201 for UTF-16 LE/BE.
unsigned CodePageForLabel(std::string_view label);

// The label of the first <meta charset> or http-equiv Content-Type in the
// head (before <body>); empty when there is none.
std::string DeclaredCharset(std::string_view bytes);

// BOM; then UTF-8 when the label says so, or when every byte is valid
// UTF-8 with some outside ASCII (whatever the label); then the label's code
// page; else Windows-1252.
PageCharset DetectCharset(std::string_view bytes);

// The page's text as UTF-8 without NUL bytes, a malformed sequence
// replaced by U+FFFD. A code page the decoder does not know is read as
// Windows-1252.
std::string PageTextAsUtf8(std::string_view bytes, const PageCharset& charset,
                           const CodePageDecoder& decoder);

}  // namespace corvane::html
