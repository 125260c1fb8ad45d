// libFuzzer target for the .docx reader. An input that starts like a ZIP is
// read as a whole package; any other input becomes the main part of a
// package built around it, so that mutations reach the XML layer and the
// body walker instead of stopping at the archive's checksums. Either way the
// reader must answer, and what it writes must render.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/rtf2html.h"
#include "readers/docx/docx_fixture.h"
#include "readers/docx/docx_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string package;
  if (input.substr(0, 2) == "PK") {
    package.assign(input);
  } else {
    package = corvane::docx::testing::BuildZip(
        {{"_rels/.rels",
          "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
          "<Relationship Id=\"r\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
          "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>",
          false},
         {"word/document.xml", std::string(input), false}});
  }
  corvane::docx::IsWordPackage(package);
  const corvane::docx::ReadResult result =
      corvane::docx::ConvertDocxToRtf(package, corvane::docx::Windows1252());
  if (result.status == corvane::docx::ReadStatus::kOk) {
    if (!result.message.empty()) std::abort();
    corvane::RenderRtfAsHtml(result.rtf);  // under the sanitizers
  } else if (result.message.empty() || !result.rtf.empty()) {
    std::fprintf(stderr, "docx_fuzz: a failure without its reason\n");
    std::abort();
  }
  return 0;
}
