// Holds the engine against the reference renderer, byte for byte: on every
// example input of engine/cases and on every file of the real-world corpus.
// The engine's run batching and fused clean-up are only right if no input
// tells them apart from the one-byte-at-a-time reading.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/rtf2html.h"
#include "tests/case_files.h"
#include "tests/reference_renderer.h"

namespace {

constexpr std::string_view kHead = "<!DOCTYPE html>\r\n<html><head>\r\n<title>";
constexpr std::string_view kTail = "\r\n</body></html>\r\n";

std::string FirstDifference(const std::string& engine, const std::string& reference) {
  std::size_t at = 0;
  while (at < engine.size() && at < reference.size() && engine[at] == reference[at]) ++at;
  const std::size_t from = at < 40 ? 0 : at - 40;
  return "first difference at byte " + std::to_string(at) + " of " + std::to_string(engine.size()) +
         " (engine) and " + std::to_string(reference.size()) +
         " (reference)\n  engine:    " + corvane::cases::Visible(engine.substr(from, 100)) +
         "\n  reference: " + corvane::cases::Visible(reference.substr(from, 100));
}

void ExpectSameAsReference(std::string_view input) {
  const std::string engine = corvane::RenderRtfAsHtml(input);
  const std::string reference = corvane::reference::RenderRtfAsHtml(input);
  EXPECT_TRUE(engine.starts_with(kHead)) << corvane::cases::Visible(engine.substr(0, 80));
  EXPECT_TRUE(engine.ends_with(kTail));
  if (engine != reference) ADD_FAILURE() << FirstDifference(engine, reference);
}

// Example inputs.

class ExampleInput : public testing::TestWithParam<corvane::cases::Example> {};

TEST_P(ExampleInput, EngineMatchesReference) {
  const auto& example = GetParam();
  // A broken case file fails in the case runner; nothing to compare here.
  if (!example.error.empty()) GTEST_SKIP() << example.error;
  SCOPED_TRACE("engine/cases/" + example.file + ":" + std::to_string(example.line));
  ExpectSameAsReference(example.input);
}

INSTANTIATE_TEST_SUITE_P(Cases, ExampleInput,
                         testing::ValuesIn(corvane::cases::LoadExamples(CORVANE_CASES_DIR)),
                         [](const auto& info) { return info.param.name; });

// A document cut off at every byte: words, parameters, text and
// destinations that run into the end of the input take the scanner's
// careful paths, and the last bytes that end a word or a run of text move
// through every position. Each prefix is copied to a block of its own size,
// so that a read beyond it is a sanitizer's error.
TEST(TruncatedInput, EveryPrefixMatchesReference) {
  const std::string document =
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\info{\\title A\\'e9}}\\pard\\plain\\fs24 "
      "{\\rtlch\\fcs1 \\af0\\afs22 \\ltrch\\fcs0 \\insrsid1234567 one}\\par\\pnlvlblt "
      "two\\-three\\tab\\cell\\row\\emdash\\uc1\\u-3913?\\ab-12cd\\page "
      "a & b{\\*\\bkmkstart x&y}{\\pict 0123456789abcdef&0123456789\\'7d}c<d}";
  for (std::size_t length = 0; length <= document.size(); ++length) {
    SCOPED_TRACE("first " + std::to_string(length) + " bytes");
    const std::unique_ptr<char[]> prefix = std::make_unique<char[]>(length);
    std::copy_n(document.data(), length, prefix.get());
    ExpectSameAsReference(std::string_view(prefix.get(), length));
  }
}

// The corpus: the files bundled in tests/corpus, which every clone has, and
// the larger shared corpus beside the repository when it is there. A file in
// both is run once. A missing shared corpus is one skipped test, so a run
// without it says so instead of passing quietly.

struct CorpusFile {
  std::string name;  // test name
  std::filesystem::path path;
};

std::string TestName(const std::filesystem::path& path) {
  std::string name;
  for (char c : path.filename().string()) {
    const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    name += keep ? c : '_';
  }
  return name;
}

std::vector<CorpusFile> ListCorpus() {
  std::vector<CorpusFile> files;
  std::set<std::string> names;
  std::error_code ec;
  for (const std::filesystem::path folder : {CORVANE_BUNDLED_CORPUS_DIR, CORVANE_CORPUS_DIR}) {
    if (!std::filesystem::is_directory(folder, ec)) {
      files.push_back(
          {folder == CORVANE_CORPUS_DIR ? "shared_corpus_missing" : "bundled_corpus_missing",
           folder});
      continue;
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
      if (!entry.is_regular_file()) continue;
      std::string name = TestName(entry.path());
      if (names.insert(name).second) files.push_back({std::move(name), entry.path()});
    }
  }
  std::sort(files.begin(), files.end(),
            [](const CorpusFile& a, const CorpusFile& b) { return a.name < b.name; });
  return files;
}

void PrintTo(const CorpusFile& file, std::ostream* out) { *out << file.path.filename().string(); }

class CorpusFileInput : public testing::TestWithParam<CorpusFile> {};

TEST_P(CorpusFileInput, FramedAndMatchesReference) {
  const CorpusFile& file = GetParam();
  if (file.name == "shared_corpus_missing") GTEST_SKIP() << "no shared corpus at " << file.path;
  ASSERT_NE(file.name, "bundled_corpus_missing") << "the bundled corpus is gone: " << file.path;

  std::ifstream in(file.path, std::ios::binary);
  ASSERT_TRUE(in) << "cannot read " << file.path;
  const std::string rtf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  SCOPED_TRACE(file.path.string());
  ExpectSameAsReference(rtf);
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusFileInput, testing::ValuesIn(ListCorpus()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
