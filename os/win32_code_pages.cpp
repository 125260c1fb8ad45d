// MultiByteToWideChar's tables: the ones Windows itself reads text with.
#include <windows.h>

#include <string>

#include "os/code_pages.h"
#include "os/win32_ansi_encoder.h"

namespace corvane::os {
namespace {

class WindowsDecoder final : public CodePageDecoder {
 public:
  bool Decode(unsigned code_page, std::string_view bytes, std::u32string& out) const override {
    if (code_page == 0 || !::IsValidCodePage(code_page)) return false;
    if (bytes.empty()) return true;
    const int in_size = static_cast<int>(bytes.size());
    const int needed = ::MultiByteToWideChar(code_page, 0, bytes.data(), in_size, nullptr, 0);
    if (needed <= 0) return false;
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    ::MultiByteToWideChar(code_page, 0, bytes.data(), in_size, wide.data(), needed);
    for (std::size_t i = 0; i < wide.size(); ++i) {
      const char32_t unit = static_cast<char16_t>(wide[i]);
      const bool high = unit >= 0xD800 && unit <= 0xDBFF;
      const char32_t next = i + 1 < wide.size() ? static_cast<char16_t>(wide[i + 1]) : 0;
      if (high && next >= 0xDC00 && next <= 0xDFFF) {
        out += 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
        ++i;
      } else {
        out += unit;
      }
    }
    return true;
  }
};

}  // namespace

const CodePageDecoder& SystemCodePageDecoder() {
  static const WindowsDecoder decoder;
  return decoder;
}

readers::LegacyCodePages UserLegacyCodePages() {
  return {LocaleAnsiCodePage(), LocaleOemCodePage()};
}

}  // namespace corvane::os
