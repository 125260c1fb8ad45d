// The package's own structure: relationships between parts, and the
// small parts read whole (content types, core properties).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "readers/docx/xml_reader.h"
#include "readers/docx/zip_package.h"

namespace corvane::docx {

struct Relationship {
  std::string id;
  std::string type;
  std::string target;    // resolved to a part name; "" for an external target
  std::string external;  // an external target as written (never fetched)
};

// "word/_rels/document.xml.rels" for "word/document.xml".
std::string RelationshipsPartOf(std::string_view part);
// Target as the source part names it, resolved to a part name.
std::string ResolveTarget(std::string_view source_part, std::string_view target);

// Parses a whole part with handler; error says why it could not be.
PackageError ParsePart(ZipPackage& package, std::string_view part, XmlHandler& handler);

// The relationships of source_part ("" for the package); a missing
// relationships part gives none.
PackageError ReadRelationships(ZipPackage& package, std::string_view source_part,
                               std::vector<Relationship>& out);
// The first internal target whose type ends with "/" + kind.
std::string FindTarget(const std::vector<Relationship>& relationships, std::string_view kind);

// The text of dc:title in a core properties part.
PackageError ReadTitle(ZipPackage& package, std::string_view part, std::string& title);

}  // namespace corvane::docx
