// The CLI's one-line progress display.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::cli {

// The name with its control characters (line feeds, escape sequences)
// shown as \n, \t, \r or \xHH, so that a name cannot move the cursor,
// split a line or command the terminal.
std::string EscapeControlCharacters(std::string_view name);

// The path cut in the middle with "..." so that it takes at most width
// characters; the end (the file name) is what matters most.
std::string ShortenPath(std::string_view path, std::size_t width);

// "Item 3 of 40 [###-----------------]   7% C:\docs\report.rtf", fitted to
// width characters.
std::string FormatProgressLine(std::int32_t taken, std::int32_t total, std::string_view path,
                               std::size_t width);

}  // namespace corvane::cli
