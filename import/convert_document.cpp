#include "import/convert_document.h"

#include "import/converter_host.h"
#include "import/document_types.h"
#include "import/failure_reason.h"
#include "import/file_io.h"
#include "os/os.h"

namespace corvane::import {
namespace {

// Compared as the file system would: full paths, case folded.
bool NamesSameFile(const std::string& a, const std::string& b) {
  std::string full_a = os::FullPathName(a);
  std::string full_b = os::FullPathName(b);
  os::LowerCaseAnsi(full_a);
  os::LowerCaseAnsi(full_b);
  return full_a == full_b;
}

}  // namespace

bool ConvertDocumentFile(const std::string& input, const std::string& output,
                         HtmlOutput html_output) {
  const std::string target = output.empty() ? DefaultOutputName(input) : output;
  SetFailureReason({});
  const DocumentType* type = FindDocumentType(ExtensionOf(input));
  if (type == nullptr) {
    SetFailureReason("not a supported document type");
    return false;
  }
  // An ".html" input maps onto itself; converting would destroy the source.
  if (NamesSameFile(input, target)) {
    SetFailureReason("the output would be the input itself");
    return false;
  }
  // Before any work: a link, pipe or hard link to the input at the output's
  // name fails whatever the converter would have made.
  CheckOutputName(target, input);

  if (type->converter_classes.empty()) {
    const std::string html = RenderHtml(ReadWholeFile(input).View(), html_output);
    WriteTextFile(target, html, input);
    return !html.empty();
  }
  for (std::string_view converter_class : type->converter_classes) {
    if (RunTextConverter(input, std::string(converter_class), target, html_output)) return true;
  }
  // A registered converter that failed said why; none said anything.
  if (LastFailureReason().empty()) SetFailureReason("no converter is registered for this type");
  return false;
}

}  // namespace corvane::import
