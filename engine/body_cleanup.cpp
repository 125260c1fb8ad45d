// The body's clean-up: seven left-to-right replacements, run as three
// linear passes.
#include <bit>
#include <cstring>

#include "chunk_scan.h"
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
// Text has a space every few bytes, so a search that stops at each one
// costs more than the bytes: pairs are looked for a chunk at a time, the
// chunks overlapping by a byte so that a pair across two is seen whole.
std::size_t FindDoubleSpace(const char* data, std::size_t size, std::size_t from) {
  for (; size - from >= chunk::kBytes; from += chunk::kBytes - 1) {
    const chunk::Chunk spaces = chunk::Equal(chunk::Load(data + from), ' ');
    const chunk::Chunk pairs = spaces & (spaces >> 8);
    if (pairs != 0) return from + static_cast<std::size_t>(std::countr_zero(pairs) / 8);
  }
  for (; from + 1 < size; ++from) {
    if (data[from] == ' ' && data[from + 1] == ' ') return from;
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

// Index of the first "<" (with closers, "<" or ">") at or after from, or
// size. Tags come every few dozen bytes: a library search would stop and
// be called again about as often.
template <bool kWithClosers>
std::size_t FindTagEdge(const char* data, std::size_t size, std::size_t from) {
  for (; size - from >= chunk::kBytes; from += chunk::kBytes) {
    const chunk::Chunk chunk = chunk::Load(data + from);
    // "<" is 0x3C and ">" 0x3E: with bit 1 set, both read ">".
    const chunk::Chunk edges =
        kWithClosers ? chunk::Equal(chunk | chunk::Repeat(0x02), '>') : chunk::Equal(chunk, '<');
    if (edges != 0) return from + static_cast<std::size_t>(std::countr_zero(edges) / 8);
  }
  while (from < size && data[from] != '<' && !(kWithClosers && data[from] == '>')) ++from;
  return from;
}

// The patterns are a few bytes long: a plain loop beats a call to memcmp.
bool Matches(const char* at, std::string_view pattern) {
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (at[i] != pattern[i]) return false;
  }
  return true;
}

// "<p> </p>" becomes "<p>&nbsp;</p>". The only pass that grows the text,
// so the only one that copies it, and only when it finds something.
std::string MarkBlankParagraphs(std::string text) {
  constexpr std::string_view kBlank = "<p> </p>";
  constexpr std::string_view kMarked = "<p>&nbsp;</p>";
  const char* const data = text.data();
  const std::size_t size = text.size();
  auto find_blank = [&](std::size_t at) {
    for (at = FindTagEdge<false>(data, size, at); at < size;
         at = FindTagEdge<false>(data, size, at + 1)) {
      if (size - at >= kBlank.size() && Matches(data + at, kBlank)) return at;
    }
    return std::string::npos;
  };
  std::size_t hit = find_blank(0);
  if (hit == std::string::npos) return text;
  std::string out;
  out.reserve(size + size / 4);
  std::size_t read = 0;
  while (hit != std::string::npos) {
    out.append(data + read, hit - read);
    out.append(kMarked);
    read = hit + kBlank.size();
    hit = find_blank(read);
  }
  out.append(data + read, size - read);
  return out;
}

// Three passes in one, in place: " <" becomes "<", then "> " becomes ">",
// then "<p></p>\r\n" goes. The first two remove every space that follows a
// ">" or precedes a "<" of the text they start from: neither pass makes or
// breaks a place where the other acts. The third acts only on text the
// first two left whole after its previous removal, so what a removal
// leaves behind is not removed again, as in a pass of its own.
// The tag starting at data[at] ("<" included) is one of the full output's
// inline elements: a, em, s, strong, sub, sup, u, opening or closing.
bool IsInlineTag(const char* data, std::size_t size, std::size_t at) {
  std::size_t name = at + 1;
  if (name < size && data[name] == '/') ++name;
  if (name >= size) return false;
  const char after = name + 1 < size ? data[name + 1] : '\0';
  switch (data[name]) {
    case 's':
    case 'e': return true;
    case 'a':
    case 'u': return after == '>' || after == ' ';
    default: return false;
  }
}

template <bool kInlineTags>
void TrimSpacesAtTags(std::string& text) {
  constexpr std::string_view kEmptyParagraph = "<p></p>";
  char* const data = text.data();
  const std::size_t size = text.size();
  std::size_t read = 0;
  std::size_t write = 0;
  // Where the last empty paragraph was removed: a match must start here or later.
  std::size_t whole_from = 0;
  bool in_inline_tag = false;
  for (;;) {
    const std::size_t edge = FindTagEdge<true>(data, size, read);
    std::size_t run_end = edge;
    if (kInlineTags && edge < size && data[edge] == '<')
      in_inline_tag = IsInlineTag(data, size, edge);
    if (edge < size && data[edge] == '<' && edge > read && data[edge - 1] == ' ' &&
        !(kInlineTags && in_inline_tag))
      --run_end;
    std::memmove(data + write, data + read, run_end - read);
    write += run_end - read;
    if (edge == size) break;
    const char tag_edge = data[edge];
    data[write++] = tag_edge;
    read = edge + 1;
    if (tag_edge != '>') continue;
    if (read < size && data[read] == ' ' && !(kInlineTags && in_inline_tag)) ++read;
    if (write - whole_from >= kEmptyParagraph.size() &&
        Matches(data + write - kEmptyParagraph.size(), kEmptyParagraph) && size - read >= 2 &&
        data[read] == '\r' && data[read + 1] == '\n') {
      write -= kEmptyParagraph.size();
      read += 2;
      whole_from = write;
    }
  }
  text.resize(write);
}

}  // namespace

std::string CleanUpBody(std::string text, bool inline_tags) {
  // The order matters: shrinking space runs first is what lets a blank
  // paragraph become "&nbsp;" or vanish, and emptied paragraphs go last.
  CollapseSpaceRuns(text);
  text = MarkBlankParagraphs(std::move(text));
  if (inline_tags) {
    TrimSpacesAtTags<true>(text);
  } else {
    TrimSpacesAtTags<false>(text);
  }
  return text;
}

}  // namespace corvane::engine
