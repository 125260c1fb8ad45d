// The machine-readable report: JSON Lines, one object per finished file
// and one summary at the end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::cli {

// A JSON string literal for bytes that are meant as UTF-8. A byte that is
// not part of valid UTF-8 becomes the lone surrogate U+DC00 + byte, as
// Python's "surrogateescape" decodes it, so a driver can recover any name
// a file system allows.
std::string JsonString(std::string_view bytes);

struct FileRecord {
  std::string input;
  std::string output;  // empty when none was written
  bool converted = false;
  std::string reason;  // why it failed
  std::int64_t bytes_in = -1;
  std::int64_t bytes_out = -1;
  std::int64_t milliseconds = 0;
};
std::string FileRecordLine(const FileRecord& record);

struct SummaryRecord {
  std::int64_t converted = 0;
  std::int64_t failed = 0;
  bool interrupted = false;
  std::int64_t milliseconds = 0;
};
std::string SummaryLine(const SummaryRecord& summary);

}  // namespace corvane::cli
