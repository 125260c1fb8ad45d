#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

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

constexpr std::size_t kFirstPipeBlock = std::size_t{1} << 16;
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

void Allocate(Bytes& input, std::size_t capacity) {
  std::unique_ptr<char[]> block = std::make_unique_for_overwrite<char[]>(capacity);
  if (input.size != 0) std::memcpy(block.get(), input.block.get(), input.size);
  input.block = std::move(block);
  input.capacity = capacity;
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

long ReadArrived(std::FILE* stream, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t got = ::read(::fileno(stream), buffer, std::min(size, kMaxTransfer));
    if (got >= 0 || errno != EINTR) return static_cast<long>(got);
  }
}

bool ReadStandardInput(Bytes& input) {
  input = {};
  // One byte beyond a file's size, so that the read that meets the end
  // finds room and the block never grows.
  std::size_t capacity = kFirstPipeBlock;
  struct stat info {};
  if (::fstat(STDIN_FILENO, &info) == 0 && S_ISREG(info.st_mode)) {
    const off_t at = ::lseek(STDIN_FILENO, 0, SEEK_CUR);
    if (at >= 0 && info.st_size > at) capacity = static_cast<std::size_t>(info.st_size - at) + 1;
  }
  Allocate(input, capacity);
  for (;;) {
    if (input.size == input.capacity) Allocate(input, input.capacity * 2);
    const ssize_t got = ::read(STDIN_FILENO, input.block.get() + input.size,
                               std::min(input.capacity - input.size, kMaxTransfer));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    input.size += static_cast<std::size_t>(got);
  }
}

}  // namespace corvane::os
