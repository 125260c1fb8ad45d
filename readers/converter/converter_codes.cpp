#include "readers/converter/converter_codes.h"

namespace corvane::docx_converter {

Code CodeForReadStatus(docx::ReadStatus status) {
  switch (status) {
    case docx::ReadStatus::kOk: return kOk;
    case docx::ReadStatus::kNotAPackage: return kWrongFileType;
    case docx::ReadStatus::kPasswordProtected: return kPasswordProtected;
    case docx::ReadStatus::kCorrupt: return kInvalidData;
    case docx::ReadStatus::kBadXml: return kInvalidData;
    case docx::ReadStatus::kTooDeep: return kInvalidData;
    case docx::ReadStatus::kTooLarge: return kDocumentTooLarge;
    case docx::ReadStatus::kNoDocument: return kInvalidDocument;
  }
  return kInvalidData;
}

const char* ErrorText(long code) {
  switch (code) {
    case kOk: return "The document was converted.";
    case kOpenError: return "The file could not be opened.";
    case kReadError: return "The file could not be read.";
    case kInvalidData: return "The document is damaged: its package or its XML is not valid.";
    case kOutOfMemory: return "There is not enough memory to convert the document.";
    case kInvalidDocument: return "The file holds no document this converter can read.";
    case kDocumentTooLarge: return "The document expands to more than this converter accepts.";
    case kUserCancel: return "The conversion was cancelled.";
    case kWrongFileType: return "The file is not a Word 2007 or later document.";
    case kPasswordProtected: return "The document is protected by a password.";
    default: return "The conversion failed.";
  }
}

}  // namespace corvane::docx_converter
