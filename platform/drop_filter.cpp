#include "platform/drop_filter.h"

#include <cstdint>

#include "platform/win32_owners.h"
#include "platform/windows_version.h"

namespace corvane::platform {
namespace {

using ChangeWindowMessageFilterFunction = BOOL(WINAPI*)(UINT message, DWORD flag);

HMODULE LoadUser32() { return ::LoadLibraryA("USER32.DLL"); }

FARPROC FindChangeWindowMessageFilter(HMODULE module) {
  // Looked up by name: Windows before Vista has no such function.
  return ::GetProcAddress(module, "ChangeWindowMessageFilter");
}

}  // namespace

void AllowDropMessagesWith(const MessageFilterSystem& system) {
  // Windows 5.x has no message filter to change.
  if (system.major_version() < 6) return;
  Module user32(system.load_user32());
  // Values below 32 are errors in the old convention; nothing to free then.
  if (reinterpret_cast<std::uintptr_t>(user32.Get()) < 32) {
    (void)user32.Release();
    return;
  }
  const FARPROC found = system.find_function(user32.Get());
  if (found == nullptr) return;
  // Through void(*)(), the one function type that converts without a warning.
  const auto change_filter =
      reinterpret_cast<ChangeWindowMessageFilterFunction>(reinterpret_cast<void (*)()>(found));
  change_filter(kCopyGlobalDataMessage, kMessageFilterAdd);
  change_filter(WM_DROPFILES, kMessageFilterAdd);
  // Freeing our reference is safe: every window program keeps user32 loaded,
  // and the filter belongs to the process, not to the reference.
}

void AllowDropMessages() {
  AllowDropMessagesWith({&SystemMajorVersion, &LoadUser32, &FindChangeWindowMessageFilter});
}

}  // namespace corvane::platform
