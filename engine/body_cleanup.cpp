// The body's clean-up: seven left-to-right replacements, each linear.
#include <cstring>

#include "conversion_state.h"

namespace corvane::engine {
namespace {

// Length that a run of n spaces has after the passes 8 → 1, 4 → 1, 2 → 1.
// Each pass maps a maximal run on its own (its neighbours are not spaces),
// so the three passes fuse into this one function of the run's length.
std::size_t CollapsedRunLength(std::size_t n) {
  n = n / 8 + n % 8;
  n = n / 4 + n % 4;
  return n / 2 + n % 2;
}

// Index of the first of two adjacent spaces at or after from, or npos.
std::size_t FindDoubleSpace(const char* data, std::size_t size, std::size_t from) {
  while (from + 1 < size) {
    const void* hit = std::memchr(data + from, ' ', size - from - 1);
    if (!hit) break;
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
    if (data[at + 1] == ' ') return at;
    from = at + 2;  // data[at + 1] is no space
  }
  return std::string::npos;
}

// Replaces every run of two or more spaces in place. Text before the first
// such run is never moved, and text between runs moves in one piece.
void CollapseSpaceRuns(std::string& text) {
  char* const data = text.data();
  const std::size_t size = text.size();
  std::size_t read = FindDoubleSpace(data, size, 0);
  if (read == std::string::npos) return;
  std::size_t write = read;
  while (read != std::string::npos) {
    std::size_t run_end = read + 2;
    while (run_end < size && data[run_end] == ' ') ++run_end;
    const std::size_t collapsed = CollapsedRunLength(run_end - read);
    std::memset(data + write, ' ', collapsed);
    write += collapsed;
    read = FindDoubleSpace(data, size, run_end);
    const std::size_t segment_end = read == std::string::npos ? size : read;
    std::memmove(data + write, data + run_end, segment_end - run_end);
    write += segment_end - run_end;
  }
  text.resize(write);
}

// The patterns are a few bytes long: a plain loop beats a call to memcmp.
bool Matches(const char* at, std::string_view pattern) {
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (at[i] != pattern[i]) return false;
  }
  return true;
}

// Replaces every occurrence of `from` by `to`. `from` must not be able to
// overlap itself, so that every occurrence in the input is one the
// left-to-right pass would find. Candidates are found by searching for
// from[anchor], a byte that is rare in text.
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to,
                       std::size_t anchor) {
  const char* const data = text.data();
  const std::size_t size = text.size();
  auto find_from = [&](std::size_t pos) -> std::size_t {
    std::size_t probe = pos + anchor;
    while (probe < size) {
      const void* hit = std::memchr(data + probe, from[anchor], size - probe);
      if (!hit) break;
      const std::size_t at =
          static_cast<std::size_t>(static_cast<const char*>(hit) - data) - anchor;
      if (at + from.size() <= size && Matches(data + at, from)) return at;
      probe = at + anchor + 1;
    }
    return std::string::npos;
  };

  std::size_t hit = find_from(0);
  if (hit == std::string::npos) return text;

  if (to.size() <= from.size()) {
    // Shrinking: rewrite in place, the write index never passes the read index.
    char* const out = text.data();
    std::size_t read = 0;
    std::size_t write = 0;
    while (hit != std::string::npos) {
      std::memmove(out + write, out + read, hit - read);
      write += hit - read;
      std::memcpy(out + write, to.data(), to.size());
      write += to.size();
      read = hit + from.size();
      hit = find_from(read);
    }
    std::memmove(out + write, out + read, size - read);
    write += size - read;
    text.resize(write);
    return text;
  }

  std::string out;
  out.reserve(size + size / 4);
  std::size_t read = 0;
  while (hit != std::string::npos) {
    out.append(data + read, hit - read);
    out.append(to);
    read = hit + from.size();
    hit = find_from(read);
  }
  out.append(data + read, size - read);
  return out;
}

}  // namespace

std::string CleanUpBody(std::string text) {
  // The order matters: shrinking space runs first is what lets a blank
  // paragraph become "&nbsp;" or vanish, and emptied paragraphs go last.
  CollapseSpaceRuns(text);
  text = ReplaceAll(std::move(text), "<p> </p>", "<p>&nbsp;</p>", 0);
  text = ReplaceAll(std::move(text), " <", "<", 1);
  text = ReplaceAll(std::move(text), "> ", ">", 0);
  text = ReplaceAll(std::move(text), "<p></p>\r\n", "", 0);
  return text;
}

}  // namespace corvane::engine
