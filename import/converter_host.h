// Runs the text converter registered for a class: it turns the input into
// RTF, which is translated and written to the output.
#pragma once

#include <stdexcept>
#include <string>

#include "import/html_output.h"

namespace corvane::import {

// A converter registration that cannot be used as it stands:
// "Invalid data type for 'Path'".
class ConverterRegistrationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Module start and end, called once each from the program's entry point.
// The start creates the lock under which converters run. The end removes
// the program's leftover temporary copies and deletes the lock, unless a
// worker may still run (workers_ended false): then the lock stays.
void StartConverterModule();
void EndConverterModule(bool workers_ended);

// True only when a converter of the class converted the input and the HTML
// was written to output. A class that is not registered answers false at
// once. Throws FileError when the output cannot be written, and
// ConverterRegistrationError when the class's "Path" is not a string.
bool RunTextConverter(const std::string& input, const std::string& converter_class,
                      const std::string& output, HtmlOutput html_output = HtmlOutput::kClassic);
// The same, telling in reason why a registered converter failed; reason
// is left as it was for a class that is not registered.
bool RunTextConverter(const std::string& input, const std::string& converter_class,
                      const std::string& output, HtmlOutput html_output, std::string& reason);

}  // namespace corvane::import
