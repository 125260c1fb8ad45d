#include "platform/web_links.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvane/version.h"
#include "tests/support/temp_folder.h"

namespace corvane::platform {
namespace {

constexpr LocalTime kHour = 3'600'000;
constexpr LocalTime kDay = kMillisecondsPerDay;

struct DaysCase {
  const char* name;
  LocalTime install_before_now;  // negative: an install date in the future
  const char* query;
};

constexpr DaysCase kDaysCases[] = {
    {"installed this very moment", 0, "?prd=crv&v=" CORVANE_VERSION_TEXT "&d=0"},
    {"exactly 24 hours ago is one day", kDay, "?prd=crv&v=" CORVANE_VERSION_TEXT "&d=1"},
    {"a millisecond short of 24 hours is none", kDay - 1,
     "?prd=crv&v=" CORVANE_VERSION_TEXT "&d=0"},
    {"yesterday 18:00 seen at 09:00 is none", 15 * kHour,
     "?prd=crv&v=" CORVANE_VERSION_TEXT "&d=0"},
    {"10 days and 2 hours ago", 10 * kDay + 2 * kHour, "?prd=crv&v=" CORVANE_VERSION_TEXT "&d=10"},
    {"the fallback date at start", 999 * kDay, "?prd=crv&v=" CORVANE_VERSION_TEXT "&d=999"},
    {"the fallback date a day later", 1000 * kDay + 1,
     "?prd=crv&v=" CORVANE_VERSION_TEXT "&d=1000"},
    {"less than a day in the future", -23 * kHour, "?prd=crv&v=" CORVANE_VERSION_TEXT "&d=0"},
    {"36 hours in the future", -36 * kHour, "?prd=crv&v=" CORVANE_VERSION_TEXT "&d=-1"},
    {"exactly 48 hours in the future", -2 * kDay, "?prd=crv&v=" CORVANE_VERSION_TEXT "&d=-2"},
    {"more days than 32 bits hold", 3'000'000'000LL * kDay,
     "?prd=crv&v=" CORVANE_VERSION_TEXT "&d=3000000000"},
};

TEST(LinkQuery, CountsWhole24HourDaysTowardZero) {
  // A day count of a real date (2026-12-10 09:00) as "now".
  const LocalTime now = 46'366 * kDay + 9 * kHour;
  for (const DaysCase& c : kDaysCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(LinkQueryForDays(WholeDaysBetween(now - c.install_before_now, now)), c.query);
  }
}

TEST(LinkQuery, WithoutUninstallerOfTheTestProgramIs999) {
  // The test program's folder (the build folder) holds no Uninstall.exe.
  RecordInstallDate();
  EXPECT_EQ(BuildLinkQuery(), "?prd=crv&v=" CORVANE_VERSION_TEXT "&d=999");
}

enum class Uninstaller { kNone, kFile, kFolder };

struct InstallCase {
  const char* name;
  Uninstaller uninstaller;
  LocalTime written_before_now;  // for a file; negative: in the future
  std::int64_t days;
};

constexpr InstallCase kInstallCases[] = {
    {"no Uninstall.exe: 999 days", Uninstaller::kNone, 0, 999},
    {"a folder named Uninstall.exe counts as none", Uninstaller::kFolder, 0, 999},
    {"written 10 days and 2 hours ago", Uninstaller::kFile, 10 * kDay + 2 * kHour, 10},
    {"written just now", Uninstaller::kFile, kHour / 60, 0},
    {"written 23 hours in the future", Uninstaller::kFile, -23 * kHour, 0},
    {"written 36 hours in the future", Uninstaller::kFile, -36 * kHour, -1},
};

void SetLastWrite(const std::string& path, LocalTime before_now) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER ticks{};
  ticks.LowPart = now.dwLowDateTime;
  ticks.HighPart = now.dwHighDateTime;
  ticks.QuadPart -= static_cast<std::uint64_t>(before_now * 10'000);  // wraps for the future
  FILETIME written{};
  written.dwLowDateTime = ticks.LowPart;
  written.dwHighDateTime = ticks.HighPart;
  const BOOL set = ::SetFileTime(file, nullptr, nullptr, &written);
  ::CloseHandle(file);
  ASSERT_TRUE(set);
}

TEST(InstallDate, ComesFromTheUninstallerInTheFolder) {
  for (const InstallCase& c : kInstallCases) {
    SCOPED_TRACE(c.name);
    const corvane::test_support::TempFolder temp("corvane-links");
    const std::string folder = temp.Path() + "\\";
    const std::string uninstaller = folder + "Uninstall.exe";
    if (c.uninstaller == Uninstaller::kFile) SetLastWrite(uninstaller, c.written_before_now);
    if (c.uninstaller == Uninstaller::kFolder) {
      ASSERT_TRUE(::CreateDirectoryA(uninstaller.c_str(), nullptr));
    }
    const LocalTime now = CurrentLocalTime();
    EXPECT_EQ(WholeDaysBetween(InstallDateIn(folder, now), now), c.days);
  }
}

TEST(InstallDate, ProgramFolderHoldsTheRunningProgram) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(folder.back() == '\\' || folder.back() == '/') << folder;
  char module[MAX_PATH + 1] = {};
  ::GetModuleFileNameA(nullptr, module, sizeof module);
  EXPECT_EQ(std::string(module).rfind(folder, 0), 0u) << module;
}

// What OpenWebPage handed to the system.
struct LaunchLog {
  std::intptr_t shell_answer = 33;
  std::vector<std::string> shell_addresses;
  std::vector<std::string> commands;
};
LaunchLog g_log;

std::intptr_t RecordShell(const std::string& address) {
  g_log.shell_addresses.push_back(address);
  return g_log.shell_answer;
}
void RecordCommand(const std::string& command_line) { g_log.commands.push_back(command_line); }

struct LaunchCase {
  const char* name;
  std::intptr_t shell_answer;
  bool falls_back;
};

constexpr LaunchCase kLaunchCases[] = {
    {"the shell opened it", 42, false},  {"33 is the first success", 33, false},
    {"32 is still a failure", 32, true}, {"file not found", ERROR_FILE_NOT_FOUND, true},
    {"out of resources", 0, true},
};

TEST(OpenWebPage, FallsBackToExplorerWhenTheShellFails) {
  const std::string address =
      "http://www.belmorn.com/corvane/download/?prd=crv&v=" CORVANE_VERSION_TEXT "&d=7";
  for (const LaunchCase& c : kLaunchCases) {
    SCOPED_TRACE(c.name);
    g_log = LaunchLog{};
    g_log.shell_answer = c.shell_answer;
    OpenWebPageWith({&RecordShell, &RecordCommand},
                    std::string(kWebSiteAddress) + std::string(kDownloadPagePath),
                    "?prd=crv&v=" CORVANE_VERSION_TEXT "&d=7");
    EXPECT_EQ(g_log.shell_addresses, std::vector<std::string>{address});
    if (c.falls_back) {
      EXPECT_EQ(g_log.commands, std::vector<std::string>{"explorer.exe \"" + address + "\""});
    } else {
      EXPECT_TRUE(g_log.commands.empty());
    }
  }
}

}  // namespace
}  // namespace corvane::platform
