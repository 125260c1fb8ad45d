// WordPerfect 4.2 to X9 through libwpd. WordPerfect documents carry their
// own character sets, which the library maps to Unicode itself.
#include <libwpd/libwpd.h>

#include "readers/revenge/library_readers.h"
#include "readers/revenge/library_run.h"
#include "readers/revenge/text_document.h"

namespace corvane::revenge {
namespace {

std::string Reason(libwpd::WPDResult result) {
  switch (result) {
    case libwpd::WPD_OK: return {};
    case libwpd::WPD_UNSUPPORTED_ENCRYPTION_ERROR:
    case libwpd::WPD_PASSWORD_MISSMATCH_ERROR: return "the document is password-protected";
    case libwpd::WPD_OLE_ERROR: return "the document's container is damaged";
    default: return "the document is damaged or is not a WordPerfect document";
  }
}

}  // namespace

bool IsWordPerfect(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > kMaxInputSize) return false;
  try {
    MemoryStream stream(bytes);
    return libwpd::WPDocument::isFileFormatSupported(stream.get()) != libwpd::WPD_CONFIDENCE_NONE;
  } catch (...) {
    return false;
  }
}

readers::ReaderResult ConvertWordPerfect(std::string_view bytes,
                                         const readers::ReaderServices& services) {
  return RunLibrary<TextDocument>(
      bytes, services, [](librevenge::RVNGInputStream* input, TextDocument& document) {
        switch (libwpd::WPDocument::isFileFormatSupported(input)) {
          case libwpd::WPD_CONFIDENCE_NONE:
            return std::string("the file is not a WordPerfect document");
          case libwpd::WPD_CONFIDENCE_EXCELLENT:
            return Reason(libwpd::WPDocument::parse(input, &document, nullptr));
          default:
            // Without its password the library would read the scrambled
            // bytes as text.
            return std::string("the document is password-protected");
        }
      });
}

}  // namespace corvane::revenge
