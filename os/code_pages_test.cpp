// The system's code page tables as the engine sees them: the same answers
// from iconv and from MultiByteToWideChar.
#include <gtest/gtest.h>

#include <string>

#include "os/code_pages.h"

namespace corvane::os {
namespace {

std::u32string Decode(unsigned code_page, std::string_view bytes) {
  std::u32string out;
  EXPECT_TRUE(SystemCodePageDecoder().Decode(code_page, bytes, out)) << code_page;
  return out;
}

TEST(SystemCodePageDecoder, ReadsSingleAndDoubleBytePages) {
  struct Case {
    unsigned code_page;
    std::string bytes;
    std::u32string expected;
  };
  const Case cases[] = {
      {1252, "caf\xE9 \x80", U"caf\u00e9 \u20ac"},
      {1251, "\xCF\xF0\xE8", U"\u041f\u0440\u0438"},
      // Pages with combining marks: the last character is not held back.
      {1255, "\xF9\xEC\xE5\xED", U"\u05e9\u05dc\u05d5\u05dd"},
      {1258, "\xF0", U"\u0111"},
      {10000, "\x8E\xA7", U"\u00e9\u00df"},
      {932, "\x82\xA0\x95\x5C", U"\u3042\u8868"},
      {936, "\xD6\xD0", U"\u4e2d"},
      {949, "\xC7\xD1", U"\ud55c"},
      {950, "\xA4\xA4", U"\u4e2d"},
      // Web pages' labels: ISO 8859 parts and EUC-JP.
      {28592, "\xB1", U"\u0105"},
      {28605, "\xA4", U"\u20ac"},
      {20932, "\xA4\xA2", U"\u3042"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code_page);
    EXPECT_EQ(Decode(c.code_page, c.bytes), c.expected);
  }
}

TEST(SystemCodePageDecoder, AnUnknownPageIsRefusedAndLeavesTheOutputAlone) {
  std::u32string out = U"x";
  EXPECT_FALSE(SystemCodePageDecoder().Decode(59999, "a", out));
  EXPECT_EQ(out, U"x");
}

}  // namespace
}  // namespace corvane::os
