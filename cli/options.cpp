#include "cli/options.h"

#include <charconv>
#include <string_view>

#include "batch/conversion_job.h"

namespace corvane::cli {
namespace {

CommandLine UsageError(std::string message) {
  CommandLine result;
  result.action = CommandLine::Action::kUsageError;
  result.error = std::move(message);
  return result;
}

// An option that takes a value, as "--name VALUE" or "--name=VALUE" (and
// for a short name "-j VALUE" or "-j4"). True when arguments[i] is that option;
// value is then set, or missing is, and i moves past what was used.
bool TakeValue(const std::vector<std::string>& arguments, std::size_t& i, std::string_view name,
               std::string_view short_name, std::string& value, bool& missing) {
  const std::string_view argument = arguments[i];
  if (argument.size() > name.size() && argument.substr(0, name.size()) == name &&
      argument[name.size()] == '=') {
    value = argument.substr(name.size() + 1);
    return true;
  }
  if (!short_name.empty() && argument.size() > short_name.size() &&
      argument.substr(0, short_name.size()) == short_name) {
    value = argument.substr(short_name.size());  // "-j4"
    return true;
  }
  if (argument != name && (short_name.empty() || argument != short_name)) return false;
  missing = i + 1 == arguments.size();
  if (!missing) value = arguments[++i];
  return true;
}

bool ParseJobs(const std::string& text, int& jobs) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, jobs);
  return error == std::errc() && stop == end && jobs >= 1 && jobs <= batch::kMaxWorkers;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine result;
  Options& options = result.options;
  bool options_done = false;
  bool null_separated = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view arg = arguments[i];
    if (options_done || arg.size() < 2 || arg[0] != '-') {
      if (!options_done && arg == "-") {
        options.standard_streams = true;
      } else {
        options.paths.emplace_back(arg);
      }
      continue;
    }
    std::string value;
    bool missing = false;
    if (arg == "--") {
      options_done = true;
    } else if (arg == "--help" || arg == "-h") {
      result.action = CommandLine::Action::kHelp;
      return result;
    } else if (arg == "--version") {
      result.action = CommandLine::Action::kVersion;
      return result;
    } else if (arg == "--utf8") {
      options.full_text = true;
    } else if (arg == "--null" || arg == "-0") {
      null_separated = true;
    } else if (TakeValue(arguments, i, "--files-from", "", value, missing)) {
      if (missing) return UsageError("--files-from needs a file ('-' for standard input)");
      if (options.files_from) return UsageError("--files-from may be given once");
      options.files_from = value;
    } else if (TakeValue(arguments, i, "--outdir", "", value, missing)) {
      if (missing || value.empty()) return UsageError("--outdir needs a folder");
      options.outdir = value;
    } else if (TakeValue(arguments, i, "--jobs", "-j", value, missing)) {
      if (missing || !ParseJobs(value, options.jobs)) {
        return UsageError("--jobs needs a number of workers from 1 to " +
                          std::to_string(batch::kMaxWorkers));
      }
    } else if (TakeValue(arguments, i, "--report", "", value, missing)) {
      if (missing || value != "json") return UsageError("--report knows one format: json");
      options.json_report = true;
    } else {
      return UsageError("unknown option '" + std::string(arg) + "'");
    }
  }
  if (null_separated) {
    if (!options.files_from) return UsageError("--null applies to --files-from");
    options.list_separator = '\0';
  }
  if (options.standard_streams) {
    if (!options.paths.empty() || options.files_from || !options.outdir.empty() ||
        options.json_report) {
      return UsageError("'-' takes no paths, lists, output folder or report");
    }
    return result;
  }
  if (options.paths.empty() && !options.files_from) return UsageError("no input");
  return result;
}

}  // namespace corvane::cli
