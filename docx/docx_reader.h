// The .docx/.docm reader: the bytes of a WordprocessingML package in, RTF
// shaped for our engine out. Portable; no OS calls.
#pragma once

#include <string>
#include <string_view>

namespace corvane::docx {

// The classic engine writes text in the user's ANSI code page; the reader writes each
// character as \uN followed by its ANSI form as a fallback. Implemented by the caller
// (Windows: WideCharToMultiByte on the locale's default ANSI code page); the reader
// itself has no OS calls.
class AnsiEncoder {
 public:
  virtual ~AnsiEncoder() = default;
  // Writes the character's bytes in the ANSI code page (1 or 2) to out and returns
  // how many; 0 when the code page has no exact form for it.
  virtual int Encode(char32_t character, unsigned char out[2]) const = 0;
};
// Windows-1252, built in: the Linux default and the tests' reference.
const AnsiEncoder& Windows1252();

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

}  // namespace corvane::docx
