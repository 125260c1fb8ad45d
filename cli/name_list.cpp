#include "cli/name_list.h"

#include <cstring>

#include "os/console.h"

namespace corvane::cli {

// What has arrived, not a full buffer: a name whose terminator came is
// handed on before the writer sends more.
bool NameListReader::Refill() {
  begin_ = 0;
  end_ = 0;
  const long got = os::ReadArrived(stream_, buffer_, sizeof buffer_);
  if (got < 0) failed_ = true;
  if (got <= 0) return false;
  end_ = static_cast<std::size_t>(got);
  return true;
}

bool NameListReader::Next(std::string& name) {
  for (;;) {
    name.clear();
    bool ended = false;
    for (;;) {
      if (begin_ == end_ && !Refill()) {
        ended = true;
        break;
      }
      const char* start = buffer_ + begin_;
      const auto* found = static_cast<const char*>(std::memchr(start, separator_, end_ - begin_));
      if (found == nullptr) {
        name.append(start, end_ - begin_);
        begin_ = end_;
        continue;
      }
      name.append(start, static_cast<std::size_t>(found - start));
      begin_ += static_cast<std::size_t>(found - start) + 1;
      break;
    }
    // Lists written on Windows end their lines in CR LF.
    if (separator_ == '\n' && !name.empty() && name.back() == '\r') name.pop_back();
    if (!name.empty()) return true;
    if (ended) return false;
  }
}

}  // namespace corvane::cli
