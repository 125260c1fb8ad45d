// libFuzzer target for the readers that go through the import libraries
// (WordPerfect, Works, Write, Lotus 1-2-3, Word for the Macintosh). The
// first byte picks the reader, so that every one meets every mutation;
// whatever the library makes of the rest, the reader must answer, within
// its budget, and what it writes must render. The libraries themselves are
// Debian's, not instrumented: coverage guides the fuzzer through our code
// and the libraries' answers, and a crash anywhere still ends the run.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "engine/rtf2html.h"
#include "os/code_pages.h"
#include "readers/revenge/library_readers.h"

namespace {

using Convert = corvane::readers::ReaderResult (*)(std::string_view,
                                                   const corvane::readers::ReaderServices&);
using Check = bool (*)(std::string_view);

struct Reader {
  Check check;
  Convert convert;
};

constexpr std::array<Reader, 5> kReaders = {{
    {corvane::revenge::IsWordPerfect, corvane::revenge::ConvertWordPerfect},
    {corvane::revenge::IsWorks, corvane::revenge::ConvertWorks},
    {corvane::revenge::IsWrite, corvane::revenge::ConvertWrite},
    {corvane::revenge::IsLotus, corvane::revenge::ConvertLotus},
    {corvane::revenge::IsMacWord, corvane::revenge::ConvertMacWord},
}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const Reader& reader = kReaders[data[0] % kReaders.size()];
  const std::string_view file(reinterpret_cast<const char*>(data) + 1, size - 1);
  // DOS pages and Windows pages both, by the second byte.
  corvane::readers::LegacyCodePages pages;
  if (size > 1 && (data[1] & 1) != 0) pages = {1251, 866};
  const corvane::readers::ReaderServices services{corvane::readers::Windows1252(),
                                                  corvane::os::SystemCodePageDecoder(), pages};
  (void)reader.check(file);
  const corvane::readers::ReaderResult result = reader.convert(file, services);
  if (result.converted) {
    if (!result.reason.empty() || result.rtf.size() > 16 * file.size() + (1u << 20)) std::abort();
    if (corvane::RenderRtfAsHtml(result.rtf).empty()) std::abort();
  } else if (result.reason.empty() || !result.rtf.empty()) {
    std::fprintf(stderr, "revenge_fuzz: a failure without its reason\n");
    std::abort();
  }
  return 0;
}
