// The logo picture: a JPEG stored with the program, decoded once, drawn
// stretched to the picture component.
#pragma once

#include <windows.h>

#include "app/logo/jpeg_decoder.h"

namespace corvane::app {

class LogoPicture {
 public:
  // Decodes the RCDATA resource `id` of `module`. False when it is missing
  // or damaged; the picture then draws as plain dark blue, so the window
  // and its white texts still work.
  bool Load(HMODULE module, int id);
  void Draw(HDC dc, const RECT& target) const;
  bool Loaded() const { return !image_.bgrx.empty(); }

 private:
  DecodedImage image_;
};

}  // namespace corvane::app
