#include "batch/conversion_job.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "batch/job_test_support.h"
#include "batch/queued_entry.h"

namespace corvane::batch::testing {
namespace {

std::string Lines(const std::vector<std::string>& entries) {
  std::string joined;
  for (const std::string& e : entries) {
    if (!joined.empty()) joined += '\n';
    joined += e;
  }
  return joined;
}

TEST_F(JobTest, FolderCountsItselfAndItsMatchingFiles) {
  const std::string folder = MakeFolder("docs");
  MakeFile("docs/a.rtf");
  MakeFile("docs/b.DOC");
  MakeFile("docs/c.txt");
  CloseGate();
  StartConversionJob(folder, &params_);
  // A file at the gate was found by the listing, so the count is complete.
  WaitAtGate(1);
  EXPECT_EQ(ReadProgress().total, 3);
  OpenGate();
  int messages = 0;
  while (GetJobState() != jsFinished) messages += listener_.Wait(20);
  messages += listener_.Wait(0);
  const Progress closed = ReadProgress();
  EXPECT_EQ(closed.entry, "");
  EXPECT_EQ(closed.taken, 0);
  EXPECT_EQ(closed.total, 0);
  EXPECT_EQ(closed.last_failures, 0);
  EXPECT_EQ(messages, 3 + 1);  // one per entry taken, one at the close
  std::vector<std::string> converted = Converted();
  std::sort(converted.begin(), converted.end());
  EXPECT_EQ(converted, (std::vector<std::string>{(root_ / "docs" / "a.rtf").string(),
                                                 (root_ / "docs" / "b.DOC").string()}));
}

TEST_F(JobTest, BlockIsTakenLastLineFirstAndLaterBlocksAfterIt) {
  g_refuse_thread_kind = 1;  // one worker makes the order observable
  const std::string a = MakeFile("A.rtf"), b = MakeFile("B.rtf"), c = MakeFile("C.rtf");
  const std::string d = MakeFile("D.rtf"), e = MakeFile("E.rtf"), f = MakeFile("F.rtf");
  CloseGate();
  StartConversionJob(Lines({a, b, c}), &params_);
  WaitAtGate(1);
  EXPECT_EQ(ReadProgress().total, 3);
  StartConversionJob(Lines({d, e}), &params_);
  StartConversionJob(f, &params_);
  EXPECT_EQ(ReadProgress().total, 6);
  OpenGate();
  WaitForClose();
  EXPECT_EQ(Converted(), (std::vector<std::string>{c, b, a, e, d, f}));
}

TEST_F(JobTest, StartWhileRunningStartsNoWorker) {
  const std::string a = MakeFile("a.rtf"), b = MakeFile("b.rtf");
  CloseGate();
  StartConversionJob(a, &params_);
  WaitAtGate(1);
  StartConversionJob(b, &params_);
  EXPECT_EQ(g_thread_starts, 2);
  OpenGate();
  WaitForClose();
  EXPECT_EQ(g_thread_starts, 2);
  EXPECT_EQ(Converted().size(), 2u);
}

TEST_F(JobTest, AJobKeepsTheOutputItStartedWith) {
  using import::HtmlOutput;
  g_refuse_thread_kind = 1;  // one worker makes the order observable
  const std::string a = MakeFile("a.rtf"), b = MakeFile("b.rtf"), c = MakeFile("c.rtf");
  CloseGate();
  params_.Output = HtmlOutput::kFullText;
  StartConversionJob(a, &params_);
  WaitAtGate(1);
  // Joins the running job: the setting changed meanwhile does not apply.
  TProcessParams classic = params_;
  classic.Output = HtmlOutput::kClassic;
  StartConversionJob(b, &classic);
  OpenGate();
  WaitForClose();
  StartConversionJob(c, &classic);
  WaitForClose();
  EXPECT_EQ(Converted(), (std::vector<std::string>{a, b, c}));
  EXPECT_EQ(Outputs(), (std::vector<HtmlOutput>{HtmlOutput::kFullText, HtmlOutput::kFullText,
                                                HtmlOutput::kClassic}));
}

TEST_F(JobTest, PassedOverEntriesCountAsTakenNotFailed) {
  const std::string missing = (root_ / "nowhere.rtf").string();
  const std::string other = MakeFile("notes.txt");
  const std::string bad = MakeFile("bad.rtf");
  log_.failing = {bad};
  StartConversionJob(Lines({missing, other, bad}), &params_);
  EXPECT_EQ(WaitForClose(), 3 + 1);
  EXPECT_EQ(ReadProgress().last_failures, 1);
  EXPECT_EQ(Converted(), std::vector<std::string>{bad});
}

TEST_F(JobTest, AnErrorFromAFileCountsItAndTheJobGoesOn) {
  const std::string a = MakeFile("a.rtf"), b = MakeFile("b.rtf"), c = MakeFile("c.rtf");
  log_.throwing = {b};
  log_.failing = {c};
  StartConversionJob(Lines({a, b, c}), &params_);
  WaitForClose();
  EXPECT_EQ(ReadProgress().last_failures, 2);
  EXPECT_EQ(Converted().size(), 3u);
}

TEST_F(JobTest, StopDropsPendingEntriesAndTheNextJobStartsAtZero) {
  g_refuse_thread_kind = 1;
  std::vector<std::string> files;
  for (int i = 0; i < 5; ++i) files.push_back(MakeFile("f" + std::to_string(i) + ".rtf"));
  log_.failing = {files.back()};  // taken first
  CloseGate();
  StartConversionJob(Lines(files), &params_);
  WaitAtGate(1);
  RequestStop();
  EXPECT_EQ(GetJobState(), jsStopping);
  OpenGate();
  WaitForClose();
  EXPECT_EQ(Converted().size(), 1u);
  EXPECT_EQ(ReadProgress().last_failures, 1);  // counted before the stop

  CloseGate();
  StartConversionJob(files.front(), &params_);
  WaitAtGate(1);
  const Progress next = ReadProgress();
  EXPECT_EQ(next.taken, 1);
  EXPECT_EQ(next.total, 1);
  OpenGate();
  WaitForClose();
  EXPECT_EQ(ReadProgress().last_failures, 0);
}

TEST_F(JobTest, StopOutsideAJobChangesNothing) {
  RequestStop();
  EXPECT_EQ(GetJobState(), jsIdle);
  StopAndWaitJob();
  EXPECT_EQ(GetJobState(), jsIdle);
  StartConversionJob(MakeFile("a.rtf"), &params_);
  WaitForClose();
  RequestStop();
  EXPECT_EQ(GetJobState(), jsFinished);
}

TEST_F(JobTest, StopAndWaitReturnsOnceTheJobHasClosed) {
  CloseGate();
  StartConversionJob(Lines({MakeFile("a.rtf"), MakeFile("b.rtf"), MakeFile("c.rtf")}), &params_);
  WaitAtGate(2);
  std::atomic<bool> returned{false};
  std::thread stopper([&] {
    StopAndWaitJob();
    returned = true;
  });
  // Held at the gate, the job cannot close, so the wait goes on.
  while (GetJobState() != jsStopping) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(returned);
  EXPECT_NE(GetJobState(), jsFinished);
  OpenGate();
  stopper.join();
  EXPECT_EQ(GetJobState(), jsFinished);
}

TEST_F(JobTest, AStartDuringTheCloseBecomesTheNextJob) {
  g_refuse_thread_kind = 1;
  const std::string a = MakeFile("a.rtf"), b = MakeFile("b.rtf"), late = MakeFile("late.rtf");
  log_.failing = {a};
  CloseGate();
  StartConversionJob(Lines({b, a}), &params_);
  WaitAtGate(1);
  RequestStop();
  StartConversionJob(late, &params_);  // the job is stopping: kept for the next one
  OpenGate();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (Converted().size() < 2 && std::chrono::steady_clock::now() < deadline) listener_.Wait(20);
  WaitForClose();
  EXPECT_EQ(Converted(), (std::vector<std::string>{a, late}));
  EXPECT_EQ(ReadProgress().last_failures, 0);  // a's failure belonged to the stopped job
}

TEST_F(JobTest, AStopDuringTheCloseAlsoDropsTheEntriesForTheNextJob) {
  g_refuse_thread_kind = 1;
  const std::string a = MakeFile("a.rtf"), late = MakeFile("late.rtf");
  CloseGate();
  StartConversionJob(a, &params_);
  WaitAtGate(1);
  RequestStop();
  StartConversionJob(late, &params_);  // kept for the next job...
  RequestStop();                       // ...until a stop comes before it starts
  OpenGate();
  WaitForClose();
  listener_.Wait(200);
  EXPECT_EQ(GetJobState(), jsFinished);
  EXPECT_EQ(Converted(), (std::vector<std::string>{a}));
}

TEST_F(JobTest, ANameNoCallCanReachIsOneReportedFailure) {
  const std::string good = MakeFile("good.rtf");
  StartConversionJob(std::vector<std::string>{good}, nullptr);
  StartConversionJobWithUnusableName("?doc.rtf", "the name has no form in the system's code page",
                                     &params_);
  WaitForClose();
  EXPECT_EQ(Converted(), std::vector<std::string>{good});
  EXPECT_EQ(ReadProgress().last_failures, 1);
  EXPECT_EQ(ReportedFailures(),
            std::vector<std::string>{"?doc.rtf: the name has no form in the system's code page"});
}

TEST_F(JobTest, AWorkerThatCannotBeCreatedLeavesNoJobStuck) {
  g_refuse_thread_kind = 0;
  const std::string a = MakeFile("a.rtf"), b = MakeFile("b.rtf");
  StartConversionJob(std::vector<std::string>{a, b}, &params_);
  EXPECT_EQ(GetJobState(), jsFinished);
  EXPECT_EQ(listener_.Wait(1000), 1);  // the close is told
  // Nothing was converted, and that is no success.
  EXPECT_EQ(ReadProgress().last_failures, 2);
  std::vector<std::string> reports = ReportedFailures();
  std::sort(reports.begin(), reports.end());
  EXPECT_EQ(reports,
            (std::vector<std::string>{a + ": not converted: no worker thread could be created",
                                      b + ": not converted: no worker thread could be created"}));
  g_refuse_thread_kind = -1;
  StartConversionJob(MakeFile("b.rtf"), &params_);
  WaitForClose();
  EXPECT_EQ(Converted().size(), 1u);
}

TEST_F(JobTest, NoEntryOfTheSecondarysLastListingIsLost) {
  // Many small folders: the workers keep finding the queue momentarily
  // empty while the other one is still listing.
  std::vector<std::string> folders;
  int files = 0;
  for (int f = 0; f < 40; ++f) {
    const std::string folder = "d" + std::to_string(f);
    folders.push_back(MakeFolder(folder));
    for (int i = 0; i < f % 4; ++i, ++files) MakeFile(folder + "/x" + std::to_string(i) + ".rtf");
  }
  for (int round = 0; round < 10; ++round) {
    {
      std::lock_guard<std::mutex> lock(log_.mutex);
      log_.converted.clear();
    }
    StartConversionJob(Lines(folders), &params_);
    WaitForClose();
    ASSERT_EQ(static_cast<int>(Converted().size()), files) << "round " << round;
  }
}

TEST_F(JobTest, LargeBlocksQueueAndDrainInLinearTime) {
  // Work is counted in entries moved: ten times the entries cost about ten
  // times as many with a linear queue, about a hundred times with one that
  // shifts or copies itself on every insert or take.
  const auto queue_and_drain = [&](int entries) {
    std::string block;
    for (int i = 0; i < entries; ++i) {
      if (i) block += '\n';
      block += (root_ / ("missing" + std::to_string(i) + ".rtf")).string();
    }
    const std::int64_t before = QueuedEntryTransfers();
    StartConversionJob(block, &params_);
    EXPECT_EQ(WaitForClose(), entries + 1);
    return QueuedEntryTransfers() - before;
  };
  const std::int64_t small = queue_and_drain(1000);
  const std::int64_t large = queue_and_drain(10000);
  ASSERT_GE(small, 1000);
  ASSERT_LT(large, 20 * small) << "entries moved for 1000 entries: " << small
                               << ", for 10000: " << large;
  // 100,000 entries in one call, as a drop of a large tree hands in.
  queue_and_drain(100000);
}

TEST_F(JobTest, StartStopStressLeavesAConsistentJob) {
  std::vector<std::string> files;
  for (int i = 0; i < 20; ++i) files.push_back(MakeFile("s" + std::to_string(i) + ".rtf"));
  const std::string block = Lines(files);
  for (int round = 0; round < 200; ++round) {
    StartConversionJob(block, &params_);
    if (round % 3 == 0) RequestStop();
    if (round % 7 == 0) StopAndWaitJob();
    StartConversionJob(files[static_cast<std::size_t>(round) % files.size()], &params_);
  }
  WaitForClose();
  const Progress closed = ReadProgress();
  EXPECT_EQ(closed.entry, "");
  EXPECT_EQ(closed.taken, 0);
  EXPECT_EQ(closed.total, 0);
}

// The bounded waits' pauses, counted in milliseconds instead of spent. A
// wait that went on past ten times its bound fails the test and frees the
// stuck conversion, so that the fault shows instead of a hang.
std::atomic<long long> g_paused_ms{0};
constexpr long long kStopWaitMs = 99 * 100;

void CountPause(unsigned milliseconds) {
  if ((g_paused_ms += milliseconds) == 10 * kStopWaitMs) {
    ADD_FAILURE() << "the wait for the job's close has no bound";
    std::lock_guard<std::mutex> lock(g_log->mutex);
    g_log->gate_open = true;
    g_log->changed.notify_all();
  }
  std::this_thread::yield();
}

TEST_F(JobTest, AConversionStuckInAConverterHoldsNeitherTheWindowNorTheProgramsEnd) {
  g_paused_ms = 0;
  SetPauseFunction(&CountPause);
  CloseGate();
  StartConversionJob(MakeFile("stuck.rtf"), &params_);
  WaitAtGate(1);
  // The window's close, then the module's end at the program's end: each
  // waits its bound and gives up on the worker.
  StopAndWaitJob();
  EXPECT_EQ(g_paused_ms, kStopWaitMs);
  EXPECT_EQ(GetJobState(), jsStopping);
  ASSERT_FALSE(EndJobModule());  // else the job is gone
  EXPECT_EQ(g_paused_ms, 2 * kStopWaitMs);
  // The job was left in place for the worker: once its conversion returns,
  // it closes the job as usual.
  OpenGate();
  WaitForClose();
  EXPECT_EQ(Converted(), std::vector<std::string>{(root_ / "stuck.rtf").string()});
  EXPECT_TRUE(EndJobModule());
}

TEST_F(JobTest, TheProgramEndsWithCodeZeroWhileAConversionIsStuck) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        SetPauseFunction(&CountPause);
        CloseGate();
        StartConversionJob(MakeFile("stuck.rtf"), &params_);
        WaitAtGate(1);
        StopAndWaitJob();
        const bool ended = EndJobModule();
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);  // no TearDown in this process
        // As the program's entry point returns: the worker is still stuck.
        std::exit(ended ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(JobTest, TheModuleEndsWhenItsWorkersHaveEndedAndStartsAfresh) {
  EXPECT_TRUE(EndJobModule());  // no job ever ran
  StartJobModule();
  SetConvertFileFunction(&FakeConvert);
  StartConversionJob(MakeFile("a.rtf"), &params_);
  WaitForClose();
  EXPECT_TRUE(EndJobModule());
  StartJobModule();
  SetConvertFileFunction(&FakeConvert);
  EXPECT_EQ(GetJobState(), jsIdle);
  EXPECT_EQ(ReadProgress().last_failures, 0);
}

}  // namespace
}  // namespace corvane::batch::testing
