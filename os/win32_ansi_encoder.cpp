#include "os/win32_ansi_encoder.h"

namespace corvane::os {
namespace {
constexpr UINT kFallbackCodePage = 1252;
constexpr UINT kFallbackOemCodePage = 437;

UINT LocaleCodePage(LCTYPE which, UINT fallback) {
  char digits[8] = "";
  if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, which, digits, sizeof digits) <= 0) return fallback;
  UINT code_page = 0;
  for (const char* at = digits; *at >= '0' && *at <= '9'; ++at) {
    code_page = code_page * 10 + static_cast<UINT>(*at - '0');
  }
  // Locales with no such code page (Unicode-only ones) answer 0 (or 1, CP_OEMCP).
  return code_page <= 1 ? fallback : code_page;
}

}  // namespace

UINT LocaleAnsiCodePage() { return LocaleCodePage(LOCALE_IDEFAULTANSICODEPAGE, kFallbackCodePage); }

UINT LocaleOemCodePage() { return LocaleCodePage(LOCALE_IDEFAULTCODEPAGE, kFallbackOemCodePage); }

int CodePageAnsiEncoder::Encode(char32_t character, unsigned char out[2]) const {
  // Every ANSI code page keeps ASCII as it is.
  if (character < 0x80) {
    out[0] = static_cast<unsigned char>(character);
    return 1;
  }
  if (character > 0x10FFFF || (character >= 0xD800 && character <= 0xDFFF)) return 0;
  wchar_t wide[2];
  int wide_length = 1;
  if (character >= 0x10000) {
    const char32_t offset = character - 0x10000;
    wide[0] = static_cast<wchar_t>(0xD800 + (offset >> 10));
    wide[1] = static_cast<wchar_t>(0xDC00 + (offset & 0x3FF));
    wide_length = 2;
  } else {
    wide[0] = static_cast<wchar_t>(character);
  }
  // No best fit: "€" must not quietly become "E", nor "Ω" become "O"; and
  // a character the code page lacks comes back as its default character,
  // which the used-default flag tells from a real one.
  char bytes[2] = {0, 0};
  BOOL used_default = FALSE;
  const int length = ::WideCharToMultiByte(code_page_, WC_NO_BEST_FIT_CHARS, wide, wide_length,
                                           bytes, sizeof bytes, nullptr, &used_default);
  if (length <= 0 || length > 2 || used_default) return 0;
  for (int i = 0; i < length; ++i) out[i] = static_cast<unsigned char>(bytes[i]);
  return length;
}

const readers::AnsiEncoder& SystemAnsiEncoder() {
  static const CodePageAnsiEncoder encoder;
  return encoder;
}

}  // namespace corvane::os
