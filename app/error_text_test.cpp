#include "app/error_text.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace corvane::app {
namespace {

struct FullStopCase {
  const char* name;
  std::string message;
  std::string shown;
};

TEST(ErrorBox, AddsAFullStopAfterBytesAboveIt) {
  const FullStopCase cases[] = {
      {"after a letter", "Cannot open file", "Cannot open file."},
      {"after a digit", "Code 5", "Code 5."},
      {"after a colon", "Reason:", "Reason:."},
      {"after a question mark", "Why?", "Why?."},
      {"after a slash, just above the full stop", "a/", "a/."},
      {"after an upper-half letter", "caf\xE9", "caf\xE9."},
      {"not after a full stop", "Done.", "Done."},
      {"not after an exclamation mark", "Stop!", "Stop!"},
      {"not after a parenthesis", "(x)", "(x)"},
      {"not after a comma", "a,", "a,"},
      {"not after a hyphen", "a-", "a-"},
      {"not after a blank", "a ", "a "},
      {"not after a line break", "a\r\n", "a\r\n"},
      {"nothing to end", "", ""},
  };
  for (const FullStopCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(WithFullStop(c.message), c.shown);
  }
}

std::string MessageOf(void (*thrower)()) {
  try {
    thrower();
  } catch (...) {
    return CurrentExceptionMessage();
  }
  return "(nothing thrown)";
}

TEST(ErrorBox, TakesTheMessageOfAnyException) {
  EXPECT_EQ(MessageOf([] { throw std::runtime_error("Cannot open file \"a.rtf\". Denied"); }),
            "Cannot open file \"a.rtf\". Denied");
  EXPECT_EQ(MessageOf([] { throw std::bad_alloc(); }), "Out of memory");
  EXPECT_EQ(MessageOf([] { throw 42; }), "Unknown error");
  const std::string system = MessageOf([] { throw SystemError(5); });
  EXPECT_EQ(system.rfind("System Error.  Code: 5.\r\n", 0), 0u) << system;
  EXPECT_GT(system.size(), std::string("System Error.  Code: 5.\r\n").size());
}

}  // namespace
}  // namespace corvane::app
