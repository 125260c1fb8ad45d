#include "cli/name_list.h"

#include <cstring>

namespace corvane::cli {

bool NameListReader::Refill() {
  begin_ = 0;
  end_ = std::fread(buffer_, 1, sizeof buffer_, stream_);
  if (end_ == 0 && std::ferror(stream_)) failed_ = true;
  return end_ > 0;
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
