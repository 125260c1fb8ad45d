// The parts of the system dialogs that are plain logic: the filter's form,
// reading a multiple selection, and the message-box fall-back's tables.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::platform {

// "Desc|*.a;*.b|All|*.*" in the open dialog's form: every "|" becomes NUL
// and one more NUL ends the list. A "|" that is the second byte of a
// double-byte character stays.
std::string FilterForDialog(std::string_view filter, bool (*is_lead_byte)(unsigned char));

// The chosen files from an open dialog's multiple-selection buffer: one
// full path, or a folder followed by bare names, each ended by NUL, with
// one more NUL after the last. Only the first `limit` positions are read.
// A list, so that a name holding ";" stays whole. For the ANSI and the
// wide dialog alike.
template <class Char>
std::vector<std::basic_string<Char>> SelectedPaths(std::basic_string_view<Char> buffer,
                                                   std::size_t limit) {
  using Text = std::basic_string<Char>;
  buffer = buffer.substr(0, limit);
  const std::size_t first_end = buffer.find(Char{});
  const std::basic_string_view<Char> first = buffer.substr(0, first_end);
  std::vector<Text> paths;
  if (first_end == std::basic_string_view<Char>::npos) return {Text(first)};
  for (std::size_t i = first_end; i < buffer.size(); ++i) {
    if (buffer[i] != Char{}) {
      paths.back() += buffer[i];
    } else if (i + 1 >= buffer.size() || buffer[i + 1] == Char{}) {
      break;
    } else {
      // The dialog gives a drive root with its backslash; one more is
      // added all the same, and such a path still names the file.
      paths.emplace_back(first);
      paths.back() += Char{'\\'};
    }
  }
  if (paths.empty()) paths.emplace_back(first);
  return paths;
}

// The paths as one text, joined by ";".
std::string JoinPaths(const std::vector<std::string>& paths);

// Button codes (task-dialog flags) and icon codes, and the message-box
// styles and answers the fall-back gives them.
enum TaskButton : int { kOk = 1, kYes = 2, kNo = 4, kCancel = 8, kRetry = 16, kClose = 32 };
enum TaskIcon : int { kWarning = 101, kQuestion = 102, kError = 103, kInformation = 104 };

unsigned MessageBoxButtonStyle(int buttons);
unsigned MessageBoxIconStyle(int icon);
unsigned MessageBoxStyle(int buttons, int icon);
std::string MessageBoxText(std::string_view main_instruction, std::string_view content);
// A message box's answer (IDOK...IDNO) as the task dialog's result code.
int TaskResultOf(int message_box_answer);

}  // namespace corvane::platform
