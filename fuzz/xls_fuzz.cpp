// libFuzzer target for the .xls reader. An input that starts like a compound
// file is read as a whole file, and one that starts with a BOF record as a
// bare BIFF stream; any other input becomes the Workbook stream of a file
// built around it behind a BIFF8 BOF, so that mutations reach the records
// instead of stopping at the container. Either way the reader must answer,
// and what it writes must render.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/rtf2html.h"
#include "os/code_pages.h"
#include "readers/doc/compound_file.h"
#include "readers/doc/compound_file_writer.h"
#include "readers/xls/xls_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string file;
  if (corvane::doc::HasCompoundFileSignature(input) || corvane::xls::IsFormatCorrect(input)) {
    file.assign(input);
  } else {
    // BOF: BIFF8, workbook globals.
    std::string stream(
        "\x09\x08\x10\x00\x00\x06\x05\x00\xBB\x0D\xCC\x07\x00\x00\x00\x00\x06\x02\x00\x00", 20);
    stream += input;
    file = corvane::doc::WriteCompoundFile({{"Workbook", stream}});
  }
  const corvane::readers::ReaderServices services{corvane::readers::Windows1252(),
                                                  corvane::os::SystemCodePageDecoder()};
  const corvane::readers::ReaderResult result = corvane::xls::Convert(file, services);
  if (result.converted) {
    if (!result.reason.empty() || result.rtf.size() > 16 * file.size() + (1u << 20)) std::abort();
    if (corvane::RenderRtfAsHtml(result.rtf).empty()) std::abort();
  } else if (result.reason.empty() || !result.rtf.empty()) {
    std::fprintf(stderr, "xls_fuzz: a failure without its reason\n");
    std::abort();
  }
  return 0;
}
