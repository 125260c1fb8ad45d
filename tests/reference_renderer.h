// A slow, literal RTF-to-HTML renderer that the tests and the fuzz target hold
// the engine against. It is written for obviousness, not speed: 1-based
// positions, one byte at a time, and a clean-up made of seven naive passes.
// Where it and the engine differ, this one is the easier to reason about.
#pragma once

#include <string>
#include <string_view>

namespace corvane::reference {

// Same contract as corvane::RenderRtfAsHtml.
std::string RenderRtfAsHtml(std::string_view rtf);

unsigned char HexDigitValue(unsigned char c);

// The seven replacements, each a plain left-to-right search over the text.
std::string CleanUpBody(std::string_view text);

}  // namespace corvane::reference
