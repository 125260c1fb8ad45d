// File masks: which names a job converts.
#pragma once

#include <string>
#include <string_view>

namespace corvane::batch {

// The supported masks in three groups, by where their converters come from,
// as the About box lists them. "*xls" has no dot on purpose: it has always
// matched names that merely end in "xls". "*.wps" is in two groups: Works
// files come from either converter set.
inline constexpr std::string_view kNativeFileMasks = "*.rtf;*.doc;*.docx;*.docm;*.wps;*.wpd";
inline constexpr std::string_view kOffice2003FileMasks =
    "*.pwd;*.pwi;*.wk1;*.wk3;*.wk4;*xls;*.xlw;*.mcw;*.wps;*.wpt";
inline constexpr std::string_view kWindowsXpFileMasks = "*.wri";
// Web pages, which the built-in reader converts. Not "*.html": a page's
// output beside it has that name, and would be taken again by the next
// job over the folder.
inline constexpr std::string_view kWebPageFileMasks = "*.htm;*.htx;*.otm";

// The masks every job of the window uses: the four groups in that order.
inline constexpr std::string_view SupportedFileMasks =
    "*.rtf;*.doc;*.docx;*.docm;*.wps;*.wpd;*.pwd;*.pwi;*.wk1;*.wk3;*.wk4;*xls;*.xlw;*.mcw;*.wps;"
    "*.wpt;*.wri;*.htm;*.htx;*.otm";
static_assert(SupportedFileMasks ==
              std::string(kNativeFileMasks) + ";" + std::string(kOffice2003FileMasks) + ";" +
                  std::string(kWindowsXpFileMasks) + ";" + std::string(kWebPageFileMasks));

// The open dialog's filter: the supported masks, then every file.
inline std::string OpenDialogFilter() {
  return "Supported files|" + std::string(SupportedFileMasks) + "|All Files (*.*)|*.*";
}

// True when one mask matches the whole name. "*" matches any run (dots and
// separators included); other characters match themselves, ASCII letters
// in either case.
bool MatchesMask(std::string_view name, std::string_view mask);

// True when a mask of the ";"-separated list matches the whole name. The
// list ends at the first "|"; empty masks are skipped, nothing is trimmed.
bool MatchesMaskList(std::string_view name, std::string_view masks);

}  // namespace corvane::batch
