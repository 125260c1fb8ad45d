// The converter's side of the interface's memory and files: strings handed
// over in global memory blocks, the input file, and the RTF streamed back
// through the host's buffer and callback.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "readers/converter/converter_codes.h"

namespace corvane::docx_converter {

using OutputCallback = LONG(WINAPI*)(LONG count, LONG percent);

// The zero-terminated string in a block, bounded by the block's size; empty
// for a null handle or a block that cannot be locked.
std::string ReadGlobalString(HANDLE block);

// Replaces the block's content with text (embedded zeros included, then one
// more), growing the block when it is too small; false when it cannot.
bool WriteGlobalBytes(HANDLE block, std::string_view text);

// The whole file: the name as the host gave it (ANSI), and only when that
// fails, the same bytes read as an OEM name, which is what the interface's
// older hosts pass. kOk, kOpenError, kReadError or kDocumentTooLarge.
Code ReadInputFile(const std::string& name, std::string& content);

// Hands rtf to the host in chunks of at most the buffer's size, the lock
// released before each callback; stops at the first non-zero answer.
// kOk, kUserCancel, or kOutOfMemory when the buffer cannot be used.
Code StreamToHost(std::string_view rtf, HGLOBAL buffer, OutputCallback output);

}  // namespace corvane::docx_converter
