// corvane-bench: speed and memory of RenderRtfAsHtml on generated documents
// of 1, 10 and 100 MB.
//
// Two kinds of document: the mixed one at each size, and one of 10 MB as
// dense in control words as current Word output ("word-dense").
//
// Figures per document: MB/s, decimal megabytes of RTF per second of CPU time
// (page faults included; other load on the machine disturbs it less than
// wall time); control words per KB of input; input and output sizes; the growth of the resident set
// during one conversion, also as a ratio to input + output; and the growth of the address space,
// since memory reserved but never touched costs no resident pages here but does cost address space
// in a 32-bit process. The kernel keeps resident counts per CPU in batches, so they are good to
// about 0.25 MB on a two-CPU machine: enough for 10 and 100 MB, rough for 1 MB.
//
// Set CORVANE_BENCH_CORPUS to a folder of real RTF files to time them too.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "bench/rtf_generator.h"
#include "engine/rtf2html.h"
#include "os/code_pages.h"

namespace {

constexpr std::size_t kMegabyte = 1000 * 1000;
constexpr std::array<std::size_t, 3> kSizesMb = {1, 10, 100};
constexpr std::string_view kPeakChildFlag = "--peak-child=";

using corvane::bench::RtfStyle;

struct Document {
  std::size_t bytes;
  RtfStyle style;
  auto operator<=>(const Document&) const = default;
};

std::string Generate(Document document) {
  return corvane::bench::GenerateRtf(document.bytes, corvane::bench::kDefaultSeed, document.style);
}

const std::string& GeneratedInput(Document document) {
  static std::map<Document, std::string> inputs;
  auto it = inputs.find(document);
  if (it == inputs.end()) it = inputs.emplace(document, Generate(document)).first;
  return it->second;
}

// A "Vm...:  N kB" field of /proc/self/status, in bytes; 0 if absent.
std::size_t StatusBytes(std::string_view field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, field.size(), field) == 0 && line.size() > field.size() &&
        line[field.size()] == ':') {
      return std::strtoull(line.c_str() + field.size() + 1, nullptr, 10) * 1024;
    }
  }
  return 0;
}

struct PeakMemory {
  bool measured = false;
  bool exact = false;              // the high-water mark could be reset before converting
  std::size_t growth = 0;          // resident set
  std::size_t address_growth = 0;  // address space
};

// Runs in a fresh process (see MeasurePeak): generates the input, resets the
// high-water mark of the resident set to the current size, converts once and
// prints "input output growth exact address_growth".
int PeakChild(Document document) {
  const std::string input = Generate(document);
  // Before the reset: the reader's first-use allocations, and the engine's
  // code pages, which the first call faults in 64 KB at a time.
  StatusBytes("VmRSS");
  benchmark::DoNotOptimize(corvane::RenderRtfAsHtml(std::string_view(input).substr(0, 1 << 16)));
  bool exact = false;
  if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
    exact = std::fputs("5", f) >= 0;  // "5": reset the peak resident set size
    exact = std::fclose(f) == 0 && exact;
  }
  const std::size_t before = exact ? StatusBytes("VmRSS") : StatusBytes("VmHWM");
  // Nothing large was freed yet, so the address space peak is the current size.
  const std::size_t address_before = StatusBytes("VmPeak");
  std::size_t output = 0;
  std::size_t peak = 0;
  std::size_t address_peak = 0;
  {
    const std::string html = corvane::RenderRtfAsHtml(input);
    output = html.size();
    peak = StatusBytes("VmHWM");
    address_peak = StatusBytes("VmPeak");
  }
  std::printf("%zu %zu %zu %d %zu\n", input.size(), output, peak > before ? peak - before : 0,
              exact ? 1 : 0, address_peak > address_before ? address_peak - address_before : 0);
  return 0;
}

// The conversion runs in a new process rather than in this one, whose
// allocator may hold memory freed by earlier runs and hand it out again
// without the resident set growing.
PeakMemory MeasurePeak(Document document) {
  PeakMemory result;
  std::error_code ec;
  const std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).string();
  const std::string flag = std::string(kPeakChildFlag) + std::to_string(document.bytes) + ":" +
                           std::to_string(static_cast<int>(document.style));
  int fds[2];
  if (ec || pipe(fds) != 0) return result;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    execl(self.c_str(), self.c_str(), flag.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return result;
  }
  std::string text;
  char buffer[256];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0) {
    text.append(buffer, static_cast<std::size_t>(n));
  }
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  std::size_t input = 0, output = 0, growth = 0, address_growth = 0;
  int exact = 0;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
      std::sscanf(text.c_str(), "%zu %zu %zu %d %zu", &input, &output, &growth, &exact,
                  &address_growth) == 5) {
    result.measured = true;
    result.exact = exact != 0;
    result.growth = growth;
    result.address_growth = address_growth;
  }
  return result;
}

std::string Render(std::string_view rtf, bool full_text) {
  if (full_text) return corvane::RenderRtfAsFullTextHtml(rtf, corvane::os::SystemCodePageDecoder());
  return corvane::RenderRtfAsHtml(rtf);
}

// Peak memory is measured for the classic output only.
void RenderGenerated(benchmark::State& state, Document document, bool full_text) {
  const std::string& input = GeneratedInput(document);
  static std::map<Document, PeakMemory> peaks;
  auto peak = peaks.find(document);
  if (!full_text && peak == peaks.end()) {
    peak = peaks.emplace(document, MeasurePeak(document)).first;
  }

  std::size_t output = 0;
  for (auto _ : state) {
    // Freeing the result is timed too: every real conversion pays for it.
    const std::string html = Render(input, full_text);
    output = html.size();
    benchmark::DoNotOptimize(html.data());
  }

  const double in_mb = static_cast<double>(input.size()) / kMegabyte;
  const double out_mb = static_cast<double>(output) / kMegabyte;
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(input.size()));
  state.counters["MB/s"] = benchmark::Counter(in_mb, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["cw/KB"] = corvane::bench::ControlWordsPerKb(input);
  state.counters["in_MB"] = in_mb;
  state.counters["out_MB"] = out_mb;
  if (full_text) {
    // No peak figures for this output.
  } else if (peak->second.measured) {
    const double peak_mb = static_cast<double>(peak->second.growth) / kMegabyte;
    state.counters["peak_MB"] = peak_mb;
    state.counters["peak/(in+out)"] = peak_mb / (in_mb + out_mb);
    state.counters["addr_MB"] = static_cast<double>(peak->second.address_growth) / kMegabyte;
    if (!peak->second.exact) state.SetLabel("peak not reset: lower bound");
  } else {
    state.SetLabel("peak memory not measured");
  }
}

// Real documents, converted one after the other, as a check that the
// generated ones are not unusually easy or hard.
void RenderCorpus(benchmark::State& state, const std::vector<std::string>& files, bool full_text) {
  std::size_t input = 0;
  double control_words = 0;
  for (const std::string& file : files) {
    input += file.size();
    control_words += corvane::bench::ControlWordsPerKb(file) * static_cast<double>(file.size());
  }
  for (auto _ : state) {
    for (const std::string& file : files) {
      const std::string html = Render(file, full_text);
      benchmark::DoNotOptimize(html.data());
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(input));
  state.counters["MB/s"] = benchmark::Counter(static_cast<double>(input) / kMegabyte,
                                              benchmark::Counter::kIsIterationInvariantRate);
  state.counters["cw/KB"] = input == 0 ? 0.0 : control_words / static_cast<double>(input);
  state.counters["in_MB"] = static_cast<double>(input) / kMegabyte;
  state.counters["files"] = static_cast<double>(files.size());
}

std::vector<std::string> ReadCorpus(const char* folder) {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder, ec)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    files.push_back(std::move(bytes).str());
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]).substr(0, kPeakChildFlag.size()) == kPeakChildFlag) {
    char* style = nullptr;
    const std::size_t bytes = std::strtoull(argv[1] + kPeakChildFlag.size(), &style, 10);
    return PeakChild(
        {bytes, *style == ':' ? static_cast<RtfStyle>(std::atoi(style + 1)) : RtfStyle::kMixed});
  }

  std::vector<std::pair<std::string, Document>> documents;
  for (const std::size_t mb : kSizesMb) {
    documents.push_back({std::to_string(mb) + "MB", {mb * kMegabyte, RtfStyle::kMixed}});
  }
  documents.push_back({"10MB-word-dense", {10 * kMegabyte, RtfStyle::kWordDense}});
  for (const bool full_text : {false, true}) {
    for (const auto& [label, document] : documents) {
      const std::string name =
          std::string(full_text ? "RenderRtfAsFullTextHtml/" : "RenderRtfAsHtml/") + label;
      benchmark::RegisterBenchmark(name.c_str(), [document, full_text](benchmark::State& state) {
        RenderGenerated(state, document, full_text);
      })->Unit(benchmark::kMillisecond);
    }
  }
  static std::vector<std::string> corpus;
  if (const char* folder = std::getenv("CORVANE_BENCH_CORPUS")) {
    corpus = ReadCorpus(folder);
    if (corpus.empty()) {
      std::fprintf(stderr, "corvane-bench: no files under %s\n", folder);
      return 1;
    }
    benchmark::RegisterBenchmark("RenderRtfAsHtml/corpus", [](benchmark::State& state) {
      RenderCorpus(state, corpus, false);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("RenderRtfAsFullTextHtml/corpus", [](benchmark::State& state) {
      RenderCorpus(state, corpus, true);
    })->Unit(benchmark::kMillisecond);
  }

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
