#include "cli/source_names.h"

#include "os/os.h"

namespace corvane::cli {
namespace {

#ifdef _WIN32
constexpr std::string_view kSeparators = "\\/";
#else
constexpr std::string_view kSeparators = "/";
#endif

bool IsSeparator(char c) { return kSeparators.find(c) != std::string_view::npos; }

// Appends name's components from begin on, each after a separator unless
// joined is empty, leaving out the empty ones and ".".
void AppendComponents(std::string_view name, std::size_t begin, std::string& joined) {
  while (begin < name.size()) {
    std::size_t end = name.find_first_of(kSeparators, begin);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view component = name.substr(begin, end - begin);
    if (!component.empty() && component != ".") {
      if (!joined.empty() && !IsSeparator(joined.back())) joined += os::kPathSeparator;
      joined += component;
    }
    begin = end + 1;
  }
}

}  // namespace

std::string PlaceBelowOutputFolder(std::string_view given) {
  std::size_t begin = 0;
#ifdef _WIN32
  // "\\?\" and "\\.\" lead to the system's own names: part of the root.
  if (given.size() >= 4 && IsSeparator(given[0]) && IsSeparator(given[1]) &&
      (given[2] == '?' || given[2] == '.') && IsSeparator(given[3])) {
    begin = 4;
  }
  if (given.size() >= begin + 2 && given[begin + 1] == ':') begin += 2;  // a drive
#endif
  std::string place;
  AppendComponents(given, begin, place);
  return place;
}

std::string SameFileKey(std::string_view full_name) {
  std::string key;
  if (!full_name.empty() && IsSeparator(full_name.front())) key += os::kPathSeparator;
  AppendComponents(full_name, 0, key);
#ifdef _WIN32
  os::LowerCaseAnsi(key);
#endif
  return key;
}

}  // namespace corvane::cli
