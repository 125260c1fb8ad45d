// Whole-file reading and writing for the per-file driver.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "os/os.h"

namespace corvane::import {

// A file access fault, carrying the full path and the system's text:
// "Cannot open file "C:\x.rtf". The system cannot find the file specified."
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file's whole content. Others may read the file meanwhile, no one may
// write it. Throws FileError when it cannot be opened or read.
os::Bytes ReadWholeFile(const std::string& path);

// Throws the "Cannot create file" FileError when path may not take an
// output: a link (never written through), a folder, a pipe or device, a
// read-only file, or the source itself under any name (hard links too).
void CheckOutputName(const std::string& path, const std::string& source = {});

// Creates or replaces the file with all of text, never leaving anything but
// the previous file or the complete new one at path: the text goes to a
// new file beside it, reaches the disk, and only then takes the name. The
// new file takes its permissions from source (where the system has them).
// Throws FileError when the output cannot be created or fully written; no
// temporary file stays behind.
void WriteTextFile(const std::string& path, std::string_view text, const std::string& source = {});

// Removes the temporary files of writes in progress, and refuses any new
// one from now on: for a program that is about to end at once.
void RemoveOutputsInProgress();

}  // namespace corvane::import
