// The readers' fallback bytes in a Windows code page, by default the
// ANSI code page of the user's locale.
#pragma once

#include <windows.h>

#include "os/ansi_encoder.h"

namespace corvane::os {

// The locale's default ANSI code page, not GetACP(): a program with a
// UTF-8 manifest sees 65001 there, while RTF readers expect the code page
// the user's locale names.
UINT LocaleAnsiCodePage();
// The DOS code page of the user's locale.
UINT LocaleOemCodePage();

class CodePageAnsiEncoder final : public readers::AnsiEncoder {
 public:
  explicit CodePageAnsiEncoder(UINT code_page = LocaleAnsiCodePage()) : code_page_(code_page) {}
  int Encode(char32_t character, unsigned char out[2]) const override;
  UINT CodePage() const { return code_page_; }

 private:
  UINT code_page_;
};

}  // namespace corvane::os
