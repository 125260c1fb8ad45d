// Console services for the command-line front end.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string_view>

#include "os/os.h"

namespace corvane::os {

bool IsTerminal(std::FILE* stream);

// Columns of the terminal behind stream, or 80 when unknown.
int TerminalColumns(std::FILE* stream);

// Ctrl-C (or Ctrl-Break, or SIGTERM) from now on only raises a flag that
// the program polls, so it can stop its work in order instead of dying
// mid-file.
void InstallInterruptHandler();
bool InterruptRequested();
// How many interrupts came; a second one asks to end at once.
int InterruptCount();
// The exit status that tells which interrupt came last: 128 + its signal
// number (130 for Ctrl-C, 143 for SIGTERM).
int InterruptExitStatus();

// Sets the console's output code page to the process's ANSI one (UTF-8
// where the manifest asks for it), so that names print as they are; the
// previous one is restored when the program ends normally.
void MatchConsoleToProcessCodePage();

// A write to a closed pipe fails with an error instead of ending the
// process with a signal half way through a message.
void IgnoreBrokenPipes();

// Binary mode for a standard stream, so bytes pass unchanged.
void SetBinaryMode(std::FILE* stream);

// Reads what has arrived on stream, at most size bytes, waiting only until
// some has: a list on a pipe is taken as it comes, not in full blocks.
// The stream's own buffer must be unused. 0 at the end; -1 on an error.
long ReadArrived(std::FILE* stream, char* buffer, std::size_t size);

// Reads standard input, in binary mode, to its end. When it is a file the
// block is sized once from what is left of it and filled by one read, so
// that no byte is copied twice and no page is touched twice; a pipe grows
// the block by doubling. False on a read error.
bool ReadStandardInput(Bytes& input);

}  // namespace corvane::os
