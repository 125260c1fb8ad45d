// One conversion through an import library: the document in a memory
// stream, our document interface listening, and every way the library can
// fail (an error code, an exception, output past the budget) turned into
// one failed file with its reason.
#pragma once

#include <new>
#include <string>
#include <string_view>

#include <librevenge-stream/librevenge-stream.h>

#include "readers/reader.h"
#include "readers/revenge/output_budget.h"

namespace corvane::revenge {

// The stream the libraries read: they take a non-const pointer and seek in
// it, and libwps and libwpd open OLE containers through it.
class MemoryStream {
 public:
  explicit MemoryStream(std::string_view bytes)
      : stream_(reinterpret_cast<const unsigned char*>(bytes.data()),
                static_cast<unsigned>(bytes.size())) {}
  librevenge::RVNGInputStream* get() { return &stream_; }

 private:
  librevenge::RVNGStringStream stream_;
};

// The libraries address files with 32-bit sizes.
constexpr std::size_t kMaxInputSize = 0x7FFFFFFF;

// Runs parse(document) -> reason ("" for success) for a fresh Document
// (TextDocument or SpreadsheetDocument) over the bytes.
template <typename Document, typename Parse>
readers::ReaderResult RunLibrary(std::string_view bytes, const readers::ReaderServices& services,
                                 Parse parse) {
  readers::ReaderResult result;
  if (bytes.size() > kMaxInputSize) {
    result.reason = "the file is too large";
    return result;
  }
  OutputBudget budget(bytes.size());
  try {
    Document document(services.encoder, budget);
    MemoryStream stream(bytes);
    std::string reason = parse(stream.get(), document);
    if (budget.Exceeded()) {
      result.reason =
          "the document expands beyond " + std::to_string(budget.Limit()) + " bytes of RTF";
    } else if (!reason.empty()) {
      result.reason = std::move(reason);
    } else {
      result.rtf = document.TakeRtf();
      result.converted = true;
    }
  } catch (const OutputTooLarge&) {
    result.reason =
        "the document expands beyond " + std::to_string(budget.Limit()) + " bytes of RTF";
  } catch (const std::bad_alloc&) {
    result.reason = "the document could not be read (out of memory)";
  } catch (...) {
    result.reason = "the document is damaged: its reader stopped on an error";
  }
  return result;
}

}  // namespace corvane::revenge
