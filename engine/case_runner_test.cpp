// Runs the engine's example files, engine/cases/*.txt, one test per example.
//
// File format. Text outside examples is prose; "## " lines name sections.
// An example is a fence of 32 backticks and " example", the RTF input, a line
// holding only ".", the expected HTML, and a closing fence of 32 backticks:
//
//   ```````````````````````````````` example
//   {\rtf1 a\par b}
//   .
//
//   <p>a</p>
//   <p>b</p>
//   ````````````````````````````````
//
// - A line break inside a block stands for CR LF. The block's last line has
//   none, so a block that ends in CR LF ends with an empty line.
// - Every other byte that is not printable ASCII (tab, a lone CR or LF, NUL,
//   bytes 127 to 255) is written as a marker of two uppercase hex digits in
//   U+27E8/U+27E9 brackets: ⟨E9⟩ is the byte 0xE9, ⟨2E⟩ a "." that would
//   otherwise end the input. Raw tabs and other control bytes are refused,
//   so the files hold no invisible bytes; ⟨20⟩ keeps a trailing space visible.
//   ⟨U+0416⟩ (four to six hex digits) is the UTF-8 of that character.
// - A file holding the prose line "Output: full text" before its first
//   example is rendered by RenderRtfAsFullTextHtml with the system's code
//   page tables, and its frame declares UTF-8 after "<head>".
// - The expected block is the body, the text between "<body>" and
//   "\r\n</body></html>\r\n" of a document whose title is empty. A block
//   that starts with "<!DOCTYPE" is the whole document instead; cases about
//   the title and the frame use that form.
//
// Test names are <file>_<section>_<n>, n counting from 1 within the section.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/rtf2html.h"
#include "os/code_pages.h"
#include "tests/case_files.h"

namespace {

using corvane::cases::Example;
using corvane::cases::Visible;

const std::vector<Example>& AllExamples() {
  static const std::vector<Example> examples = corvane::cases::LoadExamples(CORVANE_CASES_DIR);
  return examples;
}

std::string ExpectedDocument(const Example& example) {
  if (example.expected.rfind("<!DOCTYPE", 0) == 0) return example.expected;
  const std::string charset = example.full_text ? "<meta charset=\"utf-8\">" : "";
  return "<!DOCTYPE html>\r\n<html><head>" + charset + "\r\n<title></title>\r\n</head>\r\n<body>" +
         example.expected + "\r\n</body></html>\r\n";
}

std::string Indent(const std::string& text) {
  std::string out = "    ";
  for (char c : text) {
    out += c;
    if (c == '\n') out += "    ";
  }
  return out;
}

class EngineCase : public testing::TestWithParam<Example> {};

TEST_P(EngineCase, RendersAsExpected) {
  const Example& example = GetParam();
  ASSERT_TRUE(example.error.empty()) << example.error;

  const std::string expected = ExpectedDocument(example);
  const std::string actual =
      example.full_text
          ? corvane::RenderRtfAsFullTextHtml(example.input, corvane::os::SystemCodePageDecoder())
          : corvane::RenderRtfAsHtml(example.input);
  if (actual == expected) return;

  std::size_t at = 0;
  while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
  // The line holding the first difference, which starts in both texts alike.
  const std::size_t newline = at == 0 ? std::string::npos : expected.rfind('\n', at - 1);
  const std::size_t line_start = newline == std::string::npos ? 0 : newline + 1;
  const std::string where = "engine/cases/" + example.file;
  ADD_FAILURE_AT(where.c_str(), example.line)
      << "section \"" << example.section << "\", example " << example.number << "\n"
      << "  input:\n"
      << Indent(Visible(example.input)) << "\n"
      << "  expected:\n"
      << Indent(Visible(expected)) << "\n"
      << "  actual:\n"
      << Indent(Visible(actual)) << "\n"
      << "  first difference at byte " << at << "; the line there, expected then actual:\n"
      << Indent(Visible(expected.substr(line_start, at - line_start + 40))) << "\n"
      << Indent(Visible(actual.substr(line_start, at - line_start + 40)));
}

INSTANTIATE_TEST_SUITE_P(Cases, EngineCase, testing::ValuesIn(AllExamples()),
                         [](const testing::TestParamInfo<Example>& info) {
                           return info.param.name;
                         });

}  // namespace
