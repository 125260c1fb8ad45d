#include "platform/dialog_logic.h"

#include <gtest/gtest.h>

namespace corvane::platform {
namespace {

using namespace std::string_literals;

bool NoLeadBytes(unsigned char) { return false; }
bool HighBytesLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

TEST(DialogLogic, FilterBecomesNulSeparatedList) {
  EXPECT_EQ(FilterForDialog("Supported files|*.rtf;*.doc|All Files (*.*)|*.*", &NoLeadBytes),
            "Supported files\0*.rtf;*.doc\0All Files (*.*)\0*.*\0\0"s);
  EXPECT_EQ(FilterForDialog("", &NoLeadBytes), "\0\0"s);
  // 0x83 0x7C is one double-byte character whose second byte is "|".
  EXPECT_EQ(FilterForDialog("a\x83|b|c", &HighBytesLead), "a\x83|b\0c\0\0"s);
}

TEST(DialogLogic, MultipleSelectionBecomesFullPaths) {
  struct Case {
    const char* name;
    std::string buffer;
    std::vector<std::string> paths;
  };
  const Case cases[] = {
      {"one file", "C:\\Docs\\a.rtf\0\0"s, {"C:\\Docs\\a.rtf"}},
      {"two files in dialog order",
       "C:\\Docs\0b.doc\0a.rtf\0\0"s,
       {"C:\\Docs\\b.doc", "C:\\Docs\\a.rtf"}},
      {"drive root keeps its doubled backslash",
       "C:\\\0a.rtf\0b.rtf\0\0"s,
       {"C:\\\\a.rtf", "C:\\\\b.rtf"}},
      {"a name holding ; stays whole",
       "C:\\D\0x;y.rtf\0z.rtf\0\0"s,
       {"C:\\D\\x;y.rtf", "C:\\D\\z.rtf"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string buffer = c.buffer;
    buffer.resize(5201, '\0');
    EXPECT_EQ(SelectedPaths(std::string_view(buffer), 5200), c.paths);
  }
  EXPECT_EQ(JoinPaths({"C:\\Docs\\a.rtf", "C:\\Docs\\b.doc"}), "C:\\Docs\\a.rtf;C:\\Docs\\b.doc");
}

TEST(DialogLogic, SelectionReadsNoFurtherThanTheLimit) {
  std::string buffer(5201, 'x');  // no terminator where one was due
  const std::vector<std::string> paths = SelectedPaths(std::string_view(buffer), 5200);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(paths[0].size(), 5200u);
}

TEST(DialogLogic, MessageBoxFallBackTables) {
  struct Case {
    int buttons, icon;
    unsigned style;
  };
  const Case cases[] = {
      {kOk, kInformation, 0x00 | 0x40},
      {kOk | kCancel, kWarning, 0x01 | 0x30},
      {kYes, kQuestion, 0x04 | 0x20},
      {kNo, kError, 0x04 | 0x10},
      {kYes | kNo, kInformation, 0x04 | 0x40},
      {kYes | kCancel, kInformation, 0x03 | 0x40},
      {kYes | kNo | kCancel, kInformation, 0x03 | 0x40},
      {kRetry, kInformation, 0x05 | 0x40},
      {kRetry | kCancel, kInformation, 0x05 | 0x40},
      {kClose, kInformation, 0x02 | 0x40},
      {kCancel, 100, 0x01 | 0x40},                // unknown icons show information
      {kOk | kRetry, kInformation, 0x05 | 0x40},  // other sets: the flags' styles or-ed
      {kClose | kCancel, kInformation, 0x03 | 0x40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "buttons " << c.buttons << " icon " << c.icon);
    EXPECT_EQ(MessageBoxStyle(c.buttons, c.icon), c.style);
  }
  EXPECT_EQ(MessageBoxText("Title", "Body"), "Title\n\nBody");
  EXPECT_EQ(MessageBoxText("Title", ""), "Title\n\n");
  const int answers[][2] = {{1, 1}, {2, 2}, {3, 8}, {4, 4}, {5, 5}, {6, 6}, {7, 7}};
  for (const auto& a : answers) EXPECT_EQ(TaskResultOf(a[0]), a[1]) << a[0];
}

}  // namespace
}  // namespace corvane::platform
