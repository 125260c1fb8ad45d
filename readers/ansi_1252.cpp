// Windows-1252: the reader's built-in code page.
#include "readers/reader.h"

namespace corvane::readers {
namespace {

// The characters of 0x80 to 0x9F; 0 where the code page has none.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

class Windows1252Encoder final : public AnsiEncoder {
 public:
  int Encode(char32_t character, unsigned char out[2]) const override {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
      out[0] = static_cast<unsigned char>(character);
      return 1;
    }
    for (unsigned i = 0; i < 32; ++i) {
      if (kHighControls[i] != 0 && kHighControls[i] == character) {
        out[0] = static_cast<unsigned char>(0x80 + i);
        return 1;
      }
    }
    return 0;
  }
};

}  // namespace

const AnsiEncoder& Windows1252() {
  static const Windows1252Encoder encoder;
  return encoder;
}

}  // namespace corvane::readers
