// libFuzzer target: any bytes must render to a framed document that equals,
// byte for byte, what the reference renderer makes of them; and in the
// full-text output to a framed document of valid UTF-8.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/rtf2html.h"
#include "os/code_pages.h"
#include "tests/reference_renderer.h"

namespace {

constexpr std::string_view kHead = "<!DOCTYPE html>\r\n<html><head>\r\n<title>";
constexpr std::string_view kTail = "\r\n</body></html>\r\n";
constexpr std::string_view kFullTextHead =
    "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\">\r\n<title>";

// Shortest forms only, no surrogates, nothing beyond U+10FFFF.
bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned long value = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
      value = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      value = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      value = c & 0x07u;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const unsigned char t = static_cast<unsigned char>(text[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      value = value << 6 | (t & 0x3Fu);
    }
    if ((length == 3 && value < 0x800) || (length == 4 && value < 0x10000) ||
        (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
      return false;
    }
    i += length;
  }
  return true;
}

[[noreturn]] void Fail(const char* what, const std::string& engine, const std::string& reference) {
  std::size_t at = 0;
  while (at < engine.size() && at < reference.size() && engine[at] == reference[at]) ++at;
  std::fprintf(stderr,
               "engine_fuzz: %s (engine %zu bytes, reference %zu, first difference at %zu)\n", what,
               engine.size(), reference.size(), at);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view rtf(reinterpret_cast<const char*>(data), size);
  const std::string engine = corvane::RenderRtfAsHtml(rtf);
  const std::string reference = corvane::reference::RenderRtfAsHtml(rtf);
  if (!engine.starts_with(kHead) || !engine.ends_with(kTail))
    Fail("broken frame", engine, reference);
  if (engine != reference) Fail("engine and reference differ", engine, reference);

  const std::string full_text =
      corvane::RenderRtfAsFullTextHtml(rtf, corvane::os::SystemCodePageDecoder());
  if (!full_text.starts_with(kFullTextHead) || !full_text.ends_with(kTail))
    Fail("broken full-text frame", full_text, engine);
  if (!IsValidUtf8(full_text)) Fail("full-text output is no valid UTF-8", full_text, engine);
  return 0;
}
