// TMainForm: sizes, scaling to the screen, and the three views.
#include "app/main_form.h"

#include <commctrl.h>

#include <cstdio>
#include <utility>

#include "app/application.h"

namespace corvane::app {
namespace {

constexpr char kFontName[] = "Tahoma";
constexpr char kIdleText[] = "Drop Files Here";
constexpr char kProcessingText[] = "Processing...";
constexpr char kDoneFormat[] = "Done\nErrors: %d\nDrop Files Here Again";
constexpr char kDoneTitle[] = "Corvane:Done";

platform::Font MakeFont(int character_height, int weight) {
  // A negative height asks for the character height, not the cell height.
  return platform::Font(::CreateFontA(-character_height, 0, 0, 0, weight, FALSE, FALSE, FALSE,
                                      DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                      DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kFontName));
}

void ScaleBounds(TBounds& bounds, int multiplier, int divider) {
  // Edges are scaled, not sizes, so that neighbours stay neighbours.
  const int right = ::MulDiv(bounds.Left + bounds.Width, multiplier, divider);
  const int bottom = ::MulDiv(bounds.Top + bounds.Height, multiplier, divider);
  bounds.Left = ::MulDiv(bounds.Left, multiplier, divider);
  bounds.Top = ::MulDiv(bounds.Top, multiplier, divider);
  bounds.Width = right - bounds.Left;
  bounds.Height = bottom - bounds.Top;
}

}  // namespace

void TMainForm::CreateFonts() {
  font_ = MakeFont(font_height_, FW_NORMAL);
  label_font_ = MakeFont(label_font_height_, FW_BOLD);
}

void TMainForm::ScaleBy(int multiplier, int divider) {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  SetClientSize(::MulDiv(client.right, multiplier, divider),
                ::MulDiv(client.bottom, multiplier, divider));
  for (TBounds* bounds :
       {&image_, &center_label_.Bounds, &progress_bar_bounds_, &stop_button_bounds_}) {
    ScaleBounds(*bounds, multiplier, divider);
  }
  center_label_.WrapWidth = ::MulDiv(center_label_.WrapWidth, multiplier, divider);
  font_height_ = ::MulDiv(font_height_, multiplier, divider);
  label_font_height_ = ::MulDiv(label_font_height_, multiplier, divider);
  text_margin_ = ::MulDiv(text_margin_, multiplier, divider);
  // The button lets go of the old font before it is deleted.
  platform::Font old_font = std::move(font_);
  platform::Font old_label_font = std::move(label_font_);
  CreateFonts();
  ::SendMessageA(stop_button_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  ApplyControlBounds();
}

void TMainForm::SetClientSize(int width, int height) {
  RECT frame{0, 0, width, height};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrA(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrA(hwnd_, GWL_EXSTYLE)));
  ::SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainForm::ApplyControlBounds() {
  for (const auto& [window, bounds] : {std::pair{progress_bar_, progress_bar_bounds_},
                                       std::pair{stop_button_, stop_button_bounds_}}) {
    ::SetWindowPos(window, nullptr, bounds.Left, bounds.Top, bounds.Width, bounds.Height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TMainForm::SetProgressBarPosition(int position) {
  ::SendMessageA(progress_bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

// The label keeps its wrap width and takes the size of its wrapped text.
void TMainForm::SetLabelCaption(std::string caption) {
  center_label_.Caption = std::move(caption);
  RECT text{0, 0, center_label_.WrapWidth, 0};
  const platform::WindowDC dc(hwnd_);
  const platform::SelectedObject font(dc.Get(), label_font_.Get());
  ::DrawTextA(dc.Get(), center_label_.Caption.c_str(),
              static_cast<int>(center_label_.Caption.size()), &text,
              DT_CALCRECT | DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
  center_label_.Bounds.Width = text.right - text.left;
  center_label_.Bounds.Height = text.bottom - text.top;
}

void TMainForm::SetViewState(int state) {
  view_state_ = state;
  TBounds& bar = progress_bar_bounds_;
  TBounds& button = stop_button_bounds_;
  TBounds& label = center_label_.Bounds;
  switch (state) {
    case vsIdle:
      // Out of sight below and right of the client area; never disabled.
      bar.Top = image_.Height + bar.Height;
      button.Left = image_.Width + button.Width;
      SetLabelCaption(kIdleText);
      label.Top = image_.Height / 2 - label.Height / 2;
      break;
    case vsProcessing:
      bar.Top = image_.Height - bar.Height;
      button.Left = image_.Width - button.Width;
      ::SendMessageA(progress_bar_, PBM_SETRANGE32, 0, 100);
      SetProgressBarPosition(0);
      SetLabelCaption(kProcessingText);
      label.Top = bar.Top / 2 - label.Height / 2;
      break;
    case vsDone: {
      bar.Top = image_.Height - bar.Height;
      button.Left = image_.Width + button.Width;
      ::SendMessageA(progress_bar_, PBM_SETRANGE32, 0, 100);
      SetProgressBarPosition(100);
      char text[sizeof kDoneFormat + 16];
      std::snprintf(text, sizeof text, kDoneFormat, last_errors_);
      SetLabelCaption(text);
      label.Top = bar.Top / 2 - label.Height / 2;
      ::SetWindowTextA(hwnd_, kApplicationName);
      application_.SetTitle(kDoneTitle);
      break;
    }
    default: return;  // other values are only stored
  }
  label.Left = image_.Width / 2 - label.Width / 2;
  ApplyControlBounds();
  // The label is painted by the form: its old and new places both change.
  ::InvalidateRect(hwnd_, nullptr, FALSE);
}

}  // namespace corvane::app
