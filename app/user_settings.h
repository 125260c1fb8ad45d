// The program's own per-user settings, kept in the registry under
// HKEY_CURRENT_USER\Software\Belmorn\Corvane.
#pragma once

namespace corvane::app {

inline constexpr char kSettingsKey[] = "Software\\Belmorn\\Corvane";
// REG_DWORD, 1: write the full-text UTF-8 output. Absent or 0: the classic one.
inline constexpr char kUtf8OutputValue[] = "Utf8Output";

// False when the value is absent or unreadable: the classic output is the
// default.
bool ReadUtf8OutputSetting();
// False when the key cannot be created or the value not written.
bool WriteUtf8OutputSetting(bool on);

}  // namespace corvane::app
