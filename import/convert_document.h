// The per-file entry: one input document becomes one HTML file.
#pragma once

#include <string>

#include "import/html_output.h"

namespace corvane::import {

// Converts input to HTML. An empty output name means the default one beside
// the input. False when the type is not supported, when no converter could
// convert it, or when the output would overwrite the input itself. Throws
// FileError when the input cannot be read or the output cannot be written.
bool ConvertDocumentFile(const std::string& input, const std::string& output = {},
                         HtmlOutput html_output = HtmlOutput::kClassic);

}  // namespace corvane::import
