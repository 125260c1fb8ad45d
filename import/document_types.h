// Which documents the driver accepts, how it reaches their RTF, and where
// their HTML goes.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace corvane::import {

// How one lower-cased extension is read: directly as RTF, or through the
// converter classes in turn until one succeeds.
struct DocumentType {
  std::span<const std::string_view> extensions;
  std::span<const std::string_view> converter_classes;  // empty: direct RTF
};

// The extension of a name: from its last "." to the end, unless a path
// separator (or drive colon) follows that dot; "" when there is none.
std::string_view ExtensionOf(std::string_view name);

// The input name with the part of its extension after the dot replaced by
// "html": C:\Docs\Report.DOC gives C:\Docs\Report.html.
std::string DefaultOutputName(std::string_view input);

// The type whose extensions hold the extension, compared after ANSI
// lower-casing; nullptr when the extension is not supported.
const DocumentType* FindDocumentType(std::string_view extension);

// Every supported type, in the order they are tested.
std::span<const DocumentType> DocumentTypes();

}  // namespace corvane::import
