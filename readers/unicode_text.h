// UTF-8 and UTF-16 as the readers meet them: text of the formats' own
// encodings, turned into the UTF-8 the RTF writer takes.
#pragma once

#include <string>
#include <string_view>

namespace corvane::readers {

// Appends c as UTF-8; a surrogate or a value past Unicode becomes U+FFFD.
void AppendUtf8(char32_t c, std::string& out);

// The characters of UTF-16 bytes, pairs joined; a lone half becomes
// U+FFFD and an odd last byte is dropped.
std::u32string DecodeUtf16(std::string_view bytes, bool big_endian);

}  // namespace corvane::readers
