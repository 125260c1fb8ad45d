// Which of the engine's two outputs a conversion writes.
#pragma once

#include <string>
#include <string_view>

namespace corvane::import {

enum class HtmlOutput {
  kClassic,   // the engine's own bytes, no character set declared
  kFullText,  // UTF-8 that keeps all the text
};

// The engine's HTML for rtf in the chosen output; full text decodes with the
// system's code page tables.
std::string RenderHtml(std::string_view rtf, HtmlOutput output);

}  // namespace corvane::import
