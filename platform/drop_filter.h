// Lets the two messages of a shell drop through the process's message
// filter, so that files dragged from the (unelevated) desktop reach the
// window when the program runs elevated.
#pragma once

#include <windows.h>

namespace corvane::platform {

// Silent on every failure: old systems have no filter, and then drops work
// anyway. Call once, after the window has accepted drops.
void AllowDropMessages();

// The message that carries the dropped data between processes; it has no
// public name.
inline constexpr UINT kCopyGlobalDataMessage = 0x0049;
inline constexpr DWORD kMessageFilterAdd = 1;  // MSGFLT_ADD

// How AllowDropMessages reaches the system; tests put recorders in.
struct MessageFilterSystem {
  DWORD (*major_version)();                  // 0 when unknown
  HMODULE (*load_user32)();                  // the caller frees it
  FARPROC (*find_function)(HMODULE module);  // ChangeWindowMessageFilter or null
};
void AllowDropMessagesWith(const MessageFilterSystem& system);

}  // namespace corvane::platform
