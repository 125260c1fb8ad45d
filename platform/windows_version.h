// Which Windows this is, for the features that older versions lack.
#pragma once

#include <windows.h>

namespace corvane::platform {

// The major version GetVersionExA reports (6 for Vista up to 8.1, and for
// later versions too unless a manifest says otherwise); 0 when unknown.
inline DWORD SystemMajorVersion() {
  OSVERSIONINFOA info{};
  // The basic structure: its size is how the call knows which one it got.
  static_assert(sizeof info == 148);
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!::GetVersionExA(&info)) return 0;
#pragma GCC diagnostic pop
  return info.dwMajorVersion;
}

}  // namespace corvane::platform
