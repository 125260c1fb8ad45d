// Whole-file reading and writing for the per-file driver.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace corvane::import {

// A file access fault, carrying the full path and the system's text:
// "Cannot open file "C:\x.rtf". The system cannot find the file specified."
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file's whole content. Others may read the file meanwhile, no one may
// write it. Throws FileError when it cannot be opened or read.
std::string ReadWholeFile(const std::string& path);

// Creates or replaces the file, shared with no one, and writes all of text.
// Throws FileError when it cannot be created or fully written; a partial
// file is removed rather than left looking like a finished one.
void WriteTextFile(const std::string& path, std::string_view text);

}  // namespace corvane::import
