#include "platform/web_links.h"

#include <windows.h>
#include <shellapi.h>

#include <optional>

#include "corvane/version.h"

namespace corvane::platform {
namespace {

constexpr std::string_view kQueryPrefix = "?prd=crv&v=" CORVANE_VERSION_TEXT "&d=";
constexpr std::string_view kUninstallerName = "Uninstall.exe";
// FILETIME counts 100-ns ticks from 1 January 1601; the day count starts
// 109,205 days later, on 30 December 1899.
constexpr std::int64_t kTicksPerMillisecond = 10'000;
constexpr std::int64_t kDaysFrom1601To1899 = 109'205;

std::optional<LocalTime> g_install_date;  // written once at module start

LocalTime FromLocalFileTime(const FILETIME& time) {
  const auto ticks = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  return ticks / kTicksPerMillisecond - kDaysFrom1601To1899 * kMillisecondsPerDay;
}

// The last-write time of a file (not a folder), in local time.
std::optional<LocalTime> LastWriteOfFile(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
  FILETIME local{};
  // The system's current rule, as Explorer shows the time.
  if (!::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local)) return std::nullopt;
  return FromLocalFileTime(local);
}

std::intptr_t OpenWithShell(const std::string& address) {
  const HINSTANCE result =
      ::ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<std::intptr_t>(result);
}

void RunCommand(const std::string& command_line) {
  ::WinExec(command_line.c_str(), SW_SHOWNORMAL);  // its answer tells nothing we could act on
}

}  // namespace

LocalTime CurrentLocalTime() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  FILETIME as_file_time{};
  // Converts the fields only; no time zone is applied.
  ::SystemTimeToFileTime(&now, &as_file_time);
  return FromLocalFileTime(as_file_time);
}

std::string ProgramFolder() {
  // A program in a deep folder may have a path longer than MAX_PATH; a cut
  // path would lose the folder and with it the install date.
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::string();
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    if (path.size() >= 32768) return std::string();
    path.resize(path.size() * 2);
  }
  const std::size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

LocalTime InstallDateIn(const std::string& folder, LocalTime now) {
  if (const std::optional<LocalTime> written =
          LastWriteOfFile(folder + std::string(kUninstallerName))) {
    return *written;
  }
  return now - kDaysWithoutUninstaller * kMillisecondsPerDay;
}

std::int64_t WholeDaysBetween(LocalTime from, LocalTime to) {
  return (to - from) / kMillisecondsPerDay;  // C++ division truncates toward zero
}

std::string LinkQueryForDays(std::int64_t days) {
  return std::string(kQueryPrefix) + std::to_string(days);
}

void RecordInstallDate() {
  if (!g_install_date) g_install_date = InstallDateIn(ProgramFolder(), CurrentLocalTime());
}

std::string BuildLinkQuery() {
  RecordInstallDate();  // a no-op after the module start
  return LinkQueryForDays(WholeDaysBetween(*g_install_date, CurrentLocalTime()));
}

void OpenWebPageWith(const WebPageLauncher& launcher, std::string_view page_address,
                     std::string_view query) {
  std::string address;
  address.reserve(page_address.size() + query.size());
  address.append(page_address).append(query);
  if (launcher.open_with_shell(address) <= 32) {
    launcher.run_command("explorer.exe \"" + address + "\"");
  }
}

void OpenWebPage(std::string_view page_address, std::string_view query) {
  try {
    OpenWebPageWith({&OpenWithShell, &RunCommand}, page_address, query);
  } catch (...) {
    // Out of memory while joining the address: the page just does not open.
  }
}

}  // namespace corvane::platform
