// libFuzzer target for the .doc reader. An input that starts like a compound
// file is read as a whole file; any other input becomes the WordDocument
// stream of a file built around it, with its second half as both table
// streams, so that mutations reach the FIB, the piece table and the
// property pages instead of stopping at the container. Either way the reader
// must answer, and what it writes must render.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/rtf2html.h"
#include "os/code_pages.h"
#include "readers/doc/compound_file.h"
#include "readers/doc/compound_file_writer.h"
#include "readers/doc/doc_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string file;
  if (corvane::doc::HasCompoundFileSignature(input)) {
    file.assign(input);
  } else {
    const std::string table(input.substr(input.size() / 2));
    file = corvane::doc::WriteCompoundFile(
        {{"WordDocument", std::string(input)}, {"0Table", table}, {"1Table", table}});
  }
  const corvane::readers::ReaderServices services{corvane::readers::Windows1252(),
                                                  corvane::os::SystemCodePageDecoder()};
  corvane::doc::IsFormatCorrect(file);
  const corvane::readers::ReaderResult result = corvane::doc::Convert(file, services);
  if (result.converted) {
    if (!result.reason.empty() || result.rtf.size() > 16 * file.size() + (1u << 20)) std::abort();
    if (corvane::RenderRtfAsHtml(result.rtf).empty()) std::abort();
  } else if (result.reason.empty() || !result.rtf.empty()) {
    std::fprintf(stderr, "doc_fuzz: a failure without its reason\n");
    std::abort();
  }
  return 0;
}
