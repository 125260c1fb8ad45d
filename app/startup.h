// The program from start to end: module start in order, the command line,
// the window and its message loop, module end in reverse order.
#pragma once

#include <string_view>

namespace corvane::app {

// Runs the program for a process command line (argument 0 included). The
// exit code is always 0; errors on the way are shown in the error box.
int RunCorvane(std::string_view command_line) noexcept;

}  // namespace corvane::app
