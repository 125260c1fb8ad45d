// Names between the ANSI calls and the system's own (UTF-16) ones, and the
// kind of a reparse point. Inside the Win32 half of the OS layer only.
#pragma once

#include <windows.h>

#include <string>

namespace corvane::os::win32 {

// The name in the ANSI code page, exactly: false when a character has no
// form there, rather than the look-alike ("best fit") or "?" the system
// would put instead (U+FF3C would become a path separator).
bool ToExactAnsi(const wchar_t* name, std::string& ansi);

// The name as near as the code page gets, look-alikes and "?" included:
// for messages only, never for a call.
std::string ToDisplayAnsi(const wchar_t* name);

// An ANSI name in UTF-16; empty when it is no valid ANSI text.
std::wstring ToWide(const std::string& name);

// For an entry with FILE_ATTRIBUTE_REPARSE_POINT: true for a symbolic
// link or junction, and whenever its tag cannot be read (the safe side for
// a walker); false for the reparse points that hold data (cloud files,
// deduplicated files and the like), which are plain files and folders.
bool IsLinkReparsePoint(const std::string& path);
// The same for a file already open (without following its reparse point).
bool IsLinkReparsePoint(HANDLE file);

}  // namespace corvane::os::win32
