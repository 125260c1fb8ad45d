#include "cli/job_runner.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <mutex>

#include "batch/conversion_job.h"
#include "batch/file_masks.h"
#include "cli/progress_line.h"
#include "import/convert_document.h"
#include "import/converter_host.h"
#include "import/failure_reason.h"
#include "import/file_io.h"
#include "os/console.h"
#include "os/os.h"

namespace corvane::cli {
namespace {

constexpr unsigned kRefreshMs = 100;

// Workers report failures while the main thread redraws the progress line.
std::mutex g_output_mutex;
bool g_progress_on_terminal = false;

void ReportFailure(const std::string& path, const std::string& reason) {
  std::lock_guard<std::mutex> lock(g_output_mutex);
  if (g_progress_on_terminal) std::fputs("\r\n", stderr);  // keep the message off the bar
  const std::string shown = g_progress_on_terminal ? EscapeControlCharacters(path) : path;
  std::fprintf(stderr, "corvane-cli: %s: %s\n", shown.c_str(), reason.c_str());
}

// The job's conversion step, with the reason of each failure told.
bool ConvertAndReport(const std::string& path, import::HtmlOutput output) {
  try {
    if (import::ConvertDocumentFile(path, {}, output)) return true;
    const std::string& reason = import::LastFailureReason();
    ReportFailure(path,
                  "not converted: " + (reason.empty() ? std::string("no reason given") : reason));
  } catch (const std::exception& error) {
    ReportFailure(path, error.what());
  }
  return false;
}

class ProgressDisplay {
 public:
  ProgressDisplay() : terminal_(os::IsTerminal(stderr)) { g_progress_on_terminal = terminal_; }

  void Show(std::int32_t taken, std::int32_t total, const std::string& entry) {
    if (taken == last_taken_ && total == last_total_) return;
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

[[noreturn]] void EndAtOnce() {
  import::RemoveOutputsInProgress();
  // A worker blocked writing to a full pipe must not hold the exit up.
  const std::unique_lock<std::mutex> lock(g_output_mutex, std::try_to_lock);
  if (lock.owns_lock()) {
    std::fputs(g_progress_on_terminal ? "\r\ncorvane-cli: stopped at once\n"
                                      : "corvane-cli: stopped at once\n",
               stderr);
    std::fflush(stderr);
  }
  std::_Exit(os::InterruptExitStatus());
}

}  // namespace

JobOutcome RunConversionJob(const std::vector<std::string>& paths, import::HtmlOutput output) {
  JobOutcome outcome;
  std::vector<std::string> entries;
  for (const std::string& path : paths) {
    os::ErrorCode error = 0;
    const os::PathKind kind = os::GetPathKind(path, error);
    if (kind == os::PathKind::kMissing) {
      ReportFailure(path, error == 0 ? std::string("no such file or folder")
                                     : "cannot examine it: " + os::SystemErrorText(error));
      ++outcome.failures;
      continue;
    }
    // A drop passes such a file over in silence; named on a command line,
    // it deserves a word and a failing exit status.
    if (kind == os::PathKind::kFile && !batch::MatchesMaskList(path, batch::SupportedFileMasks)) {
      ReportFailure(path, "not a supported document type");
      ++outcome.failures;
      continue;
    }
    entries.push_back(os::FullPathName(path));
  }
  if (entries.empty()) return outcome;

  os::InstallInterruptHandler();
  os::NotificationListener listener(batch::WM_JOB_PROGRESS);
  const JobModules modules;  // after the listener: ends before it
  batch::SetConvertFileFunction(&ConvertAndReport);
  batch::SetReportFailureFunction(&ReportFailure);
  batch::TProcessParams params;
  params.NotifyWindow = listener.Handle();
  params.FileMasks = std::string(batch::SupportedFileMasks);
  params.Output = output;

  // One entry per call, as a drop hands them over, never split whatever
  // bytes a name holds; only the last call starts the workers, so that all
  // of them belong to one job and its failure count covers them all.
  for (std::size_t i = 0; i < entries.size(); ++i) {
    batch::StartConversionJob(std::vector<std::string>{entries[i]},
                              i + 1 == entries.size() ? &params : nullptr);
  }

  ProgressDisplay display;
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
  display.Finish();
  outcome.interrupted = stop_requested;
  outcome.interrupt_status = stop_requested ? os::InterruptExitStatus() : 0;
  return outcome;
}

}  // namespace corvane::cli
