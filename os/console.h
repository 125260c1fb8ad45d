// Console services for the command-line front end.
#pragma once

#include <cstdio>

namespace corvane::os {

bool IsTerminal(std::FILE* stream);

// Columns of the terminal behind stream, or 80 when unknown.
int TerminalColumns(std::FILE* stream);

// Ctrl-C (or Ctrl-Break) from now on only raises a flag that the program
// polls, so it can stop its work in order instead of dying mid-file.
void InstallInterruptHandler();
bool InterruptRequested();

// Binary mode for a standard stream, so bytes pass unchanged.
void SetBinaryMode(std::FILE* stream);

}  // namespace corvane::os
