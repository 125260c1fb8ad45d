#include "cli/progress_line.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace corvane::cli {
namespace {

TEST(EscapeControlCharacters, NamesCannotCommandTheTerminal) {
  struct Case {
    std::string name;
    std::string shown;
  };
  const Case cases[] = {
      {"plain/Report.rtf", "plain/Report.rtf"},
      {"a\nsecret.rtf", "a\\nsecret.rtf"},
      {"tab\tcr\r.rtf", "tab\\tcr\\r.rtf"},
      {"\x1b[2Jwiped.rtf", "\\x1b[2Jwiped.rtf"},
      {std::string("nul\0del\x7f", 8), "nul\\x00del\\x7f"},
      {"\xd0\x96"
       "doc.rtf",
       "\xd0\x96"
       "doc.rtf"},  // UTF-8 passes unchanged
  };
  for (const Case& c : cases) EXPECT_EQ(EscapeControlCharacters(c.name), c.shown);
}

TEST(ShortenPath, KeepsTheStartAndTheNameWithinTheWidth) {
  struct Case {
    std::string_view path;
    std::size_t width;
    std::string_view shown;
  };
  const Case cases[] = {
      {"short.rtf", 20, "short.rtf"},
      {"exactly-ten", 11, "exactly-ten"},
      {"/home/anna/reports/2026/q4/summary.rtf", 21, "/home/.../summary.rtf"},
      {"/home/anna/reports/2026/q4/summary.rtf", 12, "/ho...ry.rtf"},
      {"/home/anna/summary.rtf", 3, "rtf"},  // no room for the ellipsis
      {"/home/anna/summary.rtf", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.path << " in " << c.width);
    const std::string shown = ShortenPath(c.path, c.width);
    EXPECT_EQ(shown, c.shown);
    if (c.path.size() > c.width) {
      EXPECT_EQ(shown.size(), c.width);
    }
  }
}

}  // namespace
}  // namespace corvane::cli
