// Decodes a JPEG held in memory into 32-bit pixels laid out as a top-down
// Windows DIB expects them (blue, green, red, unused). Portable: the native
// build tests it with the system's libjpeg.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace corvane::app {

struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bgrx;  // width * 4 bytes per row, first row on top
};

// Pictures larger than this on a side are refused, so a damaged header
// cannot ask for gigabytes.
inline constexpr int kMaxImageSide = 8192;

// True and the picture in `image`, or false and libjpeg's reason in `error`.
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, DecodedImage& image,
                std::string& error);

}  // namespace corvane::app
