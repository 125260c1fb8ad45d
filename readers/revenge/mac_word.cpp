// Word for the Macintosh 1 to 5.1 through libmwaw, which reads the Mac's
// character sets itself. Other old Macintosh text documents it knows are
// read too: a file under a .mcw name is whatever its bytes say.
#include <libmwaw/libmwaw.hxx>

#include "readers/revenge/library_readers.h"
#include "readers/revenge/library_run.h"
#include "readers/revenge/spreadsheet_document.h"
#include "readers/revenge/text_document.h"

namespace corvane::revenge {
namespace {

struct Detected {
  MWAWDocument::Confidence confidence = MWAWDocument::MWAW_C_NONE;
  MWAWDocument::Kind kind = MWAWDocument::MWAW_K_UNKNOWN;
};

Detected Detect(librevenge::RVNGInputStream* input) {
  Detected detected;
  MWAWDocument::Type type = MWAWDocument::MWAW_T_UNKNOWN;
  detected.confidence = MWAWDocument::isFileFormatSupported(input, type, detected.kind);
  return detected;
}

bool Readable(const Detected& detected) {
  return detected.confidence != MWAWDocument::MWAW_C_NONE &&
         (detected.kind == MWAWDocument::MWAW_K_TEXT ||
          detected.kind == MWAWDocument::MWAW_K_SPREADSHEET);
}

std::string Reason(MWAWDocument::Result result) {
  switch (result) {
    case MWAWDocument::MWAW_R_OK: return {};
    case MWAWDocument::MWAW_R_PASSWORD_MISSMATCH_ERROR: return "the document is password-protected";
    case MWAWDocument::MWAW_R_OLE_ERROR: return "the document's container is damaged";
    default: return "the document is damaged or is not a Word for the Macintosh document";
  }
}

}  // namespace

bool IsMacWord(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > kMaxInputSize) return false;
  try {
    MemoryStream stream(bytes);
    return Readable(Detect(stream.get()));
  } catch (...) {
    return false;
  }
}

readers::ReaderResult ConvertMacWord(std::string_view bytes,
                                     const readers::ReaderServices& services) {
  bool spreadsheet = false;
  try {
    MemoryStream stream(bytes);
    spreadsheet = Detect(stream.get()).kind == MWAWDocument::MWAW_K_SPREADSHEET;
  } catch (...) {
    spreadsheet = false;
  }
  const auto parse = [](librevenge::RVNGInputStream* input, auto& document) {
    if (!Readable(Detect(input))) {
      return std::string("the file is not a Word for the Macintosh document");
    }
    return Reason(MWAWDocument::parse(input, &document, nullptr));
  };
  if (spreadsheet) return RunLibrary<SpreadsheetDocument>(bytes, services, parse);
  return RunLibrary<TextDocument>(bytes, services, parse);
}

}  // namespace corvane::revenge
