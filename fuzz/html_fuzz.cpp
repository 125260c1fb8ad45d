// libFuzzer target for the web page reader: any bytes are a page. The
// reader must answer, within its output bound, and what it writes must
// render. The first byte picks a prefix, so that mutations also run under
// a declared code page, a UTF-16 byte-order mark and an office suite's
// list markup.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/rtf2html.h"
#include "os/code_pages.h"
#include "readers/html/html_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string page;
  if (!input.empty()) {
    switch (static_cast<unsigned char>(input.front()) % 8) {
      case 0: page = "<meta charset=windows-1251>"; break;
      case 1: page = "<meta charset=shift_jis>"; break;
      case 2: page = "\xFF\xFE"; break;
      case 3:
        page = "<p class=MsoListParagraph><![if !supportLists]><span style='mso-list:Ignore'>";
        break;
      default: break;
    }
    input.remove_prefix(1);
  }
  page += input;
  const corvane::readers::ReaderServices services{corvane::readers::Windows1252(),
                                                  corvane::os::SystemCodePageDecoder()};
  const corvane::readers::ReaderResult result = corvane::html::Convert(page, services);
  if (result.converted) {
    if (!result.reason.empty() || result.rtf.size() > 16 * page.size() + (1u << 20)) std::abort();
    if (corvane::RenderRtfAsHtml(result.rtf).empty()) std::abort();
  } else if (result.reason.empty() || !result.rtf.empty()) {
    std::fprintf(stderr, "html_fuzz: a failure without its reason\n");
    std::abort();
  }
  (void)corvane::html::IsFormatCorrect(page);
  return 0;
}
