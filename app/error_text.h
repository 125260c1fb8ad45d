// The text of the application's error box.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace corvane::app {

// The message as the error box shows it: a full stop is added when the last
// byte lies above "." (after a letter, a digit, ":" or "?"; not after ".",
// "!", ")", "," or a blank).
std::string WithFullStop(std::string message);

// An operating-system failure, worded as the error box has always shown it:
// "System Error.  Code: 5.\r\nAccess is denied."
std::runtime_error SystemError(std::uint32_t code);

// The message of the exception being handled. Call only inside a catch.
std::string CurrentExceptionMessage();

}  // namespace corvane::app
