#include "import/convert_document.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "import/built_in_readers.h"
#include "import/converter_host.h"
#include "import/document_types.h"
#include "import/file_io.h"
#include "os/ansi_encoder.h"
#include "os/code_pages.h"
#include "os/os.h"

namespace corvane::import {
namespace {

constexpr const char* kNoConverter = "no converter is registered for this type";

// Compared as the file system would: full paths, case folded.
bool NamesSameFile(const std::string& a, const std::string& b) {
  std::string full_a = os::FullPathName(a);
  std::string full_b = os::FullPathName(b);
  os::LowerCaseAnsi(full_a);
  os::LowerCaseAnsi(full_b);
  return full_a == full_b;
}

bool LooksLikeRtf(std::string_view bytes) { return bytes.starts_with("{\\rtf"); }

void WriteHtml(std::string_view rtf, const std::string& input, const std::string& target,
               HtmlOutput html_output, Outcome& outcome) {
  const std::string html = RenderHtml(rtf, html_output);
  WriteTextFile(target, html, input);
  outcome.converted = !html.empty();
  outcome.output = target;
  outcome.reason.clear();
}

// The row's own readers first, in its order; a file that none of them
// knows is read as what it really is (RTF, or another built-in format that
// only carries this type's name); failing that, the row's first reader
// tries it anyway, so that a damaged file is told what is wrong with it.
// Classes that share a reader (the Works versions) ask its library once.
const readers::BuiltInReader* ChooseReader(const DocumentType& type, std::string_view bytes) {
  std::vector<bool (*)(std::string_view)> asked;
  const auto knows = [&](const readers::BuiltInReader& reader) {
    if (std::find(asked.begin(), asked.end(), reader.is_format_correct) != asked.end()) {
      return false;
    }
    asked.push_back(reader.is_format_correct);
    return reader.is_format_correct(bytes);
  };
  const readers::BuiltInReader* first_of_row = nullptr;
  for (std::string_view converter_class : type.converter_classes) {
    const readers::BuiltInReader* reader = FindBuiltInReader(converter_class);
    if (reader == nullptr) continue;
    if (knows(*reader)) return reader;
    if (first_of_row == nullptr) first_of_row = reader;
  }
  for (const readers::BuiltInReader& reader : BuiltInReaders()) {
    if (knows(reader)) return &reader;
  }
  return LooksLikeRtf(bytes) ? nullptr : first_of_row;
}

void ConvertWithBuiltInReaders(const std::string& input, const std::string& target,
                               const DocumentType& type, HtmlOutput html_output, Outcome& outcome) {
  const os::Bytes content = ReadWholeFile(input);
  const std::string_view bytes = content.View();
  const readers::BuiltInReader* reader = ChooseReader(type, bytes);
  if (reader == nullptr) {
    if (LooksLikeRtf(bytes)) return WriteHtml(bytes, input, target, html_output, outcome);
    // A registered converter's own answer says more than ours would.
    if (outcome.reason.empty()) outcome.reason = kNoConverter;
    return;
  }
  const readers::ReaderServices services{os::SystemAnsiEncoder(), os::SystemCodePageDecoder(),
                                         os::UserLegacyCodePages()};
  readers::ReaderResult result = reader->convert(bytes, services);
  if (!result.converted) {
    outcome.reason = std::move(result.reason);
    return;
  }
  WriteHtml(result.rtf, input, target, html_output, outcome);
}

}  // namespace

Outcome ConvertDocument(const std::string& input, const std::string& output,
                        HtmlOutput html_output) {
  Outcome outcome;
  const std::string target = output.empty() ? DefaultOutputName(input) : output;
  const DocumentType* type = FindDocumentType(ExtensionOf(input));
  if (type == nullptr) {
    outcome.reason = "not a supported document type";
    return outcome;
  }
  // An ".html" input maps onto itself; converting would destroy the source.
  if (NamesSameFile(input, target)) {
    outcome.reason = "the output would be the input itself";
    return outcome;
  }
  // Before any work: a link, pipe or hard link to the input at the output's
  // name fails whatever the converter would have made.
  CheckOutputName(target, input);

  if (type->converter_classes.empty()) {
    WriteHtml(ReadWholeFile(input).View(), input, target, html_output, outcome);
    return outcome;
  }
  // Converters registered on the machine keep their place in the row: where
  // the original ones are installed, they convert as they always did.
  for (std::string_view converter_class : type->converter_classes) {
    if (RunTextConverter(input, std::string(converter_class), target, html_output,
                         outcome.reason)) {
      outcome.converted = true;
      outcome.output = target;
      outcome.reason.clear();
      return outcome;
    }
  }
  ConvertWithBuiltInReaders(input, target, *type, html_output, outcome);
  return outcome;
}

bool ConvertDocumentFile(const std::string& input, const std::string& output,
                         HtmlOutput html_output) {
  return ConvertDocument(input, output, html_output).converted;
}

}  // namespace corvane::import
