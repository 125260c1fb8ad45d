// File masks: which names a job converts.
#pragma once

#include <string_view>

namespace corvane::batch {

// The masks every job of the window uses. "*xls" has no dot on purpose: it
// has always matched names that merely end in "xls".
inline constexpr std::string_view SupportedFileMasks =
    "*.rtf;*.doc;*.docx;*.docm;*.wps;*.wpd;*.pwd;*.pwi;*.wk1;*.wk3;*.wk4;*xls;*.xlw;*.mcw;*.wps;"
    "*.wpt;*.wri";

// True when one mask matches the whole name. "*" matches any run (dots and
// separators included); other characters match themselves, ASCII letters
// in either case.
bool MatchesMask(std::string_view name, std::string_view mask);

// True when a mask of the ";"-separated list matches the whole name. The
// list ends at the first "|"; empty masks are skipped, nothing is trimmed.
bool MatchesMaskList(std::string_view name, std::string_view masks);

}  // namespace corvane::batch
