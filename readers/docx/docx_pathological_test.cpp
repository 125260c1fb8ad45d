// Pathological packages: small inputs that a step of more than linear work
// would turn into minutes. Each is some ten times the size at which such a
// step already took seconds, while the reader takes a fraction of a second;
// ctest gives this table a tight timeout of its own, which turns a slip into
// a failure. Nothing here reads a clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/rtf2html.h"
#include "readers/docx/docx_fixture.h"
#include "readers/docx/docx_reader.h"

namespace corvane::docx {
namespace {

using testing::BuildDocx;

constexpr const char* kWordNamespace =
    "http://schemas.openxmlformats.org/wordprocessingml/2006/main";

std::string Repeat(std::string_view piece, std::size_t times) {
  std::string out;
  out.reserve(piece.size() * times);
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

// The HTML body (between <body> and </body>).
std::string HtmlBody(const std::string& rtf) {
  const std::string html = RenderRtfAsHtml(rtf);
  const std::size_t start = html.find("<body>") + 6;
  return html.substr(start, html.rfind("\r\n</body>") - start);
}

const std::string kBulletNumbering = std::string("<w:numbering xmlns:w=\"") + kWordNamespace +
                                     "\"><w:abstractNum w:abstractNumId=\"1\"><w:lvl w:ilvl=\"0\">"
                                     "<w:numFmt w:val=\"bullet\"/></w:lvl></w:abstractNum>"
                                     "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"1\"/></w:num>"
                                     "</w:numbering>";

constexpr std::size_t kStyles = 100'000;

// kStyles paragraph styles, style i based on base(i) ("" for none), the ones
// numbered(i) says carrying bullet numbering; one paragraph in each style.
template <typename Base, typename Numbered>
std::string StyledPackage(Base base, Numbered numbered) {
  std::string styles = std::string("<w:styles xmlns:w=\"") + kWordNamespace + "\">";
  std::string body;
  for (std::size_t i = 0; i < kStyles; ++i) {
    const std::string id = "s" + std::to_string(i);
    const std::string based_on = base(i);
    styles += "<w:style w:type=\"paragraph\" w:styleId=\"" + id + "\">";
    if (!based_on.empty()) styles += "<w:basedOn w:val=\"" + based_on + "\"/>";
    if (numbered(i)) styles += "<w:pPr><w:numPr><w:numId w:val=\"1\"/></w:numPr></w:pPr>";
    styles += "</w:style>";
    body += "<w:p><w:pPr><w:pStyle w:val=\"" + id + "\"/></w:pPr><w:r><w:t>a</w:t></w:r></w:p>";
  }
  styles += "</w:styles>";
  return BuildDocx(body, {{"word/styles.xml", styles}, {"word/numbering.xml", kBulletNumbering}});
}

std::string Paragraphs(std::size_t count) { return Repeat("\r\n<p>a</p>", count); }
std::string BulletItems(std::size_t count) {
  return "\r\n<ul><li>a</li>" + Repeat("\r\n<li>a</li>", count - 1) + "</ul>";
}

struct Pathological {
  const char* name;
  std::string (*make)();
  std::string (*body)();
};

const Pathological kPathological[] = {
    {"styles_based_on_themselves_100k",
     [] {
       return StyledPackage([](std::size_t i) { return "s" + std::to_string(i); },
                            [](std::size_t) { return false; });
     },
     [] { return Paragraphs(kStyles); }},
    {"style_chain_100k_numbered_at_its_end",
     [] {
       return StyledPackage(
           [](std::size_t i) { return i + 1 < kStyles ? "s" + std::to_string(i + 1) : ""; },
           [](std::size_t i) { return i + 1 == kStyles; });
     },
     [] { return BulletItems(kStyles); }},
    {"style_ring_100k_numbered_at_one_point",
     [] {
       return StyledPackage([](std::size_t i) { return "s" + std::to_string((i + 1) % kStyles); },
                            [](std::size_t i) { return i == kStyles / 2; });
     },
     [] { return BulletItems(kStyles); }},
    {"prefixes_50k_required_by_40_choices",
     [] {
       constexpr int kPrefixes = 50'000;
       std::string declarations;
       std::string requires_all;
       for (int i = 0; i < kPrefixes; ++i) {
         const std::string prefix = "p" + std::to_string(i);
         declarations += " xmlns:" + prefix + "=\"" + kWordNamespace + "\"";
         requires_all += (i == 0 ? "" : " ") + prefix;
       }
       // The first declared is the one found last by a search from the
       // innermost declaration out.
       const std::string choice = "<w:p><mc:AlternateContent><mc:Choice Requires=\"" +
                                  requires_all +
                                  "\"><w:r><w:t>c</w:t></w:r></mc:Choice><mc:Fallback><w:r><w:t>f"
                                  "</w:t></w:r></mc:Fallback></mc:AlternateContent></w:p>";
       return BuildDocx("<w:sdt" + declarations + "><w:sdtContent>" + Repeat(choice, 40) +
                        "</w:sdtContent></w:sdt>");
     },
     [] { return Repeat("\r\n<p>c</p>", 40); }},
};

class PathologicalPackage : public ::testing::TestWithParam<Pathological> {};

TEST_P(PathologicalPackage, ReadsInLinearTime) {
  const ReadResult result = ConvertDocxToRtf(GetParam().make(), Windows1252());
  ASSERT_EQ(result.status, ReadStatus::kOk) << result.message;
  const std::string body = HtmlBody(result.rtf);
  const std::string expected = GetParam().body();
  EXPECT_TRUE(body == expected) << body.substr(0, 200);
}

INSTANTIATE_TEST_SUITE_P(Pathological, PathologicalPackage, ::testing::ValuesIn(kPathological),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvane::docx
