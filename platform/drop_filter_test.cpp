#include "platform/drop_filter.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace corvane::platform {
namespace {

// A scripted system: what it answers and what was asked of it.
struct FakeSystem {
  DWORD major_version = 6;
  bool library_loads = true;
  bool function_found = true;
  int loads = 0;
  std::vector<std::pair<UINT, DWORD>> filter_calls;
};
FakeSystem g_fake;

DWORD FakeMajorVersion() { return g_fake.major_version; }

HMODULE FakeLoadUser32() {
  ++g_fake.loads;
  // A real, counted reference, so that the owner's FreeLibrary is balanced.
  return g_fake.library_loads ? ::LoadLibraryA("USER32.DLL") : nullptr;
}

BOOL WINAPI RecordFilterChange(UINT message, DWORD flag) {
  g_fake.filter_calls.emplace_back(message, flag);
  return TRUE;
}

FARPROC FakeFind(HMODULE) {
  if (!g_fake.function_found) return nullptr;
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&RecordFilterChange));
}

struct FilterCase {
  const char* name;
  DWORD major_version;
  bool library_loads;
  bool function_found;
  int loads;
  std::vector<std::pair<UINT, DWORD>> calls;
};

TEST(AllowDropMessages, LetsTheDropMessagesThroughWhereAFilterExists) {
  const std::vector<std::pair<UINT, DWORD>> both = {{0x0049, 1}, {0x0233, 1}};
  const FilterCase cases[] = {
      {"Windows 5.x loads nothing", 5, true, true, 0, {}},
      {"Windows 6: the data message, then WM_DROPFILES", 6, true, true, 1, both},
      {"later versions too", 10, true, true, 1, both},
      {"no library: silent", 6, false, true, 1, {}},
      {"no such function: silent", 6, true, false, 1, {}},
  };
  for (const FilterCase& c : cases) {
    SCOPED_TRACE(c.name);
    g_fake = FakeSystem{c.major_version, c.library_loads, c.function_found, 0, {}};
    AllowDropMessagesWith({&FakeMajorVersion, &FakeLoadUser32, &FakeFind});
    EXPECT_EQ(g_fake.loads, c.loads);
    EXPECT_EQ(g_fake.filter_calls, c.calls);
  }
}

}  // namespace
}  // namespace corvane::platform
