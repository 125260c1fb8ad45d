#include "cli/job_runner.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <unordered_set>

#include "batch/conversion_job.h"
#include "batch/file_masks.h"
#include "cli/json_report.h"
#include "cli/name_list.h"
#include "cli/output_folder.h"
#include "cli/progress_line.h"
#include "cli/source_names.h"
#include "import/converter_host.h"
#include "import/file_io.h"
#include "os/console.h"
#include "os/os.h"

namespace corvane::cli {
namespace {

constexpr unsigned kRefreshMs = 100;
// Entries waiting in the queue before the list reader pauses: a list of
// millions costs the memory of this many, not of the list.
constexpr std::int32_t kMaxWaitingEntries = 10000;
constexpr unsigned kFeederEndWaitMs = 1000;

using Clock = std::chrono::steady_clock;

// What the job tells the run: each file's record, and where outputs go.
class RunObserver final : public batch::JobObserver {
 public:
  bool ClaimInput(const std::string& input) override;
  bool PlaceOutput(const std::string& input, std::string& output, std::string& reason) override;
  void FileFinished(const batch::FileReport& report) override;
  void EntryFailed(const std::string& path, const std::string& reason) override;

 private:
  std::mutex claims_mutex_;  // workers claim at once
  std::unordered_set<std::string> claimed_inputs_;
};

// What the job's observer shares with the run.
struct Run {
  bool json_report = false;
  std::unique_ptr<OutputFolder> outdir;
  Clock::time_point start = Clock::now();
  std::atomic<std::int64_t> converted{0};
  std::atomic<std::int64_t> failed{0};  // every failure told, whoever counted it
  RunObserver observer;
};
Run* g_run = nullptr;

// Workers report while the main thread redraws the progress line.
std::mutex g_output_mutex;
bool g_progress_on_terminal = false;

std::int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// One finished file: the message of a failure on stderr, the report line.
void Finish(FileRecord record) {
  (record.converted ? g_run->converted : g_run->failed)++;
  std::lock_guard<std::mutex> lock(g_output_mutex);
  if (!record.converted) {
    if (g_progress_on_terminal) std::fputs("\r\n", stderr);  // keep the message off the bar
    // A reason may quote the document itself (a part's name): escaped as
    // names are.
    const auto shown = [](const std::string& text) {
      return g_progress_on_terminal ? EscapeControlCharacters(text) : text;
    };
    std::fprintf(stderr, "corvane-cli: %s: %s\n", shown(record.input).c_str(),
                 shown(record.reason).c_str());
  }
  if (g_run->json_report) {
    record.input = os::AnsiToUtf8(record.input);
    record.output = os::AnsiToUtf8(record.output);
    const std::string line = FileRecordLine(record);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
  }
}

// A file named twice, or named and also found in a named folder, is
// converted once.
bool RunObserver::ClaimInput(const std::string& input) {
  std::lock_guard<std::mutex> lock(claims_mutex_);
  return claimed_inputs_.insert(SameFileKey(input)).second;
}

bool RunObserver::PlaceOutput(const std::string& input, std::string& output, std::string& reason) {
  output.clear();
  if (!g_run->outdir || g_run->outdir->Place(input, output, reason)) return true;
  reason = "not converted: " + reason;
  return false;
}

void RunObserver::FileFinished(const batch::FileReport& report) {
  FileRecord record;
  record.input = report.input;
  record.converted = report.outcome.converted;
  record.bytes_in = os::FileSize(report.input);
  record.milliseconds = report.milliseconds;
  if (record.converted) {
    record.output = report.outcome.output;
    record.bytes_out = os::FileSize(record.output);
  } else if (report.raised || report.outcome.reason.starts_with("not converted: ")) {
    record.reason = report.outcome.reason;
  } else {
    const std::string& reason = report.outcome.reason;
    record.reason = "not converted: " + (reason.empty() ? std::string("no reason given") : reason);
  }
  Finish(std::move(record));
}

void RunObserver::EntryFailed(const std::string& path, const std::string& reason) {
  FileRecord record;
  record.input = path;
  record.reason = reason;
  Finish(std::move(record));
}

class ProgressDisplay {
 public:
  explicit ProgressDisplay(bool quiet_off_terminal)
      : terminal_(os::IsTerminal(stderr)), quiet_(quiet_off_terminal && !terminal_) {
    g_progress_on_terminal = terminal_;
  }

  void Show(std::int32_t taken, std::int32_t total, const std::string& entry) {
    if (quiet_ || (taken == last_taken_ && total == last_total_)) return;
    last_taken_ = taken;
    last_total_ = total;
    std::lock_guard<std::mutex> lock(g_output_mutex);
    if (terminal_) {
      const std::size_t width = static_cast<std::size_t>(os::TerminalColumns(stderr) - 1);
      std::string line = FormatProgressLine(taken, total, EscapeControlCharacters(entry), width);
      line.resize(width, ' ');  // wipe what a longer line left
      std::fprintf(stderr, "\r%s", line.c_str());
    } else {
      std::fprintf(stderr, "Item %d of %d %s\n", static_cast<int>(taken), static_cast<int>(total),
                   entry.c_str());
    }
    std::fflush(stderr);
  }

  void Finish() {
    std::lock_guard<std::mutex> lock(g_output_mutex);
    if (terminal_ && last_taken_ >= 0) std::fputs("\n", stderr);
  }

 private:
  bool terminal_;
  bool quiet_;
  std::int32_t last_taken_ = -1;
  std::int32_t last_total_ = -1;
};

// The modules a job needs, ended in order on every way out, so that no
// worker outlives the listener it posts to.
class JobModules {
 public:
  JobModules() {
    import::StartConverterModule();
    batch::StartJobModule();
  }
  ~JobModules() { import::EndConverterModule(batch::EndJobModule()); }
  JobModules(const JobModules&) = delete;
  JobModules& operator=(const JobModules&) = delete;
};

void PrintSummary(bool interrupted) {
  if (!g_run->json_report) return;
  const std::string line =
      SummaryLine({g_run->converted, g_run->failed, interrupted, MillisecondsSince(g_run->start)});
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

[[noreturn]] void EndAtOnce() {
  import::RemoveOutputsInProgress();
  // A worker blocked writing to a full pipe must not hold the exit up.
  const std::unique_lock<std::mutex> lock(g_output_mutex, std::try_to_lock);
  if (lock.owns_lock()) {
    std::fputs(g_progress_on_terminal ? "\r\ncorvane-cli: stopped at once\n"
                                      : "corvane-cli: stopped at once\n",
               stderr);
    std::fflush(stderr);
    PrintSummary(true);
  }
  std::_Exit(os::InterruptExitStatus());
}

// Hands the named paths, then the list's names, to the running job, on a
// thread of its own so that a slow list never holds up progress or an
// interrupt. Queues nothing once told to stop: the job may be gone then.
class Feeder {
 public:
  explicit Feeder(const Options& options) : options_(options) {}

  bool Start() {
    g_feeder = this;
    return thread_.Start(&Feeder::Procedure, 0);
  }

  // Stops queueing; true when the feeder has ended. One blocked reading
  // its list is left to the end of the process.
  bool Stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopped_ = true;
    }
    if (thread_.Join(kFeederEndWaitMs)) return true;
    thread_.Release();
    return false;
  }

  int Failures() const { return failures_; }

 private:
  static int Procedure(int) {
    g_feeder->Feed();
    return 0;
  }

  void Feed() {
    for (const std::string& path : options_.paths) {
      if (!Queue(path)) break;
    }
    if (options_.files_from) ReadList(*options_.files_from);
    std::lock_guard<std::mutex> lock(mutex_);
    if (!stopped_) batch::HoldJobOpen(false);
  }

  void ReadList(const std::string& name) {
    std::FILE* stream = stdin;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(nullptr, &std::fclose);
    if (name == "-") {
      os::SetBinaryMode(stdin);
    } else {
      file.reset(std::fopen(name.c_str(), "rb"));
      if (!file) {
        Fail(name, "cannot open the list");
        return;
      }
      stream = file.get();
    }
    NameListReader list(stream, options_.list_separator);
    std::string entry;
    while (list.Next(entry)) {
      if (!Queue(entry)) return;
    }
    if (list.Failed()) Fail(name, "cannot read the list");
  }

  void Fail(const std::string& path, const std::string& reason) {
    ++failures_;
    g_run->observer.EntryFailed(path, reason);
  }

  // False once the run is stopping.
  bool Queue(const std::string& path) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stopped_) return false;
    }
    // Checked as given: the full name has its ".." resolved on Windows.
    if (g_run->outdir && ClimbsOut(path)) {
      Fail(path, std::string("not converted: ") + kClimbsOutReason);
      return true;
    }
    os::ErrorCode error = 0;
    const os::PathKind kind = os::GetPathKind(path, error);
    if (kind == os::PathKind::kMissing) {
      Fail(path, error == 0 ? std::string("no such file or folder")
                            : "cannot examine it: " + os::SystemErrorText(error));
      return true;
    }
    // A drop passes such a file over in silence; named on a command line
    // or in a list, it deserves a word and a failing exit status.
    if (kind == os::PathKind::kFile && !batch::MatchesMaskList(path, batch::SupportedFileMasks)) {
      Fail(path, "not a supported document type");
      return true;
    }
    std::string full = os::FullPathName(path);
    if (kind == os::PathKind::kFolder) {
      // Its files are listed as FOLDER + separator + name: no separator at
      // its end, except the root's ("/", "C:\").
      while (full.size() > 1 && full.back() == os::kPathSeparator && full[full.size() - 2] != ':') {
        full.pop_back();
      }
    }
    if (g_run->outdir) g_run->outdir->AddNamedSource(full, path, kind == os::PathKind::kFolder);
    WaitForRoomInQueue();
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopped_) return false;
    // One entry per call, never split whatever bytes a name holds.
    batch::StartConversionJob(std::vector<std::string>{std::move(full)});
    return true;
  }

  void WaitForRoomInQueue() {
    for (;;) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopped_) return;
        const batch::JobProgress job = batch::ReadJobProgress();
        if (job.total - job.taken < kMaxWaitingEntries) return;
      }
      os::Sleep(5);
    }
  }

  static inline Feeder* g_feeder = nullptr;
  const Options options_;  // a copy: a feeder left blocked may outlive the caller's
  os::Thread thread_;
  std::mutex mutex_;  // stopped_, and every call into the job
  bool stopped_ = false;
  std::atomic<int> failures_{0};
};

}  // namespace

JobOutcome RunConversionJob(const Options& options) {
  // Never freed: a worker stuck in a converter may outlive the job's end
  // and still report, until the process ends.
  g_run = new Run;
  g_run->json_report = options.json_report;
  if (!options.outdir.empty()) {
    std::string reason;
    const std::string folder = os::FullPathName(options.outdir);
    if (!MakeFolderPath(folder, reason)) {
      // Nothing can be converted: one failure, and the report still ends
      // with its summary.
      g_run->observer.EntryFailed(options.outdir, reason);
      PrintSummary(false);
      JobOutcome outcome;
      outcome.failures = 1;
      return outcome;
    }
    g_run->outdir = std::make_unique<OutputFolder>(folder);
  }

  os::InstallInterruptHandler();
  os::NotificationListener listener(batch::WM_JOB_PROGRESS);
  const JobModules modules;  // after the listener: ends before it
  batch::TProcessParams params;
  params.NotifyWindow = listener.Handle();
  params.FileMasks = std::string(batch::SupportedFileMasks);
  params.Output = options.full_text ? import::HtmlOutput::kFullText : import::HtmlOutput::kClassic;
  params.WorkerCount = options.jobs;
  params.Observer = &g_run->observer;

  // One job for every entry, so that its failure count covers them all:
  // held open while the feeder still queues.
  batch::HoldJobOpen(true);
  batch::StartConversionJob(std::vector<std::string>{}, &params);
  if (batch::GetJobState() == batch::jsFinished) {
    throw std::runtime_error("cannot start the conversion: no worker thread could be created");
  }
  auto feeder = std::make_unique<Feeder>(options);
  if (!feeder->Start()) {
    batch::RequestStop();
    throw std::runtime_error("cannot start a thread to read the input");
  }

  ProgressDisplay display(options.json_report);
  JobOutcome outcome;
  bool stop_requested = false;
  for (;;) {
    listener.Wait(kRefreshMs);
    if (os::InterruptCount() >= 2) EndAtOnce();
    if (os::InterruptRequested() && !stop_requested) {
      batch::RequestStop();
      stop_requested = true;
    }
    const batch::JobProgress job = batch::ReadJobProgress();
    if (job.state == batch::jsFinished) {
      outcome.failures += job.last_failures;
      break;
    }
    if (!job.entry.empty()) display.Show(job.taken, job.total, job.entry);
  }
  outcome.failures += feeder->Failures();
  // A feeder blocked reading its list may wake after this function: it
  // must find itself still there, told to stop. The process ends soon.
  if (!feeder->Stop()) static_cast<void>(feeder.release());
  display.Finish();
  outcome.interrupted = stop_requested;
  outcome.interrupt_status = stop_requested ? os::InterruptExitStatus() : 0;
  PrintSummary(stop_requested);
  return outcome;
}

}  // namespace corvane::cli
