// The per-file entry: one input document becomes one HTML file.
#pragma once

#include <string>

#include "import/html_output.h"

namespace corvane::import {

// What one conversion came to.
struct Outcome {
  bool converted = false;
  std::string output;  // where the HTML went; empty unless converted
  std::string reason;  // why not, in a sentence; empty when converted
};

// Converts input to HTML. An empty output name means the default one beside
// the input. Not converted when the type is not supported, when no
// converter or reader of its row could convert it, or when the output would
// overwrite the input itself. Throws FileError when the input cannot be
// read or the output cannot be written.
Outcome ConvertDocument(const std::string& input, const std::string& output = {},
                        HtmlOutput html_output = HtmlOutput::kClassic);

// The same, answering only whether an output was written.
bool ConvertDocumentFile(const std::string& input, const std::string& output = {},
                         HtmlOutput html_output = HtmlOutput::kClassic);

}  // namespace corvane::import
