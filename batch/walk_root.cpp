#include "batch/walk_root.h"

#include <string_view>

#include "os/os.h"

namespace corvane::batch {
namespace {

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '\\' || c == '/';
#else
  return c == '/';
#endif
}

}  // namespace

std::shared_ptr<const WalkRoot> MakeWalkRoot(const std::string& folder) {
  os::ErrorCode ignored = 0;
  return std::make_shared<const WalkRoot>(WalkRoot{folder, os::FinalPathName(folder, ignored)});
}

std::string NameInsideWalk(const WalkRoot& root, const std::string& target) {
  const std::string& top = root.final;
  if (top.empty() || target.size() <= top.size() || !target.starts_with(top)) return {};
  std::size_t below = top.size();
  // A root ("/", "C:\") ends with its separator; any other folder does not.
  if (!IsSeparator(top.back())) {
    if (!IsSeparator(target[below])) return {};  // "/tree-2" is not below "/tree"
    ++below;
  }
  return root.named + os::kPathSeparator + target.substr(below);
}

}  // namespace corvane::batch
