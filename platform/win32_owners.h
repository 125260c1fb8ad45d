// Owners for the Windows resources the program's window code takes: GDI
// objects, device contexts, menus, libraries, global memory, drop handles,
// the COM apartment. Built on the OS layer's one owner template.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <utility>

#include "os/win32_handle.h"

namespace corvane::platform {

using os::win32::UniqueHandle;

// Fonts, bitmaps, brushes: anything DeleteObject releases.
template <class T>
struct GdiObjectTraits {
  using Value = T;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr; }
  static void Close(Value value) { ::DeleteObject(value); }
};
using Font = UniqueHandle<GdiObjectTraits<HFONT>>;
using Bitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using Brush = UniqueHandle<GdiObjectTraits<HBRUSH>>;

struct MenuTraits {
  using Value = HMENU;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr; }
  static void Close(Value value) { ::DestroyMenu(value); }
};
using Menu = UniqueHandle<MenuTraits>;

using os::win32::GlobalMemory;
using os::win32::Module;

// A drop handle handed to the window; DragFinish frees it.
struct DropTraits {
  using Value = HDROP;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr; }
  static void Close(Value value) { ::DragFinish(value); }
};
using Drop = UniqueHandle<DropTraits>;

// A DC made by CreateCompatibleDC.
struct MemoryDCTraits {
  using Value = HDC;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr; }
  static void Close(Value value) { ::DeleteDC(value); }
};
using MemoryDC = UniqueHandle<MemoryDCTraits>;

// GetDC / ReleaseDC: the release needs the window too.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDC() {
    if (dc_ != nullptr) ::ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint / EndPaint around one WM_PAINT.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window) { dc_ = ::BeginPaint(window, &paint_); }
  ~PaintScope() { ::EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC Get() const { return dc_; }
  const RECT& Area() const { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_ = nullptr;
};

// Selects an object into a DC and puts the previous one back at the end,
// so the owner of the object may delete it afterwards.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// CoInitialize on this thread; CoUninitialize only if it succeeded
// (S_FALSE, "already initialised", counts as success and needs its match).
class ComApartment {
 public:
  ComApartment() = default;
  ~ComApartment() { Uninitialize(); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  void Initialize();
  void Uninitialize();
  bool Initialized() const { return initialized_; }

 private:
  bool initialized_ = false;
};

}  // namespace corvane::platform
