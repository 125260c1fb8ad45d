#include "cli/progress_line.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace corvane::cli
