// Error texts and case folding from the system's ANSI code page.
#include <algorithm>
#include <cstddef>
#include <string>

#include "os/os.h"
#include "os/win32_handle.h"

namespace corvane::os {

std::string SystemErrorText(ErrorCode code) {
  char* buffer = nullptr;
  // With ALLOCATE_BUFFER the "buffer" argument receives a pointer to a block
  // the system allocated; the message has no length limit that way.
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  const win32::LocalMemory owner(buffer);
  if (length == 0 || buffer == nullptr) return {};  // the system has no text for it
  std::string text(buffer, length);
  // System messages end in "\r\n", sometimes after a space.
  const std::size_t end = text.find_last_not_of("\r\n ");
  text.erase(end == std::string::npos ? 0 : end + 1);
  return text;
}

std::string AnsiToUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int in_size = static_cast<int>(text.size());
  const int wide_size = ::MultiByteToWideChar(CP_ACP, 0, text.data(), in_size, nullptr, 0);
  if (wide_size <= 0) return std::string(text);
  std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), in_size, wide.data(), wide_size);
  const int size =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string(text);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, utf8.data(), size, nullptr, nullptr);
  return utf8;
}

void LowerCaseAnsi(std::string& text) {
  char* next = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(left, MAXDWORD));
    ::CharLowerBuffA(next, chunk);
    next += chunk;
    left -= chunk;
  }
}

}  // namespace corvane::os
