// The converter interface's result codes, what each means in words, and
// which one a reader's verdict on a document becomes.
#pragma once

#include "readers/docx/docx_reader.h"

namespace corvane::docx_converter {

// Returned as whole 32-bit values: hosts declare the result short, int or
// long, and each must read the same number.
enum Code : long {
  kOk = 0,
  kOpenError = -1,
  kReadError = -2,
  kInvalidData = -5,
  kOutOfMemory = -8,
  kInvalidDocument = -9,
  kDocumentTooLarge = -11,
  kUserCancel = -13,
  kWrongFileType = -14,
  kPasswordProtected = -18,
};

Code CodeForReadStatus(docx::ReadStatus status);

// The text a host shows for one of our codes; a generic text for others.
const char* ErrorText(long code);

}  // namespace corvane::docx_converter
