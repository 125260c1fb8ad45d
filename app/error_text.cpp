#include "app/error_text.h"

#include <exception>
#include <new>

#include "os/os.h"

namespace corvane::app {

std::string WithFullStop(std::string message) {
  // Unsigned: a letter of the upper half of the code page counts as above.
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message.push_back('.');
  return message;
}

std::runtime_error SystemError(std::uint32_t code) {
  return std::runtime_error("System Error.  Code: " + std::to_string(code) + ".\r\n" +
                            os::SystemErrorText(code));
}

std::string CurrentExceptionMessage() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return "Out of memory";
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return "Unknown error";
  }
}

}  // namespace corvane::app
