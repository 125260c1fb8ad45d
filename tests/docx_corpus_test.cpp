// Every real .docx of the corpus converts, or fails with a reason a user
// can read; the list of failures is printed for the record.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "docx/docx_reader.h"
#include "engine/rtf2html.h"

namespace corvane {
namespace {

std::vector<std::filesystem::path> CorpusFiles() {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(CORVANE_DOCX_CORPUS_DIR, error)) {
    const std::string extension = entry.path().extension().string();
    if (extension == ".docx" || extension == ".docm") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(DocxCorpus, EveryFileConvertsOrFailsWithAReason) {
  const std::vector<std::filesystem::path> files = CorpusFiles();
  if (files.empty()) GTEST_SKIP() << "no .docx corpus at " << CORVANE_DOCX_CORPUS_DIR;
  int failures = 0;
  for (const std::filesystem::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const docx::ReadResult result = docx::ConvertDocxToRtf(bytes, docx::Windows1252());
    if (result.status == docx::ReadStatus::kOk) {
      EXPECT_FALSE(result.rtf.empty());
      EXPECT_FALSE(RenderRtfAsHtml(result.rtf).empty());
      continue;
    }
    ++failures;
    EXPECT_FALSE(result.message.empty());
    std::printf("not converted: %s: %s\n", file.filename().string().c_str(), result.message.c_str());
  }
  std::printf("%zu files, %d not converted\n", files.size(), failures);
}

}  // namespace
}  // namespace corvane
