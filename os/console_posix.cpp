#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>

#include "os/console.h"

namespace corvane::os {
namespace {

// Lock-free atomics are safe to touch in a signal handler.
std::atomic<int> g_interrupts{0};
std::atomic<int> g_last_signal{SIGINT};
static_assert(std::atomic<int>::is_always_lock_free);

void OnInterrupt(int signal) {
  g_last_signal = signal;
  g_interrupts.fetch_add(1);
}

}  // namespace

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

int TerminalColumns(std::FILE* stream) {
  winsize size{};
  if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = &OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void MatchConsoleToProcessCodePage() {}  // a terminal takes the bytes as they are

void IgnoreBrokenPipes() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

bool InterruptRequested() { return g_interrupts.load() != 0; }
int InterruptCount() { return g_interrupts.load(); }
int InterruptExitStatus() { return 128 + g_last_signal.load(); }

void SetBinaryMode(std::FILE*) {}

}  // namespace corvane::os
