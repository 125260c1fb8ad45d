// The converter host where no converter can be registered: every class
// answers as an unregistered one does, and nothing is ever copied.
#include "import/converter_host.h"

namespace corvane::import {

void StartConverterModule() {}

void EndConverterModule(bool /*workers_ended*/) {}

bool RunTextConverter(const std::string& /*input*/, const std::string& /*converter_class*/,
                      const std::string& /*output*/) {
  return false;
}

}  // namespace corvane::import
