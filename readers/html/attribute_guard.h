// libxml2's HTML parser checks each attribute of a tag against the ones
// before it, so a tag with very many attributes costs the square of their
// number. This cheap pass over the page finds such a tag first.
#pragma once

#include <cstddef>
#include <string_view>

namespace corvane::html {

inline constexpr std::size_t kMaxAttributesPerTag = 2000;

// The largest number of attributes any start tag of the page holds (script
// and style contents and comments are passed over), counted up to just
// past kMaxAttributesPerTag. Linear in the page.
std::size_t MostAttributesInATag(std::string_view page);

}  // namespace corvane::html
