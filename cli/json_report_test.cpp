#include "cli/json_report.h"

#include <gtest/gtest.h>

#include <string>

namespace corvane::cli {
namespace {

using namespace std::string_literals;

TEST(JsonString, EscapesWhatJsonNeedsAndKeepsEveryByteRecoverable) {
  const struct {
    const char* name;
    std::string bytes;
    std::string json;
  } cases[] = {
      {"plain", "a b.rtf", "\"a b.rtf\""},
      {"quote and backslash", "C:\\x\"y", "\"C:\\\\x\\\"y\""},
      {"control characters", "a\nb\tc\x7F"s + '\0', "\"a\\u000ab\\u0009c\\u007f\\u0000\""},
      {"valid UTF-8 of every length", "\xC3\xA9\xE6\x96\x87\xF0\x9F\x98\x80",
       "\"\xC3\xA9\xE6\x96\x87\xF0\x9F\x98\x80\""},
      {"a Latin-1 byte", "caf\xE9.rtf", "\"caf\\udce9.rtf\""},
      {"a lead byte cut off at the end", "a\xE6\x96", "\"a\\udce6\\udc96\""},
      {"an overlong form", "\xC0\xAF", "\"\\udcc0\\udcaf\""},
      {"an encoded surrogate", "\xED\xA0\x80", "\"\\udced\\udca0\\udc80\""},
      {"above U+10FFFF", "\xF4\x90\x80\x80", "\"\\udcf4\\udc90\\udc80\\udc80\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(JsonString(c.bytes), c.json);
  }
}

TEST(JsonReport, LinesHoldEveryFieldAndNullWhereThereIsNone) {
  FileRecord converted{"in.rtf", "out.html", true, "", 10, 20, 3};
  EXPECT_EQ(FileRecordLine(converted),
            "{\"input\":\"in.rtf\",\"output\":\"out.html\",\"status\":\"converted\","
            "\"reason\":null,\"bytes_in\":10,\"bytes_out\":20,\"milliseconds\":3}\n");
  FileRecord failed{"gone.rtf", "", false, "no such file or folder", -1, -1, 0};
  EXPECT_EQ(FileRecordLine(failed),
            "{\"input\":\"gone.rtf\",\"output\":null,\"status\":\"failed\","
            "\"reason\":\"no such file or folder\",\"bytes_in\":null,\"bytes_out\":null,"
            "\"milliseconds\":0}\n");
  EXPECT_EQ(SummaryLine({5, 2, true, 40}),
            "{\"summary\":true,\"files\":7,\"converted\":5,\"failed\":2,\"interrupted\":true,"
            "\"milliseconds\":40}\n");
}

}  // namespace
}  // namespace corvane::cli
