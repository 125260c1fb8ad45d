// The .docx reader over a folder of real documents: reads each file, turns
// it into RTF and the RTF into HTML, as corvane-cli does without the disk
// writes. Prints MB/s of .docx input, files/s, and the peak resident memory
// against the largest file. Figures only.
//   corvane-docx-bench FOLDER [ROUNDS]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/rtf2html.h"
#include "readers/docx/docx_reader.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: corvane-docx-bench FOLDER [ROUNDS]\n");
    return 2;
  }
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
    const std::string extension = entry.path().extension().string();
    if (extension == ".docx" || extension == ".docm") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  if (files.empty()) {
    std::fprintf(stderr, "corvane-docx-bench: no .docx files in %s\n", argv[1]);
    return 1;
  }

  std::uintmax_t bytes = 0;
  std::uintmax_t largest = 0;
  std::size_t html_bytes = 0;
  int failures = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < rounds; ++round) {
    for (const auto& file : files) {
      std::ifstream in(file, std::ios::binary);
      const std::string package((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
      bytes += package.size();
      largest = std::max<std::uintmax_t>(largest, package.size());
      const corvane::docx::ReadResult result =
          corvane::docx::ConvertDocxToRtf(package, corvane::docx::Windows1252());
      if (result.status != corvane::docx::ReadStatus::kOk) {
        ++failures;
        continue;
      }
      html_bytes += corvane::RenderRtfAsHtml(result.rtf).size();
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double cpu_seconds =
      static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
      static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  const double peak_mb = static_cast<double>(usage.ru_maxrss) / 1024.0;
  const double count = static_cast<double>(files.size()) * rounds;
  std::printf(
      "corvane: %zu files x %d rounds, %.1f MB of .docx in %.3f s: %.1f MB/s, %.0f files/s"
      " (%d not converted, %zu bytes of HTML)\n",
      files.size(), rounds, static_cast<double>(bytes) / 1e6, seconds,
      static_cast<double>(bytes) / 1e6 / seconds, count / seconds, failures, html_bytes);
  std::printf("corvane: %.3f s of CPU: %.1f MB/s, %.0f files/s per CPU second\n", cpu_seconds,
              static_cast<double>(bytes) / 1e6 / cpu_seconds, count / cpu_seconds);
  std::printf("corvane: peak resident memory %.1f MB; largest file %.2f MB\n", peak_mb,
              static_cast<double>(largest) / 1e6);
  return 0;
}
