// The .docx/.docm reader: the bytes of a WordprocessingML package in, RTF
// shaped for our engine out. Portable; no OS calls.
#pragma once

#include <string>
#include <string_view>

#include "readers/reader.h"

namespace corvane::docx {

using readers::AnsiEncoder;
using readers::Windows1252;

enum class ReadStatus {
  kOk,
  kNotAPackage,
  kPasswordProtected,
  kCorrupt,
  kBadXml,
  kTooLarge,
  kTooDeep,
  kNoDocument
};
struct ReadResult {
  ReadStatus status = ReadStatus::kOk;
  std::string rtf;      // the document as RTF shaped for our engine (kOk only)
  std::string message;  // for a failure: which one, in a sentence a user understands
};
// Cheap check for a converter's "is this my format": a ZIP whose content types
// name a WordprocessingML main document (.docx or .docm).
bool IsWordPackage(std::string_view package);
// Converts the bytes of a whole .docx/.docm package. Pure, linear, thread-safe.
ReadResult ConvertDocxToRtf(std::string_view package, const AnsiEncoder& encoder);

// The reader as a row of the dispatch table, for the classes Word12 and MEWord12.
bool IsFormatCorrect(std::string_view bytes);
readers::ReaderResult Convert(std::string_view bytes, const readers::ReaderServices& services);

}  // namespace corvane::docx
