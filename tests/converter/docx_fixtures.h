// Small Word packages for the converter tests, zipped by minizip, and the
// HTML the portable path makes of them: the reader in this process, then
// the engine, as corvane-cli does on Linux.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace corvane::converter_testing {

using PackageParts = std::vector<std::pair<std::string, std::string>>;

// The parts of a document whose body is body_xml (the children of w:body),
// titled title; macro_enabled gives a .docm's content type.
PackageParts WordDocumentParts(const std::string& title, const std::string& body_xml,
                               bool macro_enabled = false);

// The ZIP bytes of the parts, made through a file at scratch_path.
std::string ZipPackage(const PackageParts& parts, const std::string& scratch_path);

// What the portable path makes of a package: reader with Windows-1252, then
// the engine. Empty when the reader refuses the package.
std::string PortableHtml(const std::string& package);

// An OLE compound file, the container of an older binary document; with
// encrypted, the one a password-protected package comes in (its directory
// names an EncryptionInfo stream).
std::string CompoundFile(bool encrypted);

// A body with a bit of everything the converter's output must carry
// whole: letters outside ASCII and outside the code page, a table, breaks.
std::string SampleBody(int paragraphs);

}  // namespace corvane::converter_testing
