#include "batch/conversion_job.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <exception>
#include <utility>

#include "batch/collect_files.h"
#include "batch/file_masks.h"
#include "batch/queued_entry.h"
#include "import/convert_document.h"
#include "import/document_types.h"

namespace corvane::batch {

int ConversionWorker(int kind);

namespace {

import::Outcome ConvertWithDriver(const std::string& input, const std::string& output,
                                  import::HtmlOutput html_output){
    return import::ConvertDocument(input, output, html_output);
}

bool StartOsThread(os::Thread& thread, os::Thread::Procedure procedure, int argument) {
  return thread.Start(procedure, argument);
}

constexpr int kPrimary = 0;            // the worker that closes the job; the others are secondaries
constexpr unsigned kIdlePollMs = 100;  // a waiting worker re-checks at least this often
constexpr unsigned kThreadEndWaitMs = 10000;  // a closed job's threads are only returning

struct Job {
  os::Lock lock;  // guards every member below
  // The next entry to take is at the back; a new block goes in front. Each
  // insert and take is O(1), whatever the queue's length.
  std::deque<QueuedEntry> queue;
  // Entries handed in with parameters while the job closes; they start the
  // next job once the close is done, instead of being swept away by it.
  std::deque<QueuedEntry> deferred;
  std::int32_t deferred_count = 0;
  std::string current_entry;
  std::int32_t taken_count = 0;
  std::int32_t total_count = 0;
  std::int32_t failure_count = 0;
  std::int32_t last_failure_count = 0;
  TJobState state = jsIdle;
  TProcessParams params;
  import::HtmlOutput output = import::HtmlOutput::kClassic;  // of the job under way
  int busy_workers = 0;        // workers handling an entry; they may queue more
  int active_secondaries = 0;  // secondary workers that have not yet ended
  int worker_count = 2;        // of the job under way
  bool held_open = false;      // a feeder still queues: an empty queue is no end
  std::array<os::Thread, kMaxWorkers> workers;
  ConvertFileFunction convert = &ConvertWithDriver;
  StartThreadFunction start_thread = &StartOsThread;
  PauseFunction pause = &os::Sleep;

  os::Event wake;  // entries queued, a worker went idle or ended, or a stop
  // Waited on by the primary's close alone. Were it to wait on `wake`, it
  // could take the Set that its own last entry meant for an idle secondary,
  // and both would sleep out a whole poll before the job ends.
  os::Event secondary_ended;
};

Job* g_job = nullptr;

bool IsClosing(TJobState state) { return state == jsStopping || state == jsFinished; }

// Puts a block of entries in front so that its last line is taken first;
// returns how many entries it held. Empty lines are no entries: in the
// queue they would read as "no more work".
std::int32_t PutInFront(std::deque<QueuedEntry>& queue, std::string_view entries) {
  std::int32_t count = 0;
  std::size_t end = entries.size();
  while (end > 0) {
    const std::size_t feed = entries.rfind('\n', end - 1);
    const std::size_t begin = feed == std::string_view::npos ? 0 : feed + 1;
    if (end > begin) {
      queue.push_front(QueuedEntry{std::string(entries.substr(begin, end - begin)), false, {}, {}});
      ++count;
    }
    if (feed == std::string_view::npos) break;
    end = feed;
  }
  return count;
}

std::int32_t PutInFront(std::deque<QueuedEntry>& queue, const QueuedEntry& entry) {
  queue.push_front(entry);
  return 1;
}

std::int32_t PutInFront(std::deque<QueuedEntry>& queue, const std::vector<std::string>& entries) {
  std::int32_t count = 0;
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    if (entry->empty()) continue;
    queue.push_front(QueuedEntry{*entry, false, {}, {}});
    ++count;
  }
  return count;
}

// Clears the job data for the close; returns the window to tell.
os::WindowHandle ResetForClose(Job& job) {
  job.current_entry.clear();
  job.queue.clear();
  job.taken_count = 0;
  job.total_count = 0;
  job.last_failure_count = job.failure_count;
  job.failure_count = 0;
  return job.params.NotifyWindow;
}

void CountFailure(Job& job) {
  os::LockGuard guard(job.lock);
  ++job.failure_count;
}

JobObserver* ObserverOf(Job& job) {
  os::LockGuard guard(job.lock);
  return job.params.Observer;
}

void Report(Job& job, const std::string& path, const std::string& reason) {
  if (JobObserver* observer = ObserverOf(job)) observer->EntryFailed(path, reason);
}

void FailEntry(Job& job, const std::string& path, const std::string& reason) {
  CountFailure(job);
  Report(job, path, reason);
}

// One file: placed by the observer, converted, counted and told, an error
// the conversion raises included.
// Converts the file named path, reading it from source when that is given
// (a link's target, resolved once); the output goes where path's would.
void ConvertFile(Job& job, const std::string& path, ConvertFileFunction convert,
                 import::HtmlOutput output, const std::string& source = {}) {
  JobObserver* observer = ObserverOf(job);
  if (observer != nullptr && !observer->ClaimInput(path)) return;
  const auto start = std::chrono::steady_clock::now();
  FileReport report;
  report.input = path;
  std::string target;
  try {
    if (observer == nullptr || observer->PlaceOutput(path, target, report.outcome.reason)) {
      if (source.empty()) {
        report.outcome = convert(path, target, output);
      } else {
        if (target.empty()) target = import::DefaultOutputName(path);
        report.outcome = convert(source, target, output);
      }
    }
  } catch (const std::exception& error) {
    report.outcome = {false, {}, error.what()};
    report.raised = true;
  }
  if (!report.outcome.converted) CountFailure(job);
  if (observer == nullptr) return;
  report.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
  observer->FileFinished(report);
}

void ConvertIfMatching(Job& job, const std::string& path, const std::string& masks,
                       ConvertFileFunction convert, import::HtmlOutput output,
                       const std::string& source = {}) {
  if (MatchesMaskList(path, masks)) ConvertFile(job, path, convert, output, source);
}

// A file link met in a walk stands for its target, which must lie in the
// folder the walk began at: a link to a file elsewhere would put that
// file's text into the output. Its output is the link's own, as for any
// file of the folder; the text is read from the target resolved once, so
// that the link cannot be turned elsewhere after the check.
void FollowFileLink(Job& job, const QueuedEntry& entry, const std::string& masks,
                    ConvertFileFunction convert, import::HtmlOutput output) {
  os::ErrorCode error = 0;
  const std::string target = os::FinalPathName(entry.path, error);
  if (target.empty()) {
    FailEntry(job, entry.path,
              "not converted: cannot follow the link: " + os::SystemErrorText(error));
    return;
  }
  const std::string inside = entry.root ? NameInsideWalk(*entry.root, target) : std::string();
  if (inside.empty()) {
    FailEntry(job, entry.path, "not converted: a link to a file outside the folder named");
    return;
  }
  ConvertIfMatching(job, entry.path, masks, convert, output, inside);
}

void ProcessEntry(Job& job, const QueuedEntry& entry, const std::string& masks,
                  ConvertFileFunction convert, import::HtmlOutput output) {
  if (!entry.failure.empty()) {
    FailEntry(job, entry.path, entry.failure);
    return;
  }
  os::ErrorCode error = 0;
  if (!entry.listed) {
    // Named by the user: a link there is what they meant.
    switch (os::GetPathKind(entry.path, error)) {
      case os::PathKind::kFolder: CollectFiles(entry.path, masks, true); break;
      case os::PathKind::kFile: ConvertIfMatching(job, entry.path, masks, convert, output); break;
      case os::PathKind::kMissing:
        // Truly absent: passed over, no failure. Hidden from us: a failure.
        if (error != 0)
          FailEntry(job, entry.path, "cannot examine it: " + os::SystemErrorText(error));
        break;
    }
    return;
  }
  // Looked at as it stands now, without following a link: a folder that
  // was replaced by a link since it was listed is not descended.
  switch (os::ExamineName(entry.path, error)) {
    case os::NameKind::kNothing: break;
    case os::NameKind::kUnknown:
      FailEntry(job, entry.path, "cannot examine it: " + os::SystemErrorText(error));
      break;
    case os::NameKind::kFolder: CollectFiles(entry.path, masks, false, entry.root); break;
    case os::NameKind::kLink:
      if (os::GetPathKind(entry.path) == os::PathKind::kFolder) break;  // never followed
      FollowFileLink(job, entry, masks, convert, output);
      break;
    case os::NameKind::kFile:
    case os::NameKind::kSpecial: ConvertIfMatching(job, entry.path, masks, convert, output); break;
  }
}

// Takes and handles entries until the queue is empty with no worker that
// could still add to it, or the job is stopping.
void RunWorkerLoop(Job& job, int kind) {
  for (;;) {
    QueuedEntry entry;
    std::string masks;
    os::WindowHandle window = nullptr;
    ConvertFileFunction convert = nullptr;
    import::HtmlOutput output = import::HtmlOutput::kClassic;
    {
      os::LockGuard guard(job.lock);
      if (IsClosing(job.state)) return;
      if (job.queue.empty()) {
        if (job.busy_workers == 0 && !job.held_open) {
          // Decided under the lock: a start from now on sees the close.
          if (kind == kPrimary) job.state = jsStopping;
          return;
        }
      } else {
        entry = std::move(job.queue.back());
        job.queue.pop_back();
        job.current_entry = entry.path;
        masks = job.params.FileMasks;
        window = job.params.NotifyWindow;
        convert = job.convert;
        output = job.output;
        ++job.taken_count;
        ++job.busy_workers;
      }
    }
    if (entry.path.empty()) {
      // Another worker is busy and may still queue a folder's contents, or
      // a feeder holds the job open.
      job.wake.Wait(kIdlePollMs);
      continue;
    }
    os::PostNotification(window, WM_JOB_PROGRESS);
    try {
      ProcessEntry(job, entry, masks, convert, output);
    } catch (const std::exception& error) {
      // Whatever went wrong with this entry, it is one failed file; the
      // job goes on.
      FailEntry(job, entry.path, error.what());
    } catch (...) {
      FailEntry(job, entry.path, "an unknown error");
    }
    {
      os::LockGuard guard(job.lock);
      --job.busy_workers;
    }
    job.wake.Set();
  }
}

void RunWorkerLoopSafely(Job& job, int kind) {
  try {
    RunWorkerLoop(job, kind);
  } catch (...) {
    // Out of memory outside an entry: leave the loop so the job still closes.
  }
}

// Ends the previous secondaries' handles, then starts the new ones.
void StartSecondaries(Job& job) {
  StartThreadFunction start_thread;
  int count;
  {
    os::LockGuard guard(job.lock);
    start_thread = job.start_thread;
    count = job.worker_count;
  }
  for (int kind = kPrimary + 1; kind < count; ++kind) {
    os::Thread previous;
    {
      os::LockGuard guard(job.lock);
      previous = std::move(job.workers[static_cast<std::size_t>(kind)]);
    }
    previous.Join(kThreadEndWaitMs);
    os::Thread secondary;
    const bool started = start_thread(secondary, &ConversionWorker, kind);
    os::LockGuard guard(job.lock);
    if (started) {
      job.workers[static_cast<std::size_t>(kind)] = std::move(secondary);
    } else {
      --job.active_secondaries;  // the others work without it
    }
  }
}

int WorkerCountOf(const TProcessParams& params) {
  return std::clamp(params.WorkerCount, 1, kMaxWorkers);
}

// The primary's close. Returns true when entries handed in during the close
// started the next job, which this thread then runs as its primary.
bool CloseJob(Job& job) {
  SetJobState(jsStopping);
  // Wait for the secondaries' end: their last listings and failures
  // belong to this job, not to the next one.
  for (;;) {
    {
      os::LockGuard guard(job.lock);
      if (job.active_secondaries == 0) break;
    }
    job.secondary_ended.Wait(kIdlePollMs);
  }
  os::WindowHandle window;
  {
    os::LockGuard guard(job.lock);
    window = ResetForClose(job);
  }
  os::PostNotification(window, WM_JOB_PROGRESS);
  {
    os::LockGuard guard(job.lock);
    if (job.deferred.empty()) {
      job.state = jsFinished;
      return false;
    }
    job.queue.swap(job.deferred);
    job.total_count = job.deferred_count;
    job.deferred_count = 0;
    job.state = jsRunning;
    job.output = job.params.Output;
    job.worker_count = WorkerCountOf(job.params);
    job.active_secondaries = job.worker_count - 1;
  }
  StartSecondaries(job);
  return true;
}

void StartWorkers(Job& job) {
  std::array<os::Thread, kMaxWorkers> previous;
  StartThreadFunction start_thread;
  {
    os::LockGuard guard(job.lock);
    if (job.state == jsStarting || job.state == jsRunning || job.state == jsStopping) return;
    job.state = jsStarting;
    job.output = job.params.Output;
    job.worker_count = WorkerCountOf(job.params);
    job.current_entry.clear();
    job.taken_count = 0;
    job.busy_workers = 0;
    job.active_secondaries = job.worker_count - 1;
    previous.swap(job.workers);
    start_thread = job.start_thread;
  }
  // The previous job has closed; its threads are at most returning.
  for (os::Thread& thread : previous) thread.Join(kThreadEndWaitMs);

  os::Thread primary;
  if (!start_thread(primary, &ConversionWorker, kPrimary)) {
    // No worker means no close: close here so the next start works. Every
    // entry left unconverted is a failure of this job, not a silent loss.
    os::WindowHandle window;
    std::deque<QueuedEntry> dropped;
    JobObserver* observer;
    {
      os::LockGuard guard(job.lock);
      dropped.swap(job.queue);
      job.failure_count += static_cast<std::int32_t>(dropped.size());
      window = ResetForClose(job);
      job.active_secondaries = 0;
      job.state = jsFinished;
      observer = job.params.Observer;
    }
    if (observer != nullptr) {
      for (auto entry = dropped.rbegin(); entry != dropped.rend(); ++entry) {
        observer->EntryFailed(entry->path, "not converted: no worker thread could be created");
      }
    }
    os::PostNotification(window, WM_JOB_PROGRESS);
    return;
  }
  {
    os::LockGuard guard(job.lock);
    job.workers[kPrimary] = std::move(primary);
  }
  os::Sleep(0);  // let the primary begin before the secondaries compete
  StartSecondaries(job);
}

}  // namespace corvane::batch

// The thread procedure: kind 0 is the primary worker, which closes the job;
// the others are secondaries.
int ConversionWorker(int kind) {
  Job& job = *g_job;
  if (kind != kPrimary) {
    RunWorkerLoopSafely(job, kind);
    {
      os::LockGuard guard(job.lock);
      --job.active_secondaries;
    }
    job.secondary_ended.Set();
    job.wake.Set();
    return 0;
  }
  {
    // A stop that came while starting stands.
    os::LockGuard guard(job.lock);
    if (job.state == jsStarting) job.state = jsRunning;
  }
  do {
    RunWorkerLoopSafely(job, kind);
  } while (CloseJob(job));
  return 0;
}

void StartJobModule() {
  if (g_job == nullptr) g_job = new Job;
}

bool EndJobModule() {
  if (g_job == nullptr) return true;
  StopAndWaitJob();
  std::array<os::Thread, kMaxWorkers> workers;
  bool closed;
  {
    os::LockGuard guard(g_job->lock);
    closed = g_job->state == jsIdle || g_job->state == jsFinished;
    workers.swap(g_job->workers);
  }
  // A closed job's workers are at most returning; joining them makes sure
  // none is still inside the lock about to be deleted.
  bool ended = closed;
  for (os::Thread& worker : workers) {
    if (ended && worker.Started()) ended = worker.Join(kThreadEndWaitMs);
  }
  // A worker that outlived the wait may still take the lock; the process
  // ends soon anyway, so the job and its lock are left in place for it.
  if (ended) {
    delete g_job;
    g_job = nullptr;
  }
  return ended;
}

namespace {

template <class Entries>
void StartJobWith(const Entries& entries, const TProcessParams* params) {
  Job& job = *g_job;
  {
    os::LockGuard guard(job.lock);
    if (params != nullptr) job.params = *params;
    if (params != nullptr && job.state == jsStopping) {
      job.deferred_count += PutInFront(job.deferred, entries);
    } else {
      job.total_count += PutInFront(job.queue, entries);
    }
  }
  job.wake.Set();
  if (params != nullptr) StartWorkers(job);
}

}  // namespace

void StartConversionJob(std::string_view entries, const TProcessParams* params) {
  StartJobWith(entries, params);
}

void StartConversionJob(const std::vector<std::string>& entries, const TProcessParams* params) {
  StartJobWith(entries, params);
}

void StartConversionJobWithUnusableName(const std::string& shown_name, const std::string& reason,
                                        const TProcessParams* params) {
  StartJobWith(QueuedEntry{shown_name, false, reason.empty() ? "cannot be handled" : reason, {}},
               params);
}

void QueueListedEntry(std::string path, std::shared_ptr<const WalkRoot> root) {
  Job& job = *g_job;
  {
    os::LockGuard guard(job.lock);
    job.queue.push_front(QueuedEntry{std::move(path), true, {}, std::move(root)});
    ++job.total_count;
  }
  job.wake.Set();
}

void CountEntryFailure(const std::string& path, const std::string& reason) {
  FailEntry(*g_job, path, reason);
}

void HoldJobOpen(bool hold) {
  Job& job = *g_job;
  {
    os::LockGuard guard(job.lock);
    job.held_open = hold;
  }
  job.wake.Set();
}

void RequestStop() {
  Job& job = *g_job;
  {
    os::LockGuard guard(job.lock);
    if (job.state == jsStopping) {
      job.deferred.clear();  // the close must not start them after the stop
      job.deferred_count = 0;
    }
    if (job.state != jsStarting && job.state != jsRunning) return;
    job.state = jsStopping;
  }
  job.wake.Set();
}

void StopAndWaitJob() {
  Job& job = *g_job;
  PauseFunction pause;
  {
    os::LockGuard guard(job.lock);
    if (job.state == jsIdle || job.state == jsFinished) return;
    pause = job.pause;
    job.state = jsStopping;
    job.deferred.clear();  // the program is ending: nothing may start after it
    job.deferred_count = 0;
  }
  job.wake.Set();
  constexpr int kChecks = 100;
  for (int check = 1; check <= kChecks; ++check) {
    const TJobState state = GetJobState();
    if (state == jsIdle || state == jsFinished) break;
    if (check < kChecks) pause(100);
  }
  // Handles of a closed job's workers go now; those of workers that
  // outlived the wait stay, so that the module's end can still tell.
  std::array<os::Thread, kMaxWorkers> workers;
  {
    os::LockGuard guard(job.lock);
    if (job.state != jsIdle && job.state != jsFinished) return;
    workers.swap(job.workers);
  }
  for (std::size_t kind = 0; kind < workers.size(); ++kind) {
    os::Thread& worker = workers[kind];
    if (!worker.Started() || worker.Join(kThreadEndWaitMs)) continue;
    // Still running after the wait: its handle goes back, so that the
    // module's end can tell, unless a new job took its place meanwhile.
    os::LockGuard guard(job.lock);
    if (!job.workers[kind].Started()) job.workers[kind] = std::move(worker);
  }
}

void LockJob() { g_job->lock.Enter(); }
void UnlockJob() { g_job->lock.Leave(); }

TJobState GetJobState() {
  os::LockGuard guard(g_job->lock);
  return g_job->state;
}

void SetJobState(TJobState state) {
  os::LockGuard guard(g_job->lock);
  g_job->state = state;
}

JobProgress ReadJobProgress() {
  os::LockGuard guard(g_job->lock);
  return {g_job->current_entry, g_job->taken_count, g_job->total_count, g_job->last_failure_count,
          g_job->state};
}

const std::string& CurrentEntry() { return g_job->current_entry; }
std::int32_t TakenCount() { return g_job->taken_count; }
std::int32_t TotalCount() { return g_job->total_count; }
std::int32_t LastFailureCount() { return g_job->last_failure_count; }

void SetConvertFileFunction(ConvertFileFunction convert) {
  os::LockGuard guard(g_job->lock);
  g_job->convert = convert != nullptr ? convert : &ConvertWithDriver;
}

void SetStartThreadFunction(StartThreadFunction start) {
  os::LockGuard guard(g_job->lock);
  g_job->start_thread = start != nullptr ? start : &StartOsThread;
}

void SetPauseFunction(PauseFunction pause) {
  os::LockGuard guard(g_job->lock);
  g_job->pause = pause != nullptr ? pause : &os::Sleep;
}

}  // namespace corvane::batch
