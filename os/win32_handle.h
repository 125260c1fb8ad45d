// Owners for the Win32 resources the program takes: one template, one traits
// record per way of letting go. The OS layer's, and the base of
// platform/win32_owners.h for the window code.
#pragma once

#include <windows.h>

#include <utility>

namespace corvane::os::win32 {

template <class Traits>
class UniqueHandle {
 public:
  using Value = typename Traits::Value;

  UniqueHandle() = default;
  explicit UniqueHandle(Value value) : value_(value) {}
  UniqueHandle(UniqueHandle&& other) noexcept : value_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Reset(); }

  void Reset(Value value = Traits::Invalid()) {
    if (Traits::IsValid(value_)) Traits::Close(value_);
    value_ = value;
  }
  // Hands the value to a new owner.
  [[nodiscard]] Value Release() { return std::exchange(value_, Traits::Invalid()); }
  Value Get() const { return value_; }
  explicit operator bool() const { return Traits::IsValid(value_); }

 private:
  Value value_ = Traits::Invalid();
};

// Kernel objects: threads, events, files. Creation functions disagree on
// the failure value (NULL or INVALID_HANDLE_VALUE), so neither is closed.
struct KernelHandleTraits {
  using Value = HANDLE;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr && value != INVALID_HANDLE_VALUE; }
  static void Close(Value value) { ::CloseHandle(value); }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;

struct FindHandleTraits {
  using Value = HANDLE;
  static Value Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Value value) { return value != nullptr && value != INVALID_HANDLE_VALUE; }
  static void Close(Value value) { ::FindClose(value); }
};
using FindHandle = UniqueHandle<FindHandleTraits>;

// Blocks the system allocates for us (FORMAT_MESSAGE_ALLOCATE_BUFFER).
struct LocalMemoryTraits {
  using Value = HLOCAL;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr; }
  static void Close(Value value) { ::LocalFree(value); }
};
using LocalMemory = UniqueHandle<LocalMemoryTraits>;

// Libraries loaded with LoadLibrary.
struct ModuleTraits {
  using Value = HMODULE;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr; }
  static void Close(Value value) { ::FreeLibrary(value); }
};
using Module = UniqueHandle<ModuleTraits>;

// Movable global memory, the currency of the clipboard and the converters.
struct GlobalMemoryTraits {
  using Value = HGLOBAL;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr; }
  static void Close(Value value) { ::GlobalFree(value); }
};
using GlobalMemory = UniqueHandle<GlobalMemoryTraits>;

// Open registry keys.
struct RegistryKeyTraits {
  using Value = HKEY;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr; }
  static void Close(Value value) { ::RegCloseKey(value); }
};
using RegistryKey = UniqueHandle<RegistryKeyTraits>;

// A window; destroy it on the thread that created it.
struct WindowTraits {
  using Value = HWND;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr; }
  static void Close(Value value) { ::DestroyWindow(value); }
};
using Window = UniqueHandle<WindowTraits>;

}  // namespace corvane::os::win32
