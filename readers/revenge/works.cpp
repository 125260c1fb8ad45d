// Works, Write and Lotus 1-2-3 through libwps. Their older files do not say
// which code page their text is in; the library then asks for one: the
// user's ANSI page for files of Windows programs (Write, Works for Windows,
// 1-2-3 for Windows), the OEM page for those of DOS programs (1-2-3 and
// Quattro Pro for DOS, Word and Works for DOS).
#include <libwps/libwps.h>

#include <array>
#include <utility>

#include "readers/revenge/library_readers.h"
#include "readers/revenge/library_run.h"
#include "readers/revenge/spreadsheet_document.h"
#include "readers/revenge/text_document.h"

namespace corvane::revenge {
namespace {

struct Detected {
  libwps::WPSConfidence confidence = libwps::WPS_CONFIDENCE_NONE;
  libwps::WPSKind kind = libwps::WPS_TEXT;
  libwps::WPSCreator creator = libwps::WPS_MSWORKS;
  bool needs_encoding = false;
};

Detected Detect(std::string_view bytes) {
  Detected detected;
  if (bytes.empty() || bytes.size() > kMaxInputSize) return detected;
  try {
    MemoryStream stream(bytes);
    detected.confidence = libwps::WPSDocument::isFileFormatSupported(
        stream.get(), detected.kind, detected.creator, detected.needs_encoding);
  } catch (...) {
    detected.confidence = libwps::WPS_CONFIDENCE_NONE;
  }
  return detected;
}

bool IsSpreadsheetCreator(libwps::WPSCreator creator) {
  return creator == libwps::WPS_LOTUS || creator == libwps::WPS_QUATTRO_PRO ||
         creator == libwps::WPS_SYMPHONY || creator == libwps::WPS_MULTIPLAN;
}

// A 1-2-3 file starts with its BOF record: type 0, then the length, then
// the file's version; 1-2-3 for Windows wrote 0x1002 and later.
bool FromDosSpreadsheet(std::string_view bytes) {
  if (bytes.size() < 6 || bytes[0] != 0 || bytes[1] != 0) return true;
  const unsigned version =
      static_cast<unsigned char>(bytes[4]) | static_cast<unsigned char>(bytes[5]) << 8;
  return version < 0x1002 || version >= 0x2000;
}

unsigned CodePageFor(const Detected& detected, std::string_view bytes,
                     const readers::LegacyCodePages& pages) {
  switch (detected.creator) {
    case libwps::WPS_MSWRITE:
    case libwps::WPS_MSWORKS: return detected.kind == libwps::WPS_TEXT ? pages.ansi : pages.oem;
    case libwps::WPS_DOSWORD:
    case libwps::WPS_XYWRITE: return pages.oem;
    default: return FromDosSpreadsheet(bytes) ? pages.oem : pages.ansi;
  }
}

std::string Reason(libwps::WPSResult result) {
  switch (result) {
    case libwps::WPS_OK: return {};
    case libwps::WPS_ENCRYPTION_ERROR: return "the document is password-protected";
    case libwps::WPS_OLE_ERROR: return "the document's container is damaged";
    default: return "the document is damaged or is not in a form its reader knows";
  }
}

// windows_program: the file is taken for one of a Windows program, whatever
// family the library puts it in (Write's header is DOS Word's).
readers::ReaderResult Convert(std::string_view bytes, const readers::ReaderServices& services,
                              const char* not_mine, bool windows_program = false) {
  const Detected detected = Detect(bytes);
  readers::ReaderResult result;
  if (detected.confidence == libwps::WPS_CONFIDENCE_NONE) {
    result.reason = not_mine;
    return result;
  }
  if (detected.confidence == libwps::WPS_CONFIDENCE_SUPPORTED_ENCRYPTION) {
    result.reason = "the document is password-protected";
    return result;
  }
  const unsigned code_page = windows_program ? services.legacy_pages.ansi
                                             : CodePageFor(detected, bytes, services.legacy_pages);
  const char* encoding = detected.needs_encoding ? WorksEncodingName(code_page) : "";
  const auto parse = [encoding](librevenge::RVNGInputStream* input, auto& document) {
    return Reason(libwps::WPSDocument::parse(input, &document, "", encoding));
  };
  if (detected.kind == libwps::WPS_TEXT) return RunLibrary<TextDocument>(bytes, services, parse);
  return RunLibrary<SpreadsheetDocument>(bytes, services, parse);
}

}  // namespace

const char* WorksEncodingName(unsigned code_page) {
  // The pages libwps knows by name.
  static constexpr std::array<std::pair<unsigned, const char*>, 30> kNames = {{
      {424, "CP424"},   {437, "CP437"},   {737, "CP737"},   {775, "CP775"},   {850, "CP850"},
      {852, "CP852"},   {855, "CP855"},   {856, "CP856"},   {857, "CP857"},   {860, "CP860"},
      {861, "CP861"},   {862, "CP862"},   {863, "CP863"},   {864, "CP864"},   {865, "CP865"},
      {866, "CP866"},   {869, "CP869"},   {874, "CP874"},   {932, "CP932"},   {950, "CP950"},
      {1006, "CP1006"}, {1250, "CP1250"}, {1251, "CP1251"}, {1252, "CP1252"}, {1253, "CP1253"},
      {1254, "CP1254"}, {1255, "CP1255"}, {1256, "CP1256"}, {1257, "CP1257"}, {1258, "CP1258"},
  }};
  for (const auto& [page, name] : kNames) {
    if (page == code_page) return name;
  }
  return "";
}

bool IsWorks(std::string_view bytes) {
  const Detected detected = Detect(bytes);
  return detected.confidence != libwps::WPS_CONFIDENCE_NONE &&
         detected.creator == libwps::WPS_MSWORKS;
}

readers::ReaderResult ConvertWorks(std::string_view bytes,
                                   const readers::ReaderServices& services) {
  return Convert(bytes, services, "the file is not a Works document");
}

// The library tells Write files from Word for DOS ones by details that
// Write files do not always have: both are Write's.
bool IsWrite(std::string_view bytes) {
  const Detected detected = Detect(bytes);
  return detected.confidence != libwps::WPS_CONFIDENCE_NONE &&
         (detected.creator == libwps::WPS_MSWRITE || detected.creator == libwps::WPS_DOSWORD);
}

readers::ReaderResult ConvertWrite(std::string_view bytes,
                                   const readers::ReaderServices& services) {
  return Convert(bytes, services, "the file is not a Write document", true);
}

bool IsLotus(std::string_view bytes) {
  const Detected detected = Detect(bytes);
  return detected.confidence != libwps::WPS_CONFIDENCE_NONE &&
         detected.kind == libwps::WPS_SPREADSHEET &&
         (IsSpreadsheetCreator(detected.creator) || detected.creator == libwps::WPS_MSWORKS);
}

readers::ReaderResult ConvertLotus(std::string_view bytes,
                                   const readers::ReaderServices& services) {
  return Convert(bytes, services, "the file is not a Lotus 1-2-3 spreadsheet");
}

}  // namespace corvane::revenge
