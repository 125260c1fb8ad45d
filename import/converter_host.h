// Runs the text converter registered for a class: it turns the input into
// RTF, which is translated and written to the output.
#pragma once

#include <string>

namespace corvane::import {

// True only when a converter of the class converted the input and the HTML
// was written to output. A class that is not registered answers false at
// once. Throws FileError when the output cannot be written.
bool RunTextConverter(const std::string& input, const std::string& converter_class,
                      const std::string& output);

}  // namespace corvane::import
