#include "app/logo_picture.h"

#include <string>

#include "platform/win32_owners.h"

namespace corvane::app {
namespace {

constexpr COLORREF kFallbackColour = RGB(12, 31, 73);  // the logo's own blue

}  // namespace

bool LogoPicture::Load(HMODULE module, int id) {
  // Resources live as long as the module; nothing here needs freeing.
  HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
  if (found == nullptr) return false;
  HGLOBAL loaded = ::LoadResource(module, found);
  const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (data == nullptr) return false;
  std::string error;
  return DecodeJpeg(static_cast<const std::uint8_t*>(data), ::SizeofResource(module, found), image_,
                    error);
}

void LogoPicture::Draw(HDC dc, const RECT& target) const {
  if (!Loaded()) {
    const platform::Brush brush(::CreateSolidBrush(kFallbackColour));
    ::FillRect(dc, &target, brush.Get());
    return;
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image_.width;
  info.bmiHeader.biHeight = -image_.height;  // rows top-down, as decoded
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  // HALFTONE averages when the window is scaled up for a high-DPI screen;
  // it needs the brush origin reset afterwards.
  const int previous_mode = ::SetStretchBltMode(dc, HALFTONE);
  POINT previous_origin{};
  ::SetBrushOrgEx(dc, 0, 0, &previous_origin);
  ::StretchDIBits(dc, target.left, target.top, target.right - target.left,
                  target.bottom - target.top, 0, 0, image_.width, image_.height, image_.bgrx.data(),
                  &info, DIB_RGB_COLORS, SRCCOPY);
  ::SetBrushOrgEx(dc, previous_origin.x, previous_origin.y, nullptr);
  ::SetStretchBltMode(dc, previous_mode);
}

}  // namespace corvane::app
