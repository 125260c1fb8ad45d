// The forms of a source's name that the CLI compares and places by.
#pragma once

#include <string>
#include <string_view>

namespace corvane::cli {

// Where a source named as given goes below an output folder, as archivers
// store names: its root (a leading separator, a drive, a share's leading
// separators) and its "." components dropped, the rest kept. Empty for
// the current folder or a root.
std::string PlaceBelowOutputFolder(std::string_view given);

// One key for every spelling of a full name: "." components and repeated
// separators do not count, nor, on Windows, case or the kind of separator.
std::string SameFileKey(std::string_view full_name);

}  // namespace corvane::cli
