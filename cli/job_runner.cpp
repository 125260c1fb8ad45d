#include "cli/job_runner.h"

#include <cstdio>
#include <exception>
#include <mutex>

#include "batch/conversion_job.h"
#include "batch/file_masks.h"
#include "cli/progress_line.h"
#include "import/convert_document.h"
#include "import/converter_host.h"
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
  std::fprintf(stderr, "corvane-cli: %s: %s\n", path.c_str(), reason.c_str());
}

// The job's conversion step, with the reason of each failure told.
bool ConvertAndReport(const std::string& path, import::HtmlOutput output) {
  try {
    if (import::ConvertDocumentFile(path, {}, output)) return true;
    ReportFailure(path, "not converted: no converter for this type is available");
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
      std::string line = FormatProgressLine(taken, total, entry, width);
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

}  // namespace

JobOutcome RunConversionJob(const std::vector<std::string>& paths, import::HtmlOutput output) {
  JobOutcome outcome;
  std::vector<std::string> entries;
  for (const std::string& path : paths) {
    const os::PathKind kind = os::GetPathKind(path);
    if (kind == os::PathKind::kMissing) {
      ReportFailure(path, "no such file or folder");
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
  import::StartConverterModule();
  batch::StartJobModule();
  batch::SetConvertFileFunction(&ConvertAndReport);
  os::ProgressListener listener;
  batch::TProcessParams params;
  params.NotifyWindow = listener.Handle();
  params.FileMasks = std::string(batch::SupportedFileMasks);
  params.Output = output;

  // One entry per call, as a drop hands them over; only the last call
  // starts the workers, so that all of them belong to one job and its
  // failure count covers them all.
  for (std::size_t i = 0; i < entries.size(); ++i) {
    batch::StartConversionJob(entries[i], i + 1 == entries.size() ? &params : nullptr);
  }

  ProgressDisplay display;
  bool stop_requested = false;
  for (;;) {
    listener.Wait(kRefreshMs);
    if (os::InterruptRequested() && !stop_requested) {
      batch::RequestStop();
      stop_requested = true;
    }
    batch::LockJob();
    const std::string entry = batch::CurrentEntry();
    const std::int32_t taken = batch::TakenCount();
    const std::int32_t total = batch::TotalCount();
    const std::int32_t last_failures = batch::LastFailureCount();
    const bool finished = batch::GetJobState() == batch::jsFinished;
    batch::UnlockJob();
    if (finished) {
      outcome.failures += last_failures;
      break;
    }
    if (!entry.empty()) display.Show(taken, total, entry);
  }
  display.Finish();
  outcome.interrupted = stop_requested;
  import::EndConverterModule(batch::EndJobModule());
  return outcome;
}

}  // namespace corvane::cli
