// How many workers a job runs, and a job held open while its entries are
// still being read.
#include "batch/conversion_job.h"

#include "batch/job_test_support.h"

namespace corvane::batch::testing {
namespace {

class JobWorkersTest : public JobTest, public ::testing::WithParamInterface<int> {};

// With the gate closed, every worker holds one file: as many files wait
// there as the job has workers, and no more.
TEST_P(JobWorkersTest, RunsAsManyWorkersAsAsked) {
  const int workers = GetParam();
  std::vector<std::string> files;
  for (int i = 0; i < workers + 2; ++i) files.push_back(MakeFile("f" + std::to_string(i) + ".rtf"));
  params_.WorkerCount = workers;
  CloseGate();
  StartConversionJob(files, &params_);
  WaitAtGate(workers);
  // A worker too many would reach the gate within this pause.
  os::Sleep(200);
  {
    std::lock_guard<std::mutex> lock(log_.mutex);
    EXPECT_EQ(log_.waiting_at_gate, workers);
  }
  EXPECT_EQ(g_thread_starts, workers);
  OpenGate();
  WaitForClose();
  EXPECT_EQ(Converted().size(), files.size());
}

INSTANTIATE_TEST_SUITE_P(Counts, JobWorkersTest, ::testing::Values(1, 2, 4));

TEST_F(JobTest, AWorkerCountOutOfRangeIsClamped) {
  params_.WorkerCount = 0;
  StartConversionJob(std::vector<std::string>{MakeFile("a.rtf")}, &params_);
  WaitForClose();
  EXPECT_EQ(g_thread_starts, 1);
  EXPECT_EQ(Converted().size(), 1u);
}

TEST_F(JobTest, AHeldJobWaitsForEntriesQueuedLaterAndCountsThemAll) {
  const std::string good = MakeFile("good.rtf");
  const std::string bad = MakeFile("bad.rtf");
  log_.failing.push_back(bad);
  HoldJobOpen(true);
  StartConversionJob(std::vector<std::string>{good}, &params_);
  // Long enough for the workers to drain the queue and, unheld, close.
  while (Converted().size() < 1) os::Sleep(10);
  os::Sleep(300);
  EXPECT_EQ(GetJobState(), jsRunning);
  StartConversionJob(std::vector<std::string>{bad});  // joins, as a feeder's entries do
  StartConversionJob(std::vector<std::string>{good});
  HoldJobOpen(false);
  WaitForClose();
  EXPECT_EQ(Converted().size(), 3u);
  EXPECT_EQ(ReadProgress().last_failures, 1);  // one job, so one count covers them all
}

TEST_F(JobTest, AStopClosesAHeldJob) {
  HoldJobOpen(true);
  StartConversionJob(std::vector<std::string>{MakeFile("a.rtf")}, &params_);
  RequestStop();
  WaitForClose();
  HoldJobOpen(false);
  EXPECT_EQ(GetJobState(), jsFinished);
}

}  // namespace
}  // namespace corvane::batch::testing
