#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>

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

long ReadArrived(std::FILE* stream, char* buffer, std::size_t size) {
  // A pipe's read ends with what the writer wrote; a console's with a line.
  constexpr std::size_t kMaxRead = 1 << 20;
  return _read(_fileno(stream), buffer, static_cast<unsigned>(std::min(size, kMaxRead)));
}

bool ReadStandardInput(Bytes& input) {
  input = {};
  SetBinaryMode(stdin);
  // One byte beyond a file's size, so that the read that meets the end
  // finds room and the block never grows.
  std::size_t capacity = std::size_t{1} << 16;
  const int fd = _fileno(stdin);
  struct _stat64 info {};
  if (_fstat64(fd, &info) == 0 && (info.st_mode & _S_IFREG) != 0) {
    const __int64 at = _telli64(fd);
    if (at >= 0 && info.st_size > at &&
        static_cast<unsigned long long>(info.st_size - at) < SIZE_MAX / 2) {
      capacity = static_cast<std::size_t>(info.st_size - at) + 1;
    }
  }
  for (;;) {
    if (input.size == input.capacity) {
      if (input.capacity != 0) capacity = input.capacity * 2;
      std::unique_ptr<char[]> block = std::make_unique_for_overwrite<char[]>(capacity);
      if (input.size != 0) std::memcpy(block.get(), input.block.get(), input.size);
      input.block = std::move(block);
      input.capacity = capacity;
    }
    const std::size_t got =
        std::fread(input.block.get() + input.size, 1, input.capacity - input.size, stdin);
    input.size += got;
    if (got == 0) return !std::ferror(stdin);
  }
}

}  // namespace corvane::os
