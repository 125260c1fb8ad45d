// TMainForm: painting. The logo and the label are painted in one place,
// PaintContent, for the screen (WM_PAINT) and for any DC (WM_PRINTCLIENT).
#include "app/main_form.h"

#include <algorithm>

namespace corvane::app {
namespace {

constexpr COLORREF kTextColour = RGB(255, 255, 255);

}  // namespace

void TMainForm::PaintContent(HDC dc) {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
  logo_.Draw(dc, image_.Rect());
  const platform::SelectedObject font(dc, label_font_.Get());
  const COLORREF previous_colour = ::SetTextColor(dc, kTextColour);
  const int previous_mode = ::SetBkMode(dc, TRANSPARENT);
  // Wrapped at the width it was measured at, around the label's centre:
  // wrapping again at the label's fitted width could break lines anew. A
  // word longer than a line stands out on both sides instead of being cut.
  const TBounds& bounds = center_label_.Bounds;
  const int wrap_width = std::max(center_label_.WrapWidth, bounds.Width);
  const int left = bounds.Left + bounds.Width / 2 - wrap_width / 2;
  RECT label{left, bounds.Top, left + wrap_width, bounds.Top + bounds.Height};
  ::DrawTextA(dc, center_label_.Caption.c_str(), static_cast<int>(center_label_.Caption.size()),
              &label, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_NOCLIP);
  ::SetBkMode(dc, previous_mode);
  ::SetTextColor(dc, previous_colour);
}

void TMainForm::FormPaint() {
  const platform::PaintScope paint(hwnd_);
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  // Painted off screen first, so that a progress message (which repaints
  // the picture every time) does not flicker.
  const platform::MemoryDC buffer(::CreateCompatibleDC(paint.Get()));
  const platform::Bitmap pixels(::CreateCompatibleBitmap(paint.Get(), client.right, client.bottom));
  if (!buffer || !pixels) {
    PaintContent(paint.Get());
    return;
  }
  const platform::SelectedObject selected(buffer.Get(), pixels.Get());
  PaintContent(buffer.Get());
  ::BitBlt(paint.Get(), 0, 0, client.right, client.bottom, buffer.Get(), 0, 0, SRCCOPY);
}

void TMainForm::RepaintImage() {
  const RECT image = image_.Rect();
  ::InvalidateRect(hwnd_, &image, FALSE);
  ::UpdateWindow(hwnd_);
}

// Straight onto the window, not kept: the next repaint of the picture
// clears it until the next progress message draws it again.
void TMainForm::DrawProgressText(const std::string& text) {
  const platform::WindowDC dc(hwnd_);
  if (!dc) return;
  const platform::SelectedObject font(dc.Get(), font_.Get());
  TEXTMETRICA metrics{};
  ::GetTextMetricsA(dc.Get(), &metrics);
  RECT area{};
  area.left = text_margin_;
  area.right = image_.Width - text_margin_;
  area.bottom = progress_bar_bounds_.Top - text_margin_;
  area.top = area.bottom - 2 * metrics.tmHeight;
  ::SetTextColor(dc.Get(), kTextColour);
  ::SetBkMode(dc.Get(), TRANSPARENT);
  // As is: an "&" in a path is a character, not an accelerator mark. A
  // long path loses its middle, other long text its end.
  ::DrawTextA(dc.Get(), text.c_str(), static_cast<int>(text.size()), &area,
              DT_NOPREFIX | DT_PATH_ELLIPSIS | DT_END_ELLIPSIS);
}

}  // namespace corvane::app
