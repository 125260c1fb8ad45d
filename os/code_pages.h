// The system's code page tables behind the engine's decoder interface.
#pragma once

#include "engine/code_page_decoder.h"

namespace corvane::os {

// Stateless and shared; safe to use from any thread.
const CodePageDecoder& SystemCodePageDecoder();

}  // namespace corvane::os
