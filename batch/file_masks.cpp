#include "batch/file_masks.h"

namespace corvane::batch {
namespace {

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

// Greedy matching that returns to the last "*" on a mismatch: no recursion,
// and linear for masks with one "*" such as every supported one.
bool MatchesMask(std::string_view name, std::string_view mask) {
  std::size_t n = 0;
  std::size_t m = 0;
  std::size_t star = std::string_view::npos;  // position in mask after the last "*"
  std::size_t star_name = 0;                  // name position that "*" was tried up to
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      star = ++m;
      star_name = n;
    } else if (m < mask.size() && FoldAscii(mask[m]) == FoldAscii(name[n])) {
      ++m;
      ++n;
    } else if (star != std::string_view::npos) {
      m = star;
      n = ++star_name;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

bool MatchesMaskList(std::string_view name, std::string_view masks) {
  masks = masks.substr(0, masks.find('|'));
  while (!masks.empty()) {
    const std::size_t end = masks.find(';');
    const std::string_view mask = masks.substr(0, end);
    if (!mask.empty() && MatchesMask(name, mask)) return true;
    if (end == std::string_view::npos) break;
    masks.remove_prefix(end + 1);
  }
  return false;
}

}  // namespace corvane::batch
