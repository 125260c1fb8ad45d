// corvane.exe: the entry point; the program itself is in the app library,
// which the window tests link too.
#include <windows.h>

#include "app/startup.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*arguments*/,
                   int /*show*/) {
  // The process command line with the program's name, which the start-up
  // skips by its own splitting rule.
  return corvane::app::RunCorvane(::GetCommandLineA());
}
