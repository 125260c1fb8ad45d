#include "import/file_io.h"

#include "os/os.h"

namespace corvane::import {
namespace {

[[noreturn]] void Raise(const char* what, const std::string& path, os::ErrorCode code) {
  std::string message = what;
  message += " \"";
  message += os::FullPathName(path);
  message += "\". ";
  message += os::SystemErrorText(code);
  throw FileError(message);
}

}  // namespace

std::string ReadWholeFile(const std::string& path) {
  os::ErrorCode error = 0;
  os::File file = os::File::OpenForReading(path, error);
  if (!file) Raise("Cannot open file", path, error);
  std::string content;
  // A read that fails half way is an error, not an empty document: writing
  // the translation of nothing would replace a good output with a blank one.
  if (!file.ReadAll(content, error)) Raise("Cannot read file", path, error);
  return content;
}

void WriteTextFile(const std::string& path, std::string_view text) {
  os::ErrorCode error = 0;
  {
    os::File file = os::File::CreateForWriting(path, error);
    if (!file) Raise("Cannot create file", path, error);
    if (file.WriteAll(text, error)) return;
  }  // closed before removal: it is shared with no one, not even us
  os::RemoveFile(path);
  Raise("Cannot write file", path, error);
}

}  // namespace corvane::import
