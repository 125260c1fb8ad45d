// Converter registrations, converter libraries and temporary copies through
// the ANSI Win32 calls. A converter is foreign code that calls back into us:
// nothing thrown here may reach its frames (under this toolchain an
// exception through a foreign frame ends the process).
#include <windows.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "os/text_converter.h"
#include "os/win32_handle.h"

namespace corvane::os {
namespace {

// The published converter interface. Codes are read as whole 32-bit
// values: a converter that answers a 16-bit -1 may leave 0xFFFF or
// 0xFFFFFFFF in the register, and the host tells them apart.
using OutputCallback = LONG(WINAPI*)(LONG count, LONG percent);
using InitConverterEntry = LONG(WINAPI*)(HANDLE window, LPSTR module_name);
using ForeignToRtfEntry = LONG(WINAPI*)(HANDLE file_name, void* storage, HANDLE buffer,
                                        HANDLE class_name, HANDLE subset, OutputCallback output);

constexpr UINT kBlockFlags = GMEM_MOVEABLE | GMEM_ZEROINIT;  // 0x42, every block we hand over
constexpr SIZE_T kOutputBufferSize = 4096;                   // allocated one byte larger
constexpr LONG kStopConverter = 1;  // the interface's "abort": we cannot keep its text

using win32::GlobalMemory;
using win32::RegistryKey;

// A GlobalLock held for one scope.
class GlobalBytes {
 public:
  explicit GlobalBytes(HGLOBAL block)
      : block_(block), bytes_(static_cast<char*>(::GlobalLock(block))) {}
  ~GlobalBytes() {
    if (bytes_ != nullptr) ::GlobalUnlock(block_);
  }
  GlobalBytes(const GlobalBytes&) = delete;
  GlobalBytes& operator=(const GlobalBytes&) = delete;
  char* Get() const { return bytes_; }

 private:
  HGLOBAL block_;
  char* bytes_;
};

// Per thread: the callback has no context argument and finds the attempt
// that runs on its thread here. Both workers convert, one at a time.
thread_local HGLOBAL ThreadOutputBuffer = nullptr;
thread_local std::string* ThreadRtfText = nullptr;  // the attempt's text
thread_local InitConverterEntry ThreadInitEntry = nullptr;
thread_local ForeignToRtfEntry ThreadForeignEntry = nullptr;
thread_local bool ThreadChunkLost = false;

// Points the callback at one attempt's buffer and text, and away again
// however the attempt ends, so a late call finds nothing to write into.
class ThreadAttempt {
 public:
  ThreadAttempt(HGLOBAL buffer, std::string& text) {
    ThreadOutputBuffer = buffer;
    ThreadRtfText = &text;
    ThreadChunkLost = false;
  }
  ~ThreadAttempt() {
    ThreadOutputBuffer = nullptr;
    ThreadRtfText = nullptr;
  }
  ThreadAttempt(const ThreadAttempt&) = delete;
  ThreadAttempt& operator=(const ThreadAttempt&) = delete;
};

// Appends the count bytes the converter put at the start of the buffer.
// The count is checked against the block's real size (a converter may grow
// the block, and one that claims more than it holds would have us read
// beyond it). A chunk that cannot be kept spoils the whole text, so the
// converter is asked to stop and the attempt fails.
LONG WINAPI ConverterOutputCallback(LONG count, LONG /*percent*/) noexcept {
  try {
    if (ThreadOutputBuffer == nullptr || ThreadRtfText == nullptr) return kStopConverter;
    const GlobalBytes bytes(ThreadOutputBuffer);
    if (count <= 0) return 0;
    const SIZE_T held = ::GlobalSize(ThreadOutputBuffer);
    if (bytes.Get() == nullptr || static_cast<SIZE_T>(count) > held) {
      ThreadChunkLost = true;
      return kStopConverter;
    }
    ThreadRtfText->append(bytes.Get(), static_cast<std::size_t>(count));
    return 0;
  } catch (...) {
    ThreadChunkLost = true;
    return kStopConverter;
  }
}

// A block of 2 x length + 1 bytes holding text up to its first zero byte,
// and that zero; returned unlocked. Empty when it cannot be allocated.
GlobalMemory MakeGlobalString(const std::string& text) {
  const std::size_t length = text.size();
  if (length > (std::numeric_limits<SIZE_T>::max() - 1) / 2) return GlobalMemory();
  GlobalMemory block(::GlobalAlloc(kBlockFlags, 2 * length + 1));
  if (!block) return block;
  const GlobalBytes bytes(block.Get());
  if (bytes.Get() != nullptr) {
    const std::size_t used = std::strlen(text.c_str());
    std::memcpy(bytes.Get(), text.c_str(), used + 1);
  }
  return block;
}

// The length of text up to its first zero, at most limit.
std::size_t BoundedLength(const char* text, std::size_t limit) {
  const void* zero = std::memchr(text, 0, limit);
  return zero == nullptr ? limit : static_cast<std::size_t>(static_cast<const char*>(zero) - text);
}

// GetProcAddress answers one function type for every export; going through
// void(*)() is the cast the compiler accepts as deliberate.
template <class Entry>
Entry FindEntry(HMODULE module, const char* name) {
  return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

}  // namespace

// ---- Registry ------------------------------------------------------------

RegistryValue ReadLocalMachineValue(const std::string& key, const std::string& name) {
  RegistryValue value;
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
    return value;
  }
  const RegistryKey owner(opened);
  DWORD type = REG_NONE;
  DWORD size = 0;
  LONG status = ::RegQueryValueExA(opened, name.c_str(), nullptr, &type, nullptr, &size);
  std::vector<BYTE> data;
  // The value may grow between asking its size and reading it: ask again.
  for (int tries = 0; tries < 8 && status == ERROR_SUCCESS; ++tries) {
    data.resize(size + 1);  // room for a zero the value may lack
    DWORD got = size;
    status = ::RegQueryValueExA(opened, name.c_str(), nullptr, &type, data.data(), &got);
    if (status == ERROR_SUCCESS) {
      size = got;
      break;
    }
    if (status == ERROR_MORE_DATA) {
      size = got;
      status = ERROR_SUCCESS;
    }
  }
  if (status != ERROR_SUCCESS || data.empty()) return value;
  value.size = size;
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    value.kind = RegistryValue::Kind::kText;
    const char* text = reinterpret_cast<const char*>(data.data());
    value.text.assign(text, BoundedLength(text, size));
  } else {
    value.kind = RegistryValue::Kind::kOther;
  }
  return value;
}

// ---- Temporary files -----------------------------------------------------

std::string TemporaryFolder() {
  char folder[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathA(MAX_PATH, folder);
  if (length == 0 || length >= MAX_PATH) return {};  // none, or too long for our buffer
  return std::string(folder, length);
}

std::string CreateUniqueFile(const std::string& folder, const std::string& prefix) {
  char name[MAX_PATH + 1] = {};
  // Number 0: the system picks one that is free and creates the file.
  if (::GetTempFileNameA(folder.c_str(), prefix.c_str(), 0, name) == 0) return {};
  return std::string(name, BoundedLength(name, MAX_PATH));
}

bool CopyFileReplacing(const std::string& from, const std::string& to) {
  return ::CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

bool ClearFileAttributes(const std::string& path) {
  return ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL) != FALSE;
}

// ---- Converter libraries -------------------------------------------------

struct ConverterLibrary::Loaded {
  explicit Loaded(HMODULE loaded) : module(loaded) {}
  // The entry points die with the library, before it is freed.
  ~Loaded() {
    ThreadInitEntry = nullptr;
    ThreadForeignEntry = nullptr;
  }
  win32::Module module;
};

ConverterLibrary::ConverterLibrary() = default;
ConverterLibrary::~ConverterLibrary() = default;

bool ConverterLibrary::Load(const std::string& path) {
  if (loaded_ != nullptr) return false;
  const HMODULE module = ::LoadLibraryA(path.c_str());
  if (module == nullptr) return false;
  loaded_ = std::make_unique<Loaded>(module);
  return true;
}

bool ConverterLibrary::FindEntryPoints() {
  if (loaded_ == nullptr) return false;
  const HMODULE module = loaded_->module.Get();
  // Both are looked up before either is called: a library lacking one is
  // no converter, and calling half of it would help no one.
  ThreadInitEntry = FindEntry<InitConverterEntry>(module, "InitConverter32");
  ThreadForeignEntry = FindEntry<ForeignToRtfEntry>(module, "ForeignToRtf32");
  return ThreadInitEntry != nullptr && ThreadForeignEntry != nullptr;
}

void ConverterLibrary::Initialize(const std::string& module_name) {
  if (ThreadInitEntry == nullptr) return;
  // The interface passes a writable string; a converter may keep or alter it.
  std::vector<char> name(module_name.begin(), module_name.end());
  name.push_back('\0');
  ThreadInitEntry(::GetTopWindow(nullptr), name.data());
}

ConverterRun ConverterLibrary::ConvertToRtf(const std::string& file, std::string& rtf) {
  ConverterRun run;
  rtf.clear();
  if (ThreadForeignEntry == nullptr) return run;
  const GlobalMemory subset = MakeGlobalString("");
  const GlobalMemory class_name = MakeGlobalString("");
  const GlobalMemory file_name = MakeGlobalString(file);
  const GlobalMemory buffer(::GlobalAlloc(kBlockFlags, kOutputBufferSize + 1));
  // A converter handed a null block would fail in ways of its own.
  if (!subset || !class_name || !file_name || !buffer) return run;
  const ThreadAttempt attempt(buffer.Get(), rtf);
  run.code = static_cast<std::int32_t>(ThreadForeignEntry(file_name.Get(), nullptr, buffer.Get(),
                                                          class_name.Get(), subset.Get(),
                                                          &ConverterOutputCallback));
  run.complete = !ThreadChunkLost;
  return run;
}

}  // namespace corvane::os
