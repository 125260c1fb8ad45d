#include "readers/converter/converter_io.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "os/win32_handle.h"

namespace corvane::docx_converter {
namespace {

using os::win32::KernelHandle;

// A package beyond this is no document anyone writes, and reading it whole
// would take a 32-bit host's address space.
constexpr LONGLONG kLargestInput = 512LL * 1024 * 1024;

// A GlobalLock held for one scope.
class LockedBlock {
 public:
  explicit LockedBlock(HGLOBAL block)
      : block_(block), bytes_(static_cast<char*>(::GlobalLock(block))) {}
  ~LockedBlock() {
    if (bytes_ != nullptr) ::GlobalUnlock(block_);
  }
  LockedBlock(const LockedBlock&) = delete;
  LockedBlock& operator=(const LockedBlock&) = delete;
  char* Get() const { return bytes_; }

 private:
  HGLOBAL block_;
  char* bytes_;
};

// A missing floppy or CD must fail the open, not ask the user.
class QuietErrorMode {
 public:
  QuietErrorMode() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous_); }
  ~QuietErrorMode() { ::SetThreadErrorMode(previous_, nullptr); }
  QuietErrorMode(const QuietErrorMode&) = delete;
  QuietErrorMode& operator=(const QuietErrorMode&) = delete;

 private:
  DWORD previous_ = 0;
};

// Others may keep the document open, even for writing (an editor does).
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

KernelHandle OpenAnsi(const std::string& name) {
  return KernelHandle(::CreateFileA(name.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

KernelHandle OpenOem(const std::string& name) {
  const int length = ::MultiByteToWideChar(CP_OEMCP, 0, name.c_str(), -1, nullptr, 0);
  if (length <= 0) return KernelHandle();
  std::vector<wchar_t> wide(static_cast<std::size_t>(length));
  if (::MultiByteToWideChar(CP_OEMCP, 0, name.c_str(), -1, wide.data(), length) <= 0) {
    return KernelHandle();
  }
  return KernelHandle(::CreateFileW(wide.data(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

}  // namespace

std::string ReadGlobalString(HANDLE block) {
  if (block == nullptr) return {};
  const LockedBlock locked(block);
  if (locked.Get() == nullptr) return {};
  const SIZE_T size = ::GlobalSize(block);
  const void* end = std::memchr(locked.Get(), '\0', size);
  const SIZE_T length =
      end == nullptr ? size : static_cast<SIZE_T>(static_cast<const char*>(end) - locked.Get());
  return std::string(locked.Get(), length);
}

bool WriteGlobalBytes(HANDLE block, std::string_view text) {
  if (block == nullptr) return false;
  const SIZE_T needed = text.size() + 1;
  // A movable block keeps its handle when it grows; a fixed one would not,
  // and the caller would never see the new one.
  if (::GlobalSize(block) < needed &&
      ::GlobalReAlloc(block, needed, GMEM_MOVEABLE | GMEM_ZEROINIT) != block) {
    return false;
  }
  const LockedBlock locked(block);
  if (locked.Get() == nullptr) return false;
  std::memcpy(locked.Get(), text.data(), text.size());
  locked.Get()[text.size()] = '\0';
  return true;
}

Code ReadInputFile(const std::string& name, std::string& content) {
  if (name.empty()) return kOpenError;
  const QuietErrorMode quiet;
  KernelHandle file = OpenAnsi(name);
  if (!file) file = OpenOem(name);
  if (!file) return kOpenError;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size)) return kReadError;
  if (size.QuadPart > kLargestInput) return kDocumentTooLarge;
  content.resize(static_cast<std::size_t>(size.QuadPart));
  std::size_t filled = 0;
  while (filled < content.size()) {
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(content.size() - filled, 1 << 20));
    DWORD got = 0;
    if (!::ReadFile(file.Get(), content.data() + filled, want, &got, nullptr)) return kReadError;
    if (got == 0) break;  // shrunk while we read: convert what is there
    filled += got;
  }
  content.resize(filled);
  return kOk;
}

Code StreamToHost(std::string_view rtf, HGLOBAL buffer, OutputCallback output) {
  std::size_t sent = 0;
  while (sent < rtf.size()) {
    // Asked again each time: a host may resize its buffer between chunks.
    const SIZE_T capacity = ::GlobalSize(buffer);
    if (capacity == 0) return kOutOfMemory;
    const std::size_t count =
        std::min<std::size_t>({capacity, rtf.size() - sent, std::size_t{0x7FFFFFFF}});
    {
      const LockedBlock locked(buffer);
      if (locked.Get() == nullptr) return kOutOfMemory;
      std::memcpy(locked.Get(), rtf.data() + sent, count);
    }
    sent += count;
    const auto percent =
        static_cast<LONG>(static_cast<unsigned long long>(sent) * 100 / rtf.size());
    if (output(static_cast<LONG>(count), percent) != 0) return kUserCancel;
  }
  return kOk;
}

}  // namespace corvane::docx_converter
