#include "tests/gui/recording_browser.h"

#include <fstream>
#include <sstream>

#include "tests/gui/gui_test_support.h"

namespace corvane::gui_test {
namespace {

// Wine's HKEY_CLASSES_ROOT shows the machine's classes only.
constexpr char kHttpCommandKey[] = "Software\\Classes\\http\\shell\\open\\command";

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

}  // namespace

std::string ToWindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;  // Wine's drive for the build machine
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

RecordingBrowser::RecordingBrowser(const std::string& browser_exe) {
  char temp[MAX_PATH + 1] = {};
  ::GetTempPathA(sizeof temp, temp);
  log_ = std::string(temp) + "corvane-dialog-browser-" + std::to_string(::GetCurrentProcessId()) +
         ".log";
  ::DeleteFileA(log_.c_str());
  ::SetEnvironmentVariableA("CORVANE_BROWSER_LOG", log_.c_str());  // the browser inherits it
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kHttpCommandKey, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  key_ = key;
  char previous[1024] = {};
  DWORD size = sizeof previous;
  had_previous_ = ::RegQueryValueExA(key_, nullptr, nullptr, nullptr,
                                     reinterpret_cast<BYTE*>(previous), &size) == ERROR_SUCCESS;
  previous_ = previous;
  const std::string command = "\"" + browser_exe + "\" \"%1\"";
  ::RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>(command.size() + 1));
}

RecordingBrowser::~RecordingBrowser() {
  if (key_ != nullptr) {
    if (had_previous_) {
      ::RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(previous_.c_str()),
                       static_cast<DWORD>(previous_.size() + 1));
    } else {
      ::RegDeleteValueA(key_, nullptr);
    }
    ::RegCloseKey(key_);
  }
  ::DeleteFileA(log_.c_str());
}

std::string RecordingBrowser::Opened(std::size_t count, unsigned patience_ms) const {
  std::string lines;
  const DWORD start = ::GetTickCount();
  for (;;) {
    lines = ReadFile(log_);
    std::size_t arrived = 0;
    for (char c : lines) arrived += c == '\n' ? 1 : 0;
    if (arrived >= count || ::GetTickCount() - start >= patience_ms) return lines;
    ::Sleep(20);
  }
}

}  // namespace corvane::gui_test
