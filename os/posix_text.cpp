// Error texts and ASCII case folding: POSIX has no ANSI code page of its own.
#include <cstring>
#include <string>

#include "os/ansi_encoder.h"
#include "os/os.h"

namespace corvane::os {
namespace {

// strerror_r comes in two shapes (XSI returns an int, GNU a pointer that
// may or may not be the buffer); overloading takes whichever is declared.
[[maybe_unused]] const char* ErrorTextOf(int result, const char* buffer) {
  return result == 0 ? buffer : nullptr;
}
[[maybe_unused]] const char* ErrorTextOf(const char* result, const char* /*buffer*/) {
  return result;
}

}  // namespace

std::string SystemErrorText(ErrorCode code) {
  char buffer[256] = {};
  const char* text =
      ErrorTextOf(::strerror_r(static_cast<int>(code), buffer, sizeof buffer), buffer);
  return text != nullptr ? std::string(text) : std::string();
}

std::string AnsiToUtf8(std::string_view text) { return std::string(text); }

void LowerCaseAnsi(std::string& text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
}

}  // namespace corvane::os

namespace corvane::os {

const readers::AnsiEncoder& SystemAnsiEncoder() { return readers::Windows1252(); }

}  // namespace corvane::os
