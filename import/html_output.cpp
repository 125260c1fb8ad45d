#include "import/html_output.h"

#include "engine/rtf2html.h"
#include "os/code_pages.h"

namespace corvane::import {

std::string RenderHtml(std::string_view rtf, HtmlOutput output) {
  if (output == HtmlOutput::kFullText) {
    return RenderRtfAsFullTextHtml(rtf, os::SystemCodePageDecoder());
  }
  return RenderRtfAsHtml(rtf);
}

}  // namespace corvane::import
