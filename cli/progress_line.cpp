#include "cli/progress_line.h"

#include <cstdio>

namespace corvane::cli {

std::string EscapeControlCharacters(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      constexpr char kHex[] = "0123456789abcdef";
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  return out;
}

std::string ShortenPath(std::string_view path, std::size_t width) {
  if (path.size() <= width) return std::string(path);
  constexpr std::string_view kEllipsis = "...";
  if (width <= kEllipsis.size()) return std::string(path.substr(path.size() - width));
  const std::size_t room = width - kEllipsis.size();
  const std::size_t head = room / 3;  // the drive and first folder
  const std::size_t tail = room - head;
  std::string out(path.substr(0, head));
  out += kEllipsis;
  out += path.substr(path.size() - tail);
  return out;
}

std::string FormatProgressLine(std::int32_t taken, std::int32_t total, std::string_view path,
                               std::size_t width) {
  const std::int64_t percent = total > 0 ? std::int64_t{taken} * 100 / total : 0;
  constexpr int kBarWidth = 20;
  const std::int64_t filled = percent * kBarWidth / 100;
  char head[96];
  std::snprintf(head, sizeof head, "Item %d of %d [", static_cast<int>(taken),
                static_cast<int>(total));
  std::string line = head;
  for (int i = 0; i < kBarWidth; ++i) line += i < filled ? '#' : '-';
  std::snprintf(head, sizeof head, "] %3d%% ", static_cast<int>(percent));
  line += head;
  if (line.size() < width) line += ShortenPath(path, width - line.size());
  return line;
}

}  // namespace corvane::cli
