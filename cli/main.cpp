// corvane-cli: the console front end over the conversion job.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/job_runner.h"
#include "cli/options.h"
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
      "Usage: corvane-cli [OPTION]... [--] PATH...\n"
      "       corvane-cli [OPTION]... --files-from LIST [PATH]...\n"
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
      "  --utf8             write UTF-8 HTML that keeps all the text (fields, symbols,\n"
      "                     Unicode)\n"
      "  --files-from LIST  convert the files and folders named in LIST too, one a\n"
      "                     line (CR LF is fine); \"-\" reads the list from standard\n"
      "                     input, as it comes\n"
      "  -0, --null         names in LIST end with a NUL byte instead (find -print0)\n"
      "  --outdir DIR       write the outputs under DIR instead of beside the sources,\n"
      "                     each at its name as given without a leading \"/\" (or\n"
      "                     drive) and \"./\": \"--outdir out src\" writes src/a/b.rtf\n"
      "                     to out/src/a/b.html, as does naming src/a/b.rtf itself;\n"
      "                     folders are made as needed; two sources with one output\n"
      "                     name make the second a failed file, and so does a name\n"
      "                     with a \"..\" in it or a symbolic link on the way below DIR\n"
      "  -j, --jobs N       convert with N worker threads (1-64; default 2)\n"
      "  --report json      write one JSON object a line to standard output for each\n"
      "                     finished file (input, output, status, reason, bytes_in,\n"
      "                     bytes_out, milliseconds), then a summary object; progress\n"
      "                     then shows only on a terminal\n"
      "  -h, --help         show this help and exit\n"
      "  --version          show the version and exit\n"
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
  corvane::os::Bytes input;
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
  const corvane::cli::CommandLine command_line =
      corvane::cli::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (command_line.action) {
    case corvane::cli::CommandLine::Action::kHelp: PrintHelp(); return kExitOk;
    case corvane::cli::CommandLine::Action::kVersion:
      std::printf("%s\n", kVersion.data());
      return kExitOk;
    case corvane::cli::CommandLine::Action::kUsageError: return UsageError(command_line.error);
    case corvane::cli::CommandLine::Action::kRun: break;
  }
  const corvane::cli::Options& options = command_line.options;
  if (options.standard_streams) return ConvertStandardStreams(options.full_text);

  try {
    const corvane::cli::JobOutcome outcome = corvane::cli::RunConversionJob(options);
    if (!options.json_report) {
      std::printf("Done. Errors: %d\n", outcome.failures);
      std::fflush(stdout);
    }
    if (outcome.interrupted) return outcome.interrupt_status;
    return outcome.failures == 0 ? kExitOk : kExitFailed;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "corvane-cli: %s\n", error.what());
    return kExitFailed;
  }
}
