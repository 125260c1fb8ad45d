#include "batch/conversion_job.h"

#include <deque>

#include "batch/collect_files.h"
#include "batch/file_masks.h"
#include "import/convert_document.h"

namespace corvane::batch {

int ConversionWorker(int kind);

namespace {

bool ConvertWithDriver(const std::string& path, import::HtmlOutput output) {
  return import::ConvertDocumentFile(path, {}, output);
}

bool StartOsThread(os::Thread& thread, os::Thread::Procedure procedure, int argument) {
  return thread.Start(procedure, argument);
}

constexpr int kPrimary = 0;
constexpr int kSecondary = 1;
constexpr unsigned kIdlePollMs = 100;         // a waiting worker re-checks at least this often
constexpr unsigned kThreadEndWaitMs = 10000;  // a closed job's threads are only returning

struct Job {
  os::Lock lock;  // guards every member below
  // The next entry to take is at the back; a new block goes in front. Each
  // insert and take is O(1), whatever the queue's length.
  std::deque<std::string> queue;
  // Entries handed in with parameters while the job closes; they start the
  // next job once the close is done, instead of being swept away by it.
  std::deque<std::string> deferred;
  std::int32_t deferred_count = 0;
  std::string current_entry;
  std::int32_t taken_count = 0;
  std::int32_t total_count = 0;
  std::int32_t failure_count = 0;
  std::int32_t last_failure_count = 0;
  TJobState state = jsIdle;
  TProcessParams params;
  import::HtmlOutput output = import::HtmlOutput::kClassic;  // of the job under way
  int busy_workers = 0;           // workers handling an entry; they may queue more
  bool secondary_active = false;  // the secondary worker has not yet ended
  os::Thread workers[2];
  ConvertFileFunction convert = &ConvertWithDriver;
  StartThreadFunction start_thread = &StartOsThread;

  os::Event wake;  // entries queued, a worker went idle or ended, or a stop
};

Job* g_job = nullptr;

bool IsClosing(TJobState state) { return state == jsStopping || state == jsFinished; }

// Puts a block of entries in front so that its last line is taken first;
// returns how many entries it held. Empty lines are no entries: in the
// queue they would read as "no more work".
std::int32_t PutInFront(std::deque<std::string>& queue, std::string_view entries) {
  std::int32_t count = 0;
  std::size_t end = entries.size();
  while (end > 0) {
    const std::size_t feed = entries.rfind('\n', end - 1);
    const std::size_t begin = feed == std::string_view::npos ? 0 : feed + 1;
    if (end > begin) {
      queue.emplace_front(entries.substr(begin, end - begin));
      ++count;
    }
    if (feed == std::string_view::npos) break;
    end = feed;
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

void ProcessEntry(Job& job, const std::string& entry, const std::string& masks,
                  ConvertFileFunction convert, import::HtmlOutput output) {
  switch (os::GetPathKind(entry)) {
    case os::PathKind::kFolder: CollectFiles(entry, masks); break;
    case os::PathKind::kFile:
      if (MatchesMaskList(entry, masks) && !convert(entry, output)) CountFailure(job);
      break;
    case os::PathKind::kMissing: break;  // passed over, no failure
  }
}

// Takes and handles entries until the queue is empty with no worker that
// could still add to it, or the job is stopping.
void RunWorkerLoop(Job& job, int kind) {
  for (;;) {
    std::string entry;
    std::string masks;
    os::WindowHandle window = nullptr;
    ConvertFileFunction convert = nullptr;
    import::HtmlOutput output = import::HtmlOutput::kClassic;
    {
      os::LockGuard guard(job.lock);
      if (IsClosing(job.state)) return;
      if (job.queue.empty()) {
        if (job.busy_workers == 0) {
          // Decided under the lock: a start from now on sees the close.
          if (kind == kPrimary) job.state = jsStopping;
          return;
        }
      } else {
        entry = std::move(job.queue.back());
        job.queue.pop_back();
        job.current_entry = entry;
        masks = job.params.FileMasks;
        window = job.params.NotifyWindow;
        convert = job.convert;
        output = job.output;
        ++job.taken_count;
        ++job.busy_workers;
      }
    }
    if (entry.empty()) {
      // The other worker is busy and may still queue a folder's contents.
      job.wake.Wait(kIdlePollMs);
      continue;
    }
    os::PostJobProgress(window);
    try {
      ProcessEntry(job, entry, masks, convert, output);
    } catch (...) {
      // Whatever went wrong with this entry, it is one failed file; the
      // job goes on.
      CountFailure(job);
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

// Ends the previous secondary's handle, then starts a new secondary.
void StartSecondary(Job& job) {
  os::Thread previous;
  StartThreadFunction start_thread;
  {
    os::LockGuard guard(job.lock);
    previous = std::move(job.workers[kSecondary]);
    start_thread = job.start_thread;
  }
  previous.Join(kThreadEndWaitMs);
  os::Thread secondary;
  const bool started = start_thread(secondary, &ConversionWorker, kSecondary);
  os::LockGuard guard(job.lock);
  if (started) {
    job.workers[kSecondary] = std::move(secondary);
  } else {
    job.secondary_active = false;  // the primary works alone
  }
}

// The primary's close. Returns true when entries handed in during the close
// started the next job, which this thread then runs as its primary.
bool CloseJob(Job& job) {
  SetJobState(jsStopping);
  // Wait for the secondary's end: its last listing and its last failure
  // belong to this job, not to the next one.
  for (;;) {
    {
      os::LockGuard guard(job.lock);
      if (!job.secondary_active) break;
    }
    job.wake.Wait(kIdlePollMs);
  }
  os::WindowHandle window;
  {
    os::LockGuard guard(job.lock);
    window = ResetForClose(job);
  }
  os::PostJobProgress(window);
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
    job.secondary_active = true;
  }
  StartSecondary(job);
  return true;
}

void StartWorkers(Job& job) {
  os::Thread previous[2];
  StartThreadFunction start_thread;
  {
    os::LockGuard guard(job.lock);
    if (job.state == jsStarting || job.state == jsRunning || job.state == jsStopping) return;
    job.state = jsStarting;
    job.output = job.params.Output;
    job.current_entry.clear();
    job.taken_count = 0;
    job.busy_workers = 0;
    job.secondary_active = true;
    previous[kPrimary] = std::move(job.workers[kPrimary]);
    previous[kSecondary] = std::move(job.workers[kSecondary]);
    start_thread = job.start_thread;
  }
  // The previous job has closed; its threads are at most returning.
  for (os::Thread& thread : previous) thread.Join(kThreadEndWaitMs);

  os::Thread primary;
  if (!start_thread(primary, &ConversionWorker, kPrimary)) {
    // No worker means no close: close here so the next start works.
    os::WindowHandle window;
    {
      os::LockGuard guard(job.lock);
      window = ResetForClose(job);
      job.secondary_active = false;
      job.state = jsFinished;
    }
    os::PostJobProgress(window);
    return;
  }
  {
    os::LockGuard guard(job.lock);
    job.workers[kPrimary] = std::move(primary);
  }
  os::Sleep(0);  // let the primary begin before the secondary competes
  StartSecondary(job);
}

}  // namespace

// The thread procedure: kind 0 is the primary worker, which closes the job;
// kind 1 the secondary.
int ConversionWorker(int kind) {
  Job& job = *g_job;
  if (kind == kSecondary) {
    RunWorkerLoopSafely(job, kind);
    {
      os::LockGuard guard(job.lock);
      job.secondary_active = false;
    }
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
  os::Thread workers[2];
  bool closed;
  {
    os::LockGuard guard(g_job->lock);
    closed = g_job->state == jsIdle || g_job->state == jsFinished;
    workers[kPrimary] = std::move(g_job->workers[kPrimary]);
    workers[kSecondary] = std::move(g_job->workers[kSecondary]);
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

void StartConversionJob(std::string_view entries, const TProcessParams* params) {
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

void RequestStop() {
  Job& job = *g_job;
  {
    os::LockGuard guard(job.lock);
    if (job.state != jsStarting && job.state != jsRunning) return;
    job.state = jsStopping;
  }
  job.wake.Set();
}

void StopAndWaitJob() {
  Job& job = *g_job;
  {
    os::LockGuard guard(job.lock);
    if (job.state == jsIdle || job.state == jsFinished) return;
    job.state = jsStopping;
    job.deferred.clear();  // the program is ending: nothing may start after it
    job.deferred_count = 0;
  }
  job.wake.Set();
  constexpr int kChecks = 100;
  for (int check = 1; check <= kChecks; ++check) {
    const TJobState state = GetJobState();
    if (state == jsIdle || state == jsFinished) break;
    if (check < kChecks) os::Sleep(100);
  }
  // Handles of a closed job's workers go now; those of workers that
  // outlived the wait stay, so that the module's end can still tell.
  os::Thread workers[2];
  {
    os::LockGuard guard(job.lock);
    if (job.state != jsIdle && job.state != jsFinished) return;
    workers[kPrimary] = std::move(job.workers[kPrimary]);
    workers[kSecondary] = std::move(job.workers[kSecondary]);
  }
  for (os::Thread& worker : workers) worker.Join(kThreadEndWaitMs);
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

}  // namespace corvane::batch
