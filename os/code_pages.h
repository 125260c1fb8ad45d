// The system's code page tables behind the engine's decoder interface.
#pragma once

#include "engine/code_page_decoder.h"
#include "readers/reader.h"

namespace corvane::os {

// Stateless and shared; safe to use from any thread.
const CodePageDecoder& SystemCodePageDecoder();

// The user's ANSI and OEM code pages (Windows: the locale's defaults;
// elsewhere those of a Western Windows machine).
readers::LegacyCodePages UserLegacyCodePages();

}  // namespace corvane::os
