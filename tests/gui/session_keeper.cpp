// Holds Wine's desktop open while the window tests run. Each test is a
// process of its own; without a window that outlives them, Wine closes its
// desktop (and the services started with it) after each one and starts
// them again for the next, which costs seconds per test.
//   session_keeper.exe READY_FILE
// Writes its process id to READY_FILE once its (hidden) window exists,
// removes the file when it ends, and ends on WM_CLOSE (wine taskkill /pid
// ID: by id, so that one keeper's stop leaves another's alone).
#include <windows.h>

#include <cstdio>
#include <cstdlib>  // __argc, __argv

namespace {

LRESULT CALLBACK KeeperProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcA(window, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*arguments*/, int /*show*/) {
  if (__argc < 2) return 2;
  const char* ready = __argv[1];
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = &KeeperProcedure;
  window_class.hInstance = instance;
  window_class.lpszClassName = "CorvaneSessionKeeper";
  if (::RegisterClassA(&window_class) == 0) return 3;
  // A top-level window, never shown: it ties the desktop to this process.
  if (::CreateWindowExA(0, window_class.lpszClassName, "Corvane session keeper", WS_POPUP, 0, 0, 1,
                        1, nullptr, nullptr, instance, nullptr) == nullptr) {
    return 4;
  }
  if (std::FILE* file = std::fopen(ready, "w")) {
    std::fprintf(file, "%lu\n", ::GetCurrentProcessId());
    std::fclose(file);
  } else {
    return 5;
  }
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) ::DispatchMessageA(&message);
  ::DeleteFileA(ready);
  return 0;
}
