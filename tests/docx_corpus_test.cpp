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

#include "engine/rtf2html.h"
#include "readers/docx/docx_reader.h"

namespace corvane {
namespace {

std::vector<std::filesystem::path> CorpusFiles(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string extension = entry.path().extension().string();
    if (extension == ".docx" || extension == ".docm") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

void ExpectEachConvertsOrFailsWithAReason(const std::vector<std::filesystem::path>& files) {
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
    std::printf("not converted: %s: %s\n", file.filename().string().c_str(),
                result.message.c_str());
  }
  std::printf("%zu files, %d not converted\n", files.size(), failures);
}

// The permissively licensed files that travel with the repository.
TEST(DocxCorpus, BundledFilesConvertOrFailWithAReason) {
  const std::vector<std::filesystem::path> files = CorpusFiles(CORVANE_BUNDLED_DOCX_CORPUS_DIR);
  ASSERT_FALSE(files.empty()) << "the bundled corpus is gone: " << CORVANE_BUNDLED_DOCX_CORPUS_DIR;
  ExpectEachConvertsOrFailsWithAReason(files);
}

// The larger shared corpus beside the repository, when it is there.
TEST(DocxCorpus, SharedFilesConvertOrFailWithAReason) {
  const std::vector<std::filesystem::path> files = CorpusFiles(CORVANE_DOCX_CORPUS_DIR);
  if (files.empty()) GTEST_SKIP() << "no shared .docx corpus at " << CORVANE_DOCX_CORPUS_DIR;
  ExpectEachConvertsOrFailsWithAReason(files);
}

}  // namespace
}  // namespace corvane
