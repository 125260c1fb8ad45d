#include "platform/dialog_logic.h"

namespace corvane::platform {

std::string FilterForDialog(std::string_view filter, bool (*is_lead_byte)(unsigned char)) {
  std::string out(filter);
  out += '\0';
  for (std::size_t i = 0; i < out.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (is_lead_byte(c) && i + 1 < out.size()) {
      ++i;  // the trail byte may look like "|"
    } else if (c == '|') {
      out[i] = '\0';
    }
  }
  out += '\0';
  return out;
}

std::string JoinPaths(const std::vector<std::string>& paths) {
  std::string joined;
  for (const std::string& path : paths) {
    if (!joined.empty()) joined += ';';
    joined += path;
  }
  return joined;
}

unsigned MessageBoxButtonStyle(int buttons) {
  constexpr unsigned kMbOk = 0, kMbOkCancel = 1, kMbAbortRetryIgnore = 2, kMbYesNoCancel = 3,
                     kMbYesNo = 4, kMbRetryCancel = 5;
  const bool yes_or_no = (buttons & (kYes | kNo)) != 0;
  switch (buttons) {
    case kOk: return kMbOk;
    case kOk | kCancel: return kMbOkCancel;
    case kYes:
    case kNo:
    case kYes | kNo: return kMbYesNo;
    case kRetry:
    case kRetry | kCancel: return kMbRetryCancel;
    case kClose: return kMbAbortRetryIgnore;
    default: break;
  }
  if (yes_or_no && buttons == (buttons & (kYes | kNo | kCancel))) return kMbYesNoCancel;
  unsigned style = 0;
  if (buttons & kYes) style |= kMbYesNo;
  if (buttons & kNo) style |= kMbYesNo;
  if (buttons & kCancel) style |= kMbOkCancel;
  if (buttons & kRetry) style |= kMbRetryCancel;
  if (buttons & kClose) style |= kMbAbortRetryIgnore;
  return style;
}

unsigned MessageBoxIconStyle(int icon) {
  switch (icon) {
    case kWarning: return 0x30;
    case kQuestion: return 0x20;
    case kError: return 0x10;
    default: return 0x40;
  }
}

unsigned MessageBoxStyle(int buttons, int icon) {
  return MessageBoxButtonStyle(buttons) | MessageBoxIconStyle(icon);
}

std::string MessageBoxText(std::string_view main_instruction, std::string_view content) {
  std::string text(main_instruction);
  text += "\n\n";
  text += content;
  return text;
}

int TaskResultOf(int message_box_answer) {
  constexpr int kIdAbort = 3;
  constexpr int kTaskClose = 8;
  // Close is shown as the abort button; every other answer keeps its code.
  return message_box_answer == kIdAbort ? kTaskClose : message_box_answer;
}

}  // namespace corvane::platform
