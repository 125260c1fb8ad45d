// Test fixtures: small ZIP archives and .docx packages built in memory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::docx::testing {

struct ZipEntry {
  std::string name;
  std::string data;
  bool deflate = true;
  std::uint16_t flags = 0;  // general purpose bits: 1 marks an encrypted entry
};

std::string BuildZip(const std::vector<ZipEntry>& entries);

// Opening tag of w:document with the namespaces the fixtures use.
extern const char* const kDocumentOpen;

// A package whose main part word/document.xml holds body inside w:body,
// with content types, package and document relationships (styles,
// numbering, footnotes, endnotes: each used when extra holds the part).
std::string BuildDocx(std::string_view body, std::vector<ZipEntry> extra = {});

}  // namespace corvane::docx::testing
