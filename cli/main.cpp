// corvane-cli: converts RTF files to HTML beside them, or stdin to stdout.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#include "engine/rtf2html.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr std::string_view kVersion = "corvane-cli 3.0.0";
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void PrintHelp() {
  std::cout << "Usage: corvane-cli FILE...\n"
               "       corvane-cli -\n"
               "\n"
               "Converts each RTF file to an HTML file beside it: the part of the\n"
               "extension after the dot becomes \"html\" (Report.RTF -> Report.html),\n"
               "replacing an existing file of that name. With \"-\", reads RTF on\n"
               "standard input and writes the HTML document to standard output.\n"
               "\n"
               "  -h, --help     show this help and exit\n"
               "  --version      show the version and exit\n"
               "\n"
               "Exit status: 0 when every file converted, 1 when one failed, 2 on a\n"
               "usage error.\n";
}

void SetBinary(std::FILE* stream) {
#ifdef _WIN32
  _setmode(_fileno(stream), _O_BINARY);
#else
  (void)stream;
#endif
}

int ConvertStandardStreams() {
  SetBinary(stdin);
  SetBinary(stdout);
  std::string rtf;
  char buffer[1 << 16];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) rtf.append(buffer, n);
  if (std::ferror(stdin)) {
    std::cerr << "corvane-cli: -: cannot read standard input\n";
    return kExitFailed;
  }
  const std::string html = corvane::RenderRtfAsHtml(rtf);
  if (std::fwrite(html.data(), 1, html.size(), stdout) != html.size() || std::fflush(stdout) != 0) {
    std::cerr << "corvane-cli: -: cannot write standard output\n";
    return kExitFailed;
  }
  return kExitOk;
}

// The extension starts at the last "." that no path separator or drive
// colon follows.
std::size_t ExtensionStart(std::string_view path) {
  const std::size_t dot = path.find_last_of(".\\/:");
  return dot != std::string_view::npos && path[dot] == '.' ? dot : std::string_view::npos;
}

bool ConvertFile(const std::string& path, std::string& reason) {
  const std::size_t dot = ExtensionStart(path);
  if (dot == std::string::npos) {
    reason = "no extension; only .rtf files are converted";
    return false;
  }
  std::string ext = path.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext != ".rtf") {
    reason = "not an .rtf file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    reason = std::string("cannot open: ") + std::strerror(errno);
    return false;
  }
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) {
    reason = "cannot read";
    return false;
  }
  const std::string html = corvane::RenderRtfAsHtml(content.str());
  const std::string output = path.substr(0, dot + 1) + "html";
  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  if (!out || !out.write(html.data(), static_cast<std::streamsize>(html.size())) || !out.flush()) {
    reason = "cannot write " + output;
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "corvane-cli: no input; try 'corvane-cli --help'\n";
    return kExitUsage;
  }
  const std::string_view first = argv[1];
  if (first == "--help" || first == "-h") {
    PrintHelp();
    return kExitOk;
  }
  if (first == "--version") {
    std::cout << kVersion << '\n';
    return kExitOk;
  }
  if (first == "-") {
    if (argc != 2) {
      std::cerr << "corvane-cli: '-' takes no other arguments\n";
      return kExitUsage;
    }
    return ConvertStandardStreams();
  }
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    std::string reason;
    if (!ConvertFile(argv[i], reason)) {
      std::cerr << "corvane-cli: " << argv[i] << ": " << reason << '\n';
      ++failures;
    }
  }
  return failures == 0 ? kExitOk : kExitFailed;
}
