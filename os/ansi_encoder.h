// The user's ANSI code page as the readers' fallback bytes: what the
// classic output is written in.
#pragma once

#include "readers/reader.h"

namespace corvane::os {

// Windows: the code page the user's locale names. Elsewhere Windows-1252,
// the code page the classic output is read in. Shared; any thread.
const readers::AnsiEncoder& SystemAnsiEncoder();

}  // namespace corvane::os
