// A temporary folder per test, and small file helpers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "tests/support/temp_folder.h"

namespace corvane::import::testing {

class TempFolderTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return (root_ / name).string(); }

  std::string Write(const std::string& name, const std::string& content) {
    std::ofstream(root_ / name, std::ios::binary) << content;
    return PathOf(name);
  }

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
  }

  corvane::test_support::TempFolder temp_{"corvane-import"};
  std::filesystem::path root_ = temp_.Root();
};

}  // namespace corvane::import::testing
