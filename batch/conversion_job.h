// The process's one conversion job: a queue of files and folders, worker
// threads (two unless told otherwise), counters, a state, and a data-less progress notification
// to the window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "batch/walk_root.h"
#include "import/convert_document.h"
#include "import/html_output.h"
#include "os/os.h"

namespace corvane::batch {

enum TJobState : int {
  jsIdle = 0,      // no job has run yet
  jsStarting = 1,  // workers being created
  jsRunning = 2,   // the primary worker runs
  jsStopping = 3,  // stop requested, or the job is closing
  jsFinished = 4,  // the last job has closed
};

// The most workers one job runs.
inline constexpr int kMaxWorkers = 64;

// One file the job has finished with.
struct FileReport {
  std::string input;
  import::Outcome outcome;
  // The reason is an error the conversion raised (a file that cannot be
  // read or written), not the conversion's own answer.
  bool raised = false;
  std::int64_t milliseconds = 0;
};

// What a front end that tells its user more than the failure count hears
// from the job: each file's end and every other failure it counts. Called
// on the worker that met them, never under the job lock, so at once from
// several workers. It also places each file's output.
class JobObserver {
 public:
  virtual ~JobObserver() = default;
  // Where input's HTML goes: output left empty for the default, beside it.
  // False, with reason, when it can have no place: the file then fails.
  // Whether input is still to be converted: false passes it over, neither
  // converted nor counted, as a front end does with a file met twice.
  virtual bool ClaimInput(const std::string& input) {
    static_cast<void>(input);
    return true;
  }
  virtual bool PlaceOutput(const std::string& input, std::string& output, std::string& reason) = 0;
  virtual void FileFinished(const FileReport& report) = 0;
  // An entry that failed without a conversion: a folder that cannot be
  // listed, a name that cannot be examined or used, entries dropped because
  // no worker could be created.
  virtual void EntryFailed(const std::string& path, const std::string& reason) = 0;
};

struct TProcessParams {
  os::WindowHandle NotifyWindow = nullptr;  // receives WM_JOB_PROGRESS
  std::string FileMasks;                    // a file is converted only if it matches
  // Read when a job starts; entries that join a running job get its output.
  import::HtmlOutput Output = import::HtmlOutput::kClassic;
  // Worker threads of the job, 1 to kMaxWorkers; read when a job starts.
  int WorkerCount = 2;
  // Told of every file and failure; none for the window, which shows only
  // the count. Must outlive the job.
  JobObserver* Observer = nullptr;
};

// Posted, with no data, when a worker takes an entry and once when the job
// closes. The receiver reads the job data under the job lock. WM_USER + 10.
inline constexpr unsigned WM_JOB_PROGRESS = 0x400 + 10;

// Module start and end, called once each from the program's entry point.
// The end stops the job and waits a bounded time; a worker that outlives
// the wait keeps the job's lock and data alive until the process goes.
// Returns true when every worker has ended (other modules may then delete
// what workers use), false when one may still run.
void StartJobModule();
bool EndJobModule();

// Puts entries (full paths separated by single line feeds) in front of the
// queue. With params, starts the workers unless a job is under way, which
// the entries then join. A start while the job closes is kept and begins
// the next job once the close is done. Without params (the workers' own
// folder listings), the entries only join the running job.
void StartConversionJob(std::string_view entries, const TProcessParams* params = nullptr);

// The same for entries given one each: no name is ever split, whatever
// bytes it holds (a POSIX name may hold a line feed). The entries are
// taken from the last to the first, as the lines of a block are.
void StartConversionJob(const std::vector<std::string>& entries,
                        const TProcessParams* params = nullptr);

// A name handed in that no call can reach (it has no form in the system's
// code page): joins or starts the job as StartConversionJob does, and is
// one failure, told with reason, when a worker takes it.
void StartConversionJobWithUnusableName(const std::string& shown_name, const std::string& reason,
                                        const TProcessParams* params);

// For the workers' folder listings: queues one listed name into the
// running job. When it is taken, a link there is not followed into a
// folder, even if the name was a plain folder when it was listed, nor to
// a file outside root, the folder the walk began at.
void QueueListedEntry(std::string path, std::shared_ptr<const WalkRoot> root);

// For the workers: one entry that could not be handled (a folder that
// cannot be listed, a name that cannot be examined) is one failure of the
// job, told to the observer with its reason.
void CountEntryFailure(const std::string& path, const std::string& reason);

// While held, a job whose queue runs empty waits for more entries instead
// of closing: for a caller that queues a long list as it reads it. A stop
// still closes the job. Release it once the last entry is queued.
void HoldJobOpen(bool hold);

// Asks the running job to stop after the entries at hand. While the job
// closes, it also drops the entries that would start the next one.
void RequestStop();

// Requests a stop and waits up to 99 pauses of 100 ms for the job to close.
void StopAndWaitJob();

void LockJob();
void UnlockJob();
TJobState GetJobState();
void SetJobState(TJobState state);

// What the window shows on WM_JOB_PROGRESS, copied under the job lock in
// one go: the way every caller reads the job's progress.
struct JobProgress {
  std::string entry;  // empty once the job has closed
  std::int32_t taken = 0;
  std::int32_t total = 0;
  std::int32_t last_failures = 0;
  TJobState state = jsIdle;
};
JobProgress ReadJobProgress();

// The same facts one by one, for a caller that holds the job lock itself.
// Call between LockJob and UnlockJob; copy, then unlock before using them.
const std::string& CurrentEntry();
std::int32_t TakenCount();
std::int32_t TotalCount();
std::int32_t LastFailureCount();

// Seams for tests, set only while no job runs: the step that converts one
// file into output (empty: beside it; it may throw), and thread creation.
using ConvertFileFunction = import::Outcome (*)(const std::string& input, const std::string& output,
                                                import::HtmlOutput html_output);
using StartThreadFunction = bool (*)(os::Thread& thread, os::Thread::Procedure procedure,
                                     int argument);
void SetConvertFileFunction(ConvertFileFunction convert);
void SetStartThreadFunction(StartThreadFunction start);
// The pause between the bounded wait's checks (os::Sleep unless set), so
// that a test can count the pauses instead of spending them.
using PauseFunction = void (*)(unsigned milliseconds);
void SetPauseFunction(PauseFunction pause);

}  // namespace corvane::batch
