// The program's command line, split the way the start-up reads it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvane::app {

// Arguments are separated by blanks and control characters (codes 1 to 32);
// double quotes group a stretch that may hold blanks and are themselves
// dropped ("" is an empty argument); a backslash is an ordinary character.
// The first item is the program as the command line names it.
std::vector<std::string> SplitCommandLine(std::string_view command_line);

// The first argument after the program, or "" when there is none.
std::string FirstArgument(std::string_view command_line);

// The one switch the program knows, compared byte for byte.
inline constexpr std::string_view kUninstallSwitch = "/uninstall";

}  // namespace corvane::app
