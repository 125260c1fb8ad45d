// The one temporary folder of every test suite: fresh, uniquely named
// under the system's temporary folder, and removed with everything in it
// when its owner goes, whatever a test left unwritable or unreadable.
#pragma once

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace corvane::test_support {

class TempFolder {
 public:
  explicit TempFolder(std::string_view prefix = "corvane") {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device random;
    for (int attempt = 0; attempt < 100 && root_.empty(); ++attempt) {
      const std::filesystem::path candidate =
          base /
          (std::string(prefix) + "-" + std::to_string(random()) + "-" + std::to_string(attempt));
      std::error_code error;
      if (std::filesystem::create_directory(candidate, error)) root_ = candidate;
    }
    if (root_.empty()) {
      throw std::runtime_error("cannot make a temporary folder in " + base.string());
    }
  }
  ~TempFolder() {
    // Each entry gets its owner's rights back before the walk goes into it:
    // Windows refuses to remove read-only entries, and a folder a test made
    // unreadable could not be emptied.
    constexpr auto kOwnerAll = std::filesystem::perms::owner_all;
    constexpr auto kAdd = std::filesystem::perm_options::add;
    std::error_code error;
    std::filesystem::permissions(root_, kOwnerAll, kAdd, error);
    for (std::filesystem::recursive_directory_iterator it(root_, error), end; !error && it != end;
         it.increment(error)) {
      std::error_code ignored;
      if (!it->is_symlink(ignored))
        std::filesystem::permissions(it->path(), kOwnerAll, kAdd, ignored);
    }
    std::filesystem::remove_all(root_, error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  std::string Path() const { return root_.string(); }
  // The path of `name` inside this folder, name taken as it is.
  std::string operator/(std::string_view name) const {
    return Path() + static_cast<char>(std::filesystem::path::preferred_separator) +
           std::string(name);
  }

 private:
  std::filesystem::path root_;
};

}  // namespace corvane::test_support
