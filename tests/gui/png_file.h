// Writes 24-bit PNG files with no compression library: the image data goes
// into stored (uncompressed) deflate blocks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::gui_test {

// `pixels` holds width * height values 0x00RRGGBB, first row on top.
bool WritePng(const std::string& path, int width, int height,
              const std::vector<std::uint32_t>& pixels);

}  // namespace corvane::gui_test
