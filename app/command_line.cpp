#include "app/command_line.h"

#include <utility>

namespace corvane::app {
namespace {

// Bytes are compared unsigned: a byte above 127 (a letter of the ANSI code
// page) is part of an argument, never a separator.
bool IsSeparator(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 1 && byte <= 32;
}

// Reads the argument that starts at `at` (not a separator); returns where
// the scan stopped.
std::size_t ReadArgument(std::string_view line, std::size_t at, std::string& argument) {
  while (at < line.size() && !IsSeparator(line[at])) {
    if (line[at] == '"') {
      const std::size_t close = line.find('"', at + 1);
      const std::size_t end = close == std::string_view::npos ? line.size() : close;
      argument.append(line.substr(at + 1, end - at - 1));
      at = close == std::string_view::npos ? line.size() : close + 1;
    } else {
      argument.push_back(line[at]);
      ++at;
    }
  }
  return at;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view command_line) {
  // The system's command line ends at its terminating zero.
  const std::string_view line = command_line.substr(0, command_line.find('\0'));
  std::vector<std::string> arguments;
  std::size_t at = 0;
  for (;;) {
    while (at < line.size() && IsSeparator(line[at])) ++at;
    if (at >= line.size()) break;
    std::string argument;
    at = ReadArgument(line, at, argument);
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

std::string FirstArgument(std::string_view command_line) {
  std::vector<std::string> arguments = SplitCommandLine(command_line);
  return arguments.size() > 1 ? std::move(arguments[1]) : std::string();
}

}  // namespace corvane::app
