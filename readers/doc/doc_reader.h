// The Word binary document (.doc) reader: Word 97 and later as [MS-DOC]
// describes them, and Word 6/95. The bytes of a whole compound file in, RTF
// shaped for our engine out. Portable and pure; no OS calls.
#pragma once

#include <string_view>

#include "readers/reader.h"

namespace corvane::doc {

// Cheap: a compound file with a WordDocument stream whose FIB says Word 6
// or later; also true for a Word 2.0-or-earlier file (its own magic), which
// Convert refuses with a sentence.
bool IsFormatCorrect(std::string_view bytes);

// The bytes of a whole .doc in, RTF out, or converted=false with a sentence
// saying why. Linear in the input; the RTF is at most 16 times the input
// plus 1 MB.
readers::ReaderResult Convert(std::string_view bytes, const readers::ReaderServices& services);

}  // namespace corvane::doc
