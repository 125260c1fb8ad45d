// The benchmark figures mean something only if the generated documents are
// well-formed and reach every path of the engine; these tests hold that.
#include "bench/rtf_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "engine/rtf2html.h"

namespace {

using corvane::bench::GenerateRtf;

TEST(RtfGenerator, SameSeedSameBytesOtherSeedOtherBytes) {
  EXPECT_EQ(GenerateRtf(50000, 7), GenerateRtf(50000, 7));
  EXPECT_NE(GenerateRtf(50000, 7), GenerateRtf(50000, 8));
}

TEST(RtfGenerator, SizeReachesTheTargetAndOvershootsLittle) {
  for (const std::size_t target : {std::size_t{0}, std::size_t{3000}, std::size_t{1000000}}) {
    const std::string rtf = GenerateRtf(target);
    EXPECT_GE(rtf.size(), target);
    EXPECT_LT(rtf.size(), target + 64 * 1024) << "target " << target;
  }
}

// Groups must balance and close exactly at the end, or the engine would
// drop the rest of the document into a skipped group and time nothing.
TEST(RtfGenerator, GroupsBalanceAndBytesAreThoseAWriterEmits) {
  const std::string rtf = GenerateRtf(2000000, 11);
  ASSERT_EQ(rtf.substr(0, 6), "{\\rtf1");
  long depth = 0;
  std::size_t line_length = 0;
  std::size_t longest_line = 0;
  for (std::size_t i = 0; i < rtf.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(rtf[i]);
    if (c == '\\' && i + 1 < rtf.size() &&
        (rtf[i + 1] == '\\' || rtf[i + 1] == '{' || rtf[i + 1] == '}')) {
      ++i;
      line_length += 2;
      continue;
    }
    if (c == '{') ++depth;
    if (c == '}') --depth;
    ASSERT_GE(depth, 0) << "at byte " << i;
    ASSERT_TRUE(c == '\r' || c == '\n' || (c >= 32 && c < 127)) << "byte " << int{c} << " at " << i;
    if (c == '\r') {
      ASSERT_EQ(rtf[i + 1], '\n') << "at byte " << i;
    }
    if (c == '\n') {
      ASSERT_GT(line_length, 1u) << "empty line before byte " << i;
      longest_line = std::max(longest_line, line_length);
      line_length = 0;
    } else {
      ++line_length;
    }
    ASSERT_FALSE(depth == 0 && i + 3 < rtf.size()) << "document closed early at byte " << i;
  }
  EXPECT_EQ(depth, 0);
  EXPECT_LT(longest_line, 400u);
}

TEST(RtfGenerator, ReachesEveryKindOfBlockTheEngineWrites) {
  const std::string html = corvane::RenderRtfAsHtml(GenerateRtf(1000000));
  for (const std::string_view part :
       {"<ul><li>", "<ol><li>", " | ", "<hr />", "<br />", "&mdash;", "&ldquo;", "&rsquo;", "&amp;",
        "&lt;", "&nbsp;", "\xe9", "\x92"}) {
    EXPECT_NE(html.find(part), std::string::npos) << "no " << part;
  }
  const std::size_t title = html.find("<title>") + 7;
  EXPECT_GT(html.find("</title>"), title) << "empty title";
  // Fields and pictures are dropped whole: none of their text may leak.
  for (const std::string_view leak : {"HYPERLINK", "89504e47", "MERGEFORMAT", "Times New Roman"}) {
    EXPECT_EQ(html.find(leak), std::string::npos) << leak << " leaked";
  }
}

}  // namespace
