#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cstdlib>

#include "os/console.h"

namespace corvane::os {
namespace {

std::atomic<int> g_interrupts{0};
UINT g_saved_output_code_page = 0;

void RestoreConsoleCodePage() {
  if (g_saved_output_code_page != 0) ::SetConsoleOutputCP(g_saved_output_code_page);
}

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
    g_interrupts.fetch_add(1);
    return TRUE;
  }
  return FALSE;
}

HANDLE ConsoleHandleOf(std::FILE* stream) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

}  // namespace

bool IsTerminal(std::FILE* stream) {
  DWORD mode = 0;
  return GetConsoleMode(ConsoleHandleOf(stream), &mode) != 0;
}

int TerminalColumns(std::FILE* stream) {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleScreenBufferInfo(ConsoleHandleOf(stream), &info)) {
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    if (columns > 0) return columns;
  }
  return 80;
}

void InstallInterruptHandler() { SetConsoleCtrlHandler(&OnConsoleControl, TRUE); }

bool InterruptRequested() { return g_interrupts.load() != 0; }
int InterruptCount() { return g_interrupts.load(); }
int InterruptExitStatus() { return 130; }  // as a shell reports Ctrl-C

void MatchConsoleToProcessCodePage() {
  const UINT previous = ::GetConsoleOutputCP();
  if (previous == 0 || previous == ::GetACP()) return;  // no console, or already so
  if (!::SetConsoleOutputCP(::GetACP())) return;
  g_saved_output_code_page = previous;
  std::atexit(&RestoreConsoleCodePage);
}

void IgnoreBrokenPipes() {}  // Windows raises no signal for it

void SetBinaryMode(std::FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }

}  // namespace corvane::os
