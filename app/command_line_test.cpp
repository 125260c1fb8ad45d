#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvane::app {
namespace {

struct SplitCase {
  const char* name;
  std::string_view line;
  std::vector<std::string> arguments;
};

TEST(CommandLine, SplitsAtBlanksAndControlCharacters) {
  using namespace std::string_view_literals;
  const SplitCase cases[] = {
      {"nothing", "", {}},
      {"only blanks", "   \t ", {}},
      {"the program alone", "C:\\Corvane\\corvane.exe", {"C:\\Corvane\\corvane.exe"}},
      {"quoted program with a blank",
       "\"C:\\Program Files\\Corvane\\corvane.exe\" /uninstall",
       {"C:\\Program Files\\Corvane\\corvane.exe", "/uninstall"}},
      {"tabs and line breaks separate", "a\tb\r\nc", {"a", "b", "c"}},
      {"codes 1 to 32 all separate",
       "a\x01"
       "b\x1F"
       "c d",
       {"a", "b", "c", "d"}},
      {"a byte above 127 is a character",
       "x \xA0"
       "y\xE9",
       {"x", "\xA0y\xE9"}},
      {"quotes group and are dropped", "x \"a b\"c d", {"x", "a bc", "d"}},
      {"quotes may sit mid-argument", "x ab\"c d\"e", {"x", "abc de"}},
      {"an unclosed quote runs to the end", "x \"a b", {"x", "a b"}},
      {"an empty quoted argument counts", "x \"\" y", {"x", "", "y"}},
      {"a backslash is ordinary", "x \\\"a b\\\" c", {"x", "\\a b\\", "c"}},
      {"the line ends at a zero byte", "x a\0b"sv, {"x", "a"}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SplitCommandLine(c.line), c.arguments);
  }
}

struct SwitchCase {
  const char* name;
  const char* line;
  bool uninstall;
};

TEST(CommandLine, OnlyTheExactFirstArgumentIsTheUninstallSwitch) {
  const SwitchCase cases[] = {
      {"bare", "corvane.exe /uninstall", true},
      {"quoted", "corvane.exe \"/uninstall\"", true},
      {"quoted program", "\"C:\\A B\\corvane.exe\" /uninstall", true},
      {"further arguments do not matter", "corvane.exe /uninstall now", true},
      {"no argument", "corvane.exe", false},
      {"wrong case", "corvane.exe /UNINSTALL", false},
      {"a hyphen for the slash", "corvane.exe -uninstall", false},
      {"no slash", "corvane.exe uninstall", false},
      {"a trailing character", "corvane.exe /uninstallx", false},
      {"a leading blank inside the quotes", "corvane.exe \" /uninstall\"", false},
      {"second position", "corvane.exe C:\\doc.rtf /uninstall", false},
      {"a document path", "corvane.exe C:\\doc.rtf", false},
  };
  for (const SwitchCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FirstArgument(c.line) == kUninstallSwitch, c.uninstall);
  }
}

}  // namespace
}  // namespace corvane::app
