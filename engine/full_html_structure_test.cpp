// The full output is well-formed whatever the RTF does: every element closed,
// closed in order, and each where HTML allows it. Checked on every full-text
// example, on the RTF corpus and on generated hostile documents.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "engine/rtf2html.h"
#include "os/code_pages.h"
#include "tests/case_files.h"

namespace {

bool IsInline(std::string_view name) {
  return name == "strong" || name == "em" || name == "u" || name == "s" || name == "sup" ||
         name == "sub" || name == "a";
}
bool HoldsText(std::string_view name) {
  return IsInline(name) || name == "p" || name == "li" || name == "td" || name == "th" ||
         (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6');
}

// May child open inside parent ("body" at the top)?
bool Allowed(std::string_view parent, std::string_view child) {
  if (parent == "ul" || parent == "ol") return child == "li";
  if (parent == "table") return child == "tr";
  if (parent == "tr") return child == "td" || child == "th";
  if (parent == "a" && child == "a") return false;
  if (HoldsText(parent)) return IsInline(child) || child == "br";
  if (parent == "body")
    return !IsInline(child) && child != "li" && child != "tr" && child != "td" && child != "th" &&
           child != "br";
  return false;
}

bool IsKnown(std::string_view name) {
  return HoldsText(name) || name == "ul" || name == "ol" || name == "table" || name == "tr" ||
         name == "br" || name == "hr";
}

// The body's first fault, or "" when it is well-formed. Text holds no raw
// "<" or ">", and every "&" starts an entity.
std::string FirstFault(std::string_view body) {
  std::vector<std::string> open = {"body"};
  std::size_t at = 0;
  while (at < body.size()) {
    const char c = body[at];
    if (c == '>') return "a raw > at " + std::to_string(at);
    if (c == '&') {
      const std::size_t end = body.find(';', at);
      if (end == std::string_view::npos || end - at > 10 || end == at + 1)
        return "a bare & at " + std::to_string(at);
      at = end + 1;
      continue;
    }
    if (c != '<') {
      if (c != '\r' && c != '\n' && !HoldsText(open.back()))
        return "text in <" + open.back() + "> at " + std::to_string(at);
      ++at;
      continue;
    }
    const std::size_t end = body.find('>', at);
    if (end == std::string_view::npos) return "an unended tag";
    std::string_view tag = body.substr(at + 1, end - at - 1);
    at = end + 1;
    const bool closing = !tag.empty() && tag[0] == '/';
    if (closing) tag.remove_prefix(1);
    const bool empty_element = !tag.empty() && tag.back() == '/';
    const std::string name(tag.substr(0, tag.find_first_of(" /")));
    if (!IsKnown(name)) return "an unknown tag <" + std::string(tag) + ">";
    const std::string_view attributes = tag.substr(name.size());
    if (name == "a" && !closing) {
      if (attributes.substr(0, 7) != " href=\"" || attributes.back() != '"' ||
          attributes.find('"', 7) != attributes.size() - 1 ||
          attributes.find_first_of("<>'") != std::string_view::npos)
        return "a link with bad attributes: " + std::string(tag);
    } else if (attributes != "" && attributes != " /") {
      return "attributes on <" + std::string(tag) + ">";
    }
    if (closing) {
      if (open.back() != name) return "</" + name + "> closes <" + open.back() + ">";
      open.pop_back();
      continue;
    }
    if (!Allowed(open.back(), name)) return "<" + name + "> inside <" + open.back() + ">";
    if ((name == "br" || name == "hr") != empty_element) return "<" + std::string(tag) + ">";
    if (!empty_element) open.push_back(name);
  }
  if (open.size() != 1) return "<" + open.back() + "> left open";
  return "";
}

std::string FullBody(std::string_view rtf) {
  const std::string html =
      corvane::RenderRtfAsFullTextHtml(rtf, corvane::os::SystemCodePageDecoder());
  const std::size_t start = html.find("<body>") + 6;
  const std::size_t end = html.rfind("\r\n</body></html>\r\n");
  return html.substr(start, end - start);
}

TEST(FullHtmlChecker, FindsTheFaultsItLooksFor) {
  EXPECT_EQ(FirstFault("\r\n<p><strong>a</strong> &amp; <a href=\"x\">b</a></p>"), "");
  for (const std::string_view bad :
       {"<p><strong>a</p></strong>", "<p>a", "<strong>a</strong>", "<p><p>a</p></p>", "<ul>x</ul>",
        "<p>a & b</p>", "<p><a href=\"x\"><a href=\"y\">b</a></a></p>",
        "<p><a href=\"x\" onclick=\"y\">b</a></p>", "<td>a</td>", "<p>a<hr /></p>"}) {
    EXPECT_NE(FirstFault(bad), "") << bad;
  }
}

TEST(FullHtmlStructure, EveryFullTextExampleIsWellFormed) {
  for (const corvane::cases::Example& example : corvane::cases::LoadExamples(CORVANE_CASES_DIR)) {
    if (!example.full_text) continue;
    EXPECT_EQ(FirstFault(FullBody(example.input)), "")
        << example.file << ":" << example.line << "\n"
        << example.input;
  }
}

TEST(FullHtmlStructure, EveryCorpusFileIsWellFormed) {
  std::size_t files = 0;
  for (const char* folder : {CORVANE_BUNDLED_CORPUS_DIR, CORVANE_CORPUS_DIR}) {
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, error)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string rtf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      const std::string body = FullBody(rtf);
      const std::string fault = FirstFault(body);
      EXPECT_EQ(fault, "") << entry.path();
      ++files;
    }
  }
  EXPECT_GT(files, 0u);
}

// Formatting, blocks, tables and links in every order, groups closed too
// early, too late or never.
TEST(FullHtmlStructure, GeneratedHostileDocumentsAreWellFormed) {
  constexpr std::string_view kPieces[] = {
      "{",
      "}",
      "}",
      "\\b ",
      "\\b0 ",
      "\\i ",
      "\\i0 ",
      "\\ul ",
      "\\ulnone ",
      "\\strike ",
      "\\super ",
      "\\sub ",
      "\\up4 ",
      "\\dn0 ",
      "\\nosupersub ",
      "\\plain ",
      "\\par ",
      "\\pard ",
      "\\cell ",
      "\\row ",
      "\\intbl ",
      "\\trowd\\trhdr ",
      "\\page ",
      "\\sect ",
      "\\s1 ",
      "\\s2 ",
      "\\outlinelevel0 ",
      "\\outlinelevel9 ",
      "{\\*\\pn\\pnlvlblt}",
      "{\\*\\pn\\pnlvlbody}",
      "\\ls1 ",
      "text ",
      "a<b&c ",
      "\\line ",
      "\\tab ",
      "\\'e9",
      "\\u8364?",
      "\\emdash ",
      " ",
      "{\\field{\\*\\fldinst HYPERLINK \"http://a/?q=\\\"1\\\"<x>\"}{\\fldrslt ",
      "{\\field{\\*\\fldinst HYPERLINK \\\\l \"b\"}{\\fldrslt ",
      "{\\field{\\*\\fldinst HYPERLINK \"javascript:x\"}{\\fldrslt "};
  constexpr std::string_view kHead =
      "{\\rtf1{\\stylesheet{\\s1 heading 1;}{\\s2\\sbasedon1 x;}}"
      "{\\*\\listtable{\\list{\\listlevel\\levelnfc0}\\listid5}}"
      "{\\*\\listoverridetable{\\listoverride\\listid5\\ls1}}";
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  for (int document = 0; document < 3000; ++document) {
    std::string rtf(kHead);
    const std::uint32_t length = 5 + next() % 80;
    for (std::uint32_t i = 0; i < length; ++i) rtf += kPieces[next() % std::size(kPieces)];
    const std::string fault = FirstFault(FullBody(rtf));
    ASSERT_EQ(fault, "") << rtf << "\n" << FullBody(rtf);
  }
}

}  // namespace
