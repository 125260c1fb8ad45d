#include "hyperlink_field.h"

#include <array>
#include <cstddef>

namespace corvane::engine {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// One argument: a quoted string (to its closing quote or the end) or a run
// of non-blanks. quoted tells which, so that a quoted "\x" is no switch.
std::string_view NextToken(std::string_view text, std::size_t& at, bool& quoted) {
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
  quoted = at < text.size() && text[at] == '"';
  if (quoted) {
    const std::size_t start = ++at;
    while (at < text.size() && text[at] != '"') ++at;
    const std::string_view token = text.substr(start, at - start);
    if (at < text.size()) ++at;
    return token;
  }
  const std::size_t start = at;
  while (at < text.size() && text[at] != ' ' && text[at] != '\t') ++at;
  return text.substr(start, at - start);
}

// A scheme is letters, digits, "+", "-", "." before the first ":" that
// comes before any "/", "?" or "#"; without one the target is relative.
bool IsAllowedTarget(std::string_view target) {
  constexpr std::array<std::string_view, 4> kAllowed = {"http", "https", "mailto", "ftp"};
  for (const char c : target) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  const std::size_t colon = target.find(':');
  if (colon == std::string_view::npos) return true;
  if (target.substr(0, colon).find_first_of("/?#") != std::string_view::npos) return true;
  const std::string_view scheme = target.substr(0, colon);
  for (const std::string_view allowed : kAllowed) {
    if (EqualsIgnoringCase(scheme, allowed)) return true;
  }
  return false;
}

void AppendAttributeText(std::string_view text, std::string& out) {
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case ' ': out += "%20"; break;
      default: out += c;
    }
  }
}

}  // namespace

std::string HyperlinkTarget(std::string_view instruction) {
  std::size_t at = 0;
  bool quoted = false;
  if (!EqualsIgnoringCase(NextToken(instruction, at, quoted), "HYPERLINK")) return {};
  std::string_view address;
  std::string_view bookmark;
  bool have_address = false;
  while (at < instruction.size()) {
    const std::string_view token = NextToken(instruction, at, quoted);
    if (!quoted && token.size() == 2 && token[0] == '\\') {
      const char name = Lower(token[1]);
      // Switches with an argument: \l bookmark, \o tip, \t frame, \m map.
      if (name == 'l') {
        bookmark = NextToken(instruction, at, quoted);
      } else if (name == 'o' || name == 't') {
        NextToken(instruction, at, quoted);
      }
      continue;
    }
    if (!have_address && (quoted || !token.empty())) {
      address = token;
      have_address = true;
    }
  }
  std::string target(address);
  if (!bookmark.empty()) {
    target += '#';
    target += bookmark;
  }
  if (target.empty() || !IsAllowedTarget(target)) return {};
  std::string href;
  AppendAttributeText(target, href);
  return href;
}

}  // namespace corvane::engine
