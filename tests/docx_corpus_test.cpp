// Every real .docx of the corpus converts.
#include <gtest/gtest.h>

#include <algorithm>
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

// Every one of these files converts today: a reader that refused some, or
// all, of them fails here with the reasons it gave.
void ExpectEachConverts(const std::vector<std::filesystem::path>& files) {
  for (const std::filesystem::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const docx::ReadResult result = docx::ConvertDocxToRtf(bytes, docx::Windows1252());
    EXPECT_EQ(result.status, docx::ReadStatus::kOk)
        << file.filename().string() << ": " << result.message;
    if (result.status == docx::ReadStatus::kOk) RenderRtfAsHtml(result.rtf);
  }
}

// The permissively licensed files that travel with the repository.
TEST(DocxCorpus, EveryBundledFileConverts) {
  const std::vector<std::filesystem::path> files = CorpusFiles(CORVANE_BUNDLED_DOCX_CORPUS_DIR);
  ASSERT_FALSE(files.empty()) << "the bundled corpus is gone: " << CORVANE_BUNDLED_DOCX_CORPUS_DIR;
  ExpectEachConverts(files);
}

// The larger shared corpus beside the repository, when it is there.
TEST(DocxCorpus, EverySharedFileConverts) {
  const std::vector<std::filesystem::path> files = CorpusFiles(CORVANE_DOCX_CORPUS_DIR);
  if (files.empty()) GTEST_SKIP() << "no shared .docx corpus at " << CORVANE_DOCX_CORPUS_DIR;
  ExpectEachConverts(files);
}

}  // namespace
}  // namespace corvane
