// corvane-cli's command line, read into what the run needs.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corvane::cli {

struct Options {
  std::vector<std::string> paths;         // files and folders named on the command line
  std::optional<std::string> files_from;  // a list of more of them; "-" is standard input
  char list_separator = '\n';             // '\0' with --null
  std::string outdir;                     // empty: each output beside its source
  int jobs = 2;                           // worker threads, as the window's job runs
  bool json_report = false;
  bool full_text = false;
  bool standard_streams = false;  // "-": RTF in, HTML out
};

struct CommandLine {
  enum class Action { kRun, kHelp, kVersion, kUsageError };
  Action action = Action::kRun;
  Options options;
  std::string error;  // for kUsageError
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace corvane::cli
