// corvane-cli: the console front end over the conversion job.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/job_runner.h"
#include "corvane/version.h"
#include "engine/rtf2html.h"
#include "os/code_pages.h"
#include "os/console.h"

namespace {

constexpr std::string_view kVersion = "corvane-cli " CORVANE_VERSION_TEXT;
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void PrintHelp() {
  std::fputs(
      "Usage: corvane-cli [--utf8] [--] PATH...\n"
      "       corvane-cli [--utf8] -\n"
      "\n"
      "Converts every supported document among PATHs to an HTML file beside it;\n"
      "folders are walked to any depth. The output is named like the source with\n"
      "the part of its extension after the dot replaced by \"html\" (Report.RTF\n"
      "becomes Report.html) and replaces an existing file of that name.\n"
      "Supported: .rtf; .docx and .docm, on Linux by a built-in reader and on\n"
      "Windows by the text converter registered for them; and where text\n"
      "converters are registered (Windows) .doc, .wps, .wpd, .wpt, .pwd, .pwi,\n"
      ".wk1, .wk3, .wk4, .xls, .xlw, .mcw, .wri.\n"
      "\n"
      "With \"-\", reads RTF on standard input and writes the HTML document to\n"
      "standard output.\n"
      "\n"
      "  --utf8         write UTF-8 HTML that keeps all the text (fields, symbols, Unicode)\n"
      "  -h, --help     show this help and exit\n"
      "  --version      show the version and exit\n"
      "\n"
      "Progress goes to standard error; Ctrl-C or SIGTERM stops after the files\n"
      "at hand, a second one at once (outputs being written are removed).\n"
      "Exit status: 0 when every file converted, 1 when a file failed, 2 on a\n"
      "usage error, 130 when stopped by Ctrl-C, 143 when stopped by SIGTERM.\n",
      stdout);
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "corvane-cli: %s\nTry 'corvane-cli --help'.\n", message.c_str());
  return kExitUsage;
}

int ConvertStandardStreams(bool full_text) {
  corvane::os::SetBinaryMode(stdin);
  corvane::os::SetBinaryMode(stdout);
  corvane::os::InputBytes input;
  if (!corvane::os::ReadStandardInput(input)) {
    std::fputs("corvane-cli: -: cannot read standard input\n", stderr);
    return kExitFailed;
  }
  const std::string_view rtf = input.View();
  const std::string html =
      full_text ? corvane::RenderRtfAsFullTextHtml(rtf, corvane::os::SystemCodePageDecoder())
                : corvane::RenderRtfAsHtml(rtf);
  // Unbuffered, the document leaves in one write instead of a buffer's worth
  // and then the rest.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (std::fwrite(html.data(), 1, html.size(), stdout) != html.size() || std::fflush(stdout) != 0) {
    std::fputs("corvane-cli: -: cannot write standard output\n", stderr);
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  corvane::os::IgnoreBrokenPipes();
  corvane::os::MatchConsoleToProcessCodePage();
  std::vector<std::string> paths;
  bool options_done = false;
  bool standard_streams = false;
  bool full_text = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!options_done && arg == "--") {
      options_done = true;
    } else if (!options_done && (arg == "--help" || arg == "-h")) {
      PrintHelp();
      return kExitOk;
    } else if (!options_done && arg == "--version") {
      std::printf("%s\n", kVersion.data());
      return kExitOk;
    } else if (!options_done && arg == "--utf8") {
      full_text = true;
    } else if (!options_done && arg == "-") {
      standard_streams = true;
    } else if (!options_done && arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option '" + std::string(arg) + "'");
    } else {
      paths.emplace_back(arg);
    }
  }
  if (standard_streams) {
    if (!paths.empty()) return UsageError("'-' takes no other paths");
    return ConvertStandardStreams(full_text);
  }
  if (paths.empty()) return UsageError("no input");

  try {
    const corvane::cli::JobOutcome outcome =
        corvane::cli::RunConversionJob(paths, full_text ? corvane::import::HtmlOutput::kFullText
                                                        : corvane::import::HtmlOutput::kClassic);
    std::printf("Done. Errors: %d\n", outcome.failures);
    std::fflush(stdout);
    if (outcome.interrupted) return outcome.interrupt_status;
    return outcome.failures == 0 ? kExitOk : kExitFailed;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "corvane-cli: %s\n", error.what());
    return kExitFailed;
  }
}
