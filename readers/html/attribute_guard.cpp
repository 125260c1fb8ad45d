#include "readers/html/attribute_guard.h"

#include <algorithm>

namespace corvane::html {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view lower) {
  if (text.size() - at < lower.size()) return false;
  for (std::size_t i = 0; i < lower.size(); ++i) {
    if (Lower(text[at + i]) != lower[i]) return false;
  }
  return true;
}

// Case-insensitive search for a lower-case needle from `from`.
std::size_t FindNoCase(std::string_view text, std::string_view lower, std::size_t from) {
  while (from < text.size()) {
    const std::size_t at = text.find('<', from);
    if (at == std::string_view::npos) return at;
    if (StartsWithNoCase(text, at, lower)) return at;
    from = at + 1;
  }
  return std::string_view::npos;
}

}  // namespace

std::size_t MostAttributesInATag(std::string_view page) {
  std::size_t most = 0;
  std::size_t i = 0;
  while ((i = page.find('<', i)) != std::string_view::npos) {
    if (page.compare(i, 4, "<!--") == 0) {
      const std::size_t end = page.find("-->", i + 4);
      if (end == std::string_view::npos) break;
      i = end + 3;
      continue;
    }
    if (i + 1 >= page.size() || !IsLetter(page[i + 1])) {
      ++i;
      continue;
    }
    // Raw text: its '<' and quotes are not markup.
    std::string_view closing;
    if (StartsWithNoCase(page, i, "<script")) closing = "</script";
    if (StartsWithNoCase(page, i, "<style")) closing = "</style";
    std::size_t count = 0;
    std::size_t j = i + 1;
    bool in_token = true;  // the element's name
    while (j < page.size() && page[j] != '>' && count <= kMaxAttributesPerTag) {
      const char c = page[j];
      if (IsSpace(c)) {
        in_token = false;
      } else if ((c == '"' || c == '\'') && j > 0 && page[j - 1] == '=') {
        const std::size_t end = page.find(c, j + 1);
        j = end == std::string_view::npos ? page.size() : end;
      } else if (!in_token && c != '=' && c != '/') {
        in_token = true;
        ++count;
      }
      ++j;
    }
    most = std::max(most, count);
    if (count > kMaxAttributesPerTag) return most;
    i = j;
    if (!closing.empty()) {
      const std::size_t end = FindNoCase(page, closing, i);
      if (end == std::string_view::npos) break;
      i = end;
    }
  }
  return most;
}

}  // namespace corvane::html
