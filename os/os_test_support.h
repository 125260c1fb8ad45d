// Helpers for the OS layer's tests: a private temporary folder, whole-file
// shortcuts through the layer itself, and the few platform facts the shared
// tests compare against (defined in win32_os_test.cpp / posix_os_test.cpp).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include "os/os.h"
#include "tests/support/temp_folder.h"

namespace corvane::os::testing {

// The codes the platform gives for the failures the shared tests provoke.
struct ExpectedErrors {
  ErrorCode file_not_found;
  ErrorCode path_not_found;  // a folder on the way is missing
  ErrorCode access_denied;   // e.g. replacing a read-only file
  ErrorCode open_folder;     // a folder opened as a file
  ErrorCode create_over_folder;
};
extern const ExpectedErrors kExpectedErrors;

// False where this process may write a file whose write permission is off
// (root on POSIX), so that refusing it cannot be observed.
bool WriteProtectionApplies(const std::string& path);

using corvane::test_support::TempFolder;

inline ::testing::AssertionResult WriteFileAt(const std::string& path, std::string_view content) {
  ErrorCode error = 0;
  File file = File::CreateForWriting(path, error);
  if (!file) return ::testing::AssertionFailure() << "cannot create " << path << ": " << error;
  if (!file.WriteAll(content, error)) {
    return ::testing::AssertionFailure() << "cannot write " << path << ": " << error;
  }
  return ::testing::AssertionSuccess();
}

// The file's content, or a note that fails any comparison with real content.
inline std::string ContentOf(const std::string& path) {
  ErrorCode error = 0;
  File file = File::OpenForReading(path, error);
  if (!file) return "<cannot open: " + std::to_string(error) + ">";
  Bytes content;
  if (!file.ReadAll(content, error)) return "<cannot read: " + std::to_string(error) + ">";
  return std::string(content.View());
}

inline void SetReadOnly(const std::string& path, bool read_only) {
  namespace fs = std::filesystem;
  if (read_only) {
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
  } else {
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
  }
}

// Polls `condition` until it holds or a generous bound passes; for waiting
// on work done by other threads without assuming the machine's speed.
inline bool Eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Sleep(1);
  }
  return true;
}

}  // namespace corvane::os::testing
