// Window classes of this process: one registration for every window the
// program, the OS layer and the tests create.
#pragma once

#include <windows.h>

namespace corvane::os::win32 {

// Registers a class of this module with the arrow cursor; icon_id names an
// icon resource (0: none) and background may be null (the window paints
// everything). Zero on failure, as RegisterClassExA. Call once per class:
// callers keep the atom in a function-local static.
inline ATOM RegisterWindowClass(const char* name, WNDPROC procedure, int icon_id = 0,
                                HBRUSH background = nullptr) {
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = ::GetModuleHandleA(nullptr);
  if (icon_id != 0)
    window_class.hIcon = ::LoadIconA(window_class.hInstance, MAKEINTRESOURCEA(icon_id));
  window_class.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  window_class.hbrBackground = background;
  window_class.lpszClassName = name;
  return ::RegisterClassExA(&window_class);
}

}  // namespace corvane::os::win32
