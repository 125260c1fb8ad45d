// Reads a list of names from a stream one at a time, so that a list of
// millions costs the memory of one name, not of the list.
#pragma once

#include <cstdio>
#include <string>

namespace corvane::cli {

class NameListReader {
 public:
  // separator is '\n' (a line may end in "\r\n" too) or '\0'. The
  // stream is read below its own buffer, which must stay unused.
  NameListReader(std::FILE* stream, char separator) : stream_(stream), separator_(separator) {}

  // The next name; false at the end of the list or on a read error.
  // Empty names are passed over.
  bool Next(std::string& name);
  bool Failed() const { return failed_; }

 private:
  bool Refill();

  std::FILE* stream_;
  char separator_;
  char buffer_[1 << 16];
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  bool failed_ = false;
};

}  // namespace corvane::cli
