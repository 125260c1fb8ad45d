// libFuzzer target: any bytes must render to a framed document that equals,
// byte for byte, what the reference renderer makes of them.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/rtf2html.h"
#include "tests/reference_renderer.h"

namespace {

constexpr std::string_view kHead = "<!DOCTYPE html>\r\n<html><head>\r\n<title>";
constexpr std::string_view kTail = "\r\n</body></html>\r\n";

[[noreturn]] void Fail(const char* what, const std::string& engine, const std::string& reference) {
  std::size_t at = 0;
  while (at < engine.size() && at < reference.size() && engine[at] == reference[at]) ++at;
  std::fprintf(stderr, "engine_fuzz: %s (engine %zu bytes, reference %zu, first difference at %zu)\n",
               what, engine.size(), reference.size(), at);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view rtf(reinterpret_cast<const char*>(data), size);
  const std::string engine = corvane::RenderRtfAsHtml(rtf);
  const std::string reference = corvane::reference::RenderRtfAsHtml(rtf);
  if (!engine.starts_with(kHead) || !engine.ends_with(kTail)) Fail("broken frame", engine, reference);
  if (engine != reference) Fail("engine and reference differ", engine, reference);
  return 0;
}
