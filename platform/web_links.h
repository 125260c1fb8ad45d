// Links to pages of the maker's web site. Each link is the site's address,
// a page path and a query naming the product, its version and how many days
// ago it was installed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::platform {

// The maker's web site: scheme and host, no path.
inline constexpr std::string_view kWebSiteAddress = "http://www.belmorn.com";

// Page paths: each begins and ends with a slash; the query follows directly.
inline constexpr std::string_view kProgramPagePath = "/corvane/";
inline constexpr std::string_view kDownloadPagePath = "/corvane/download/";
inline constexpr std::string_view kServicePagePath = "/we/service/";
inline constexpr std::string_view kUninstallPagePath = "/we/service/uninstall/";

// Module start: records the install date once, before anything else of the
// program runs. From "Uninstall.exe" in the program folder, or 999 days
// before now when there is no such file.
void RecordInstallDate();

// "?prd=crv&v=<version>&d=N": N whole 24-hour days since the install date, now.
std::string BuildLinkQuery();

// Hands page_address + query to the user's browser. Never reports a
// failure: there is nothing the user could do about it.
void OpenWebPage(std::string_view page_address, std::string_view query);

// ---- The pieces, for tests --------------------------------------------------

// A local date and time in milliseconds since 30 December 1899 00:00. Whole
// numbers, so that "exactly 24 hours" is exactly one day.
using LocalTime = std::int64_t;
inline constexpr LocalTime kMillisecondsPerDay = 86'400'000;
inline constexpr std::int64_t kDaysWithoutUninstaller = 999;

LocalTime CurrentLocalTime();

// The folder of the running program file, ending in its separator.
std::string ProgramFolder();

// The install date that a program in `folder` (ending in a separator) has
// at `now`.
LocalTime InstallDateIn(const std::string& folder, LocalTime now);

// Whole days from `from` to `to`, truncated toward zero (negative when `to`
// lies before `from`).
std::int64_t WholeDaysBetween(LocalTime from, LocalTime to);

std::string LinkQueryForDays(std::int64_t days);

// How OpenWebPage reaches the system; tests put recorders in.
struct WebPageLauncher {
  // ShellExecuteA's answer as a number: 32 or less is a failure.
  std::intptr_t (*open_with_shell)(const std::string& address);
  void (*run_command)(const std::string& command_line);
};
void OpenWebPageWith(const WebPageLauncher& launcher, std::string_view page_address,
                     std::string_view query);

}  // namespace corvane::platform
