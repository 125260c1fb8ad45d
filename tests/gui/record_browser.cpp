// A stand-in for the user's web browser: registered as the handler of http
// addresses in the test prefix, it appends the address it was asked to open
// to the file named by CORVANE_BROWSER_LOG, one line each, and ends. A GUI
// program that makes no window, so it adds none to what the tests watch.
#include <windows.h>

#include <cstdio>
#include <cstdlib>  // __argc, __argv

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*arguments*/,
                   int /*show*/) {
  char log[MAX_PATH * 4] = {};
  const DWORD length = ::GetEnvironmentVariableA("CORVANE_BROWSER_LOG", log, sizeof log);
  if (length == 0 || length >= sizeof log) return 2;
  std::FILE* file = std::fopen(log, "ab");
  if (file == nullptr) return 3;
  std::fprintf(file, "%s\n", __argc > 1 ? __argv[1] : "");
  std::fclose(file);
  return 0;
}
