// A folder of mixed documents through the conversion job, both workers
// converting through registered converters.
#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "batch/conversion_job.h"
#include "batch/file_masks.h"
#include "converter_test_support.h"
#include "os/os.h"

namespace corvane::converter_testing {
namespace {

using JobThroughConvertersTest = ConverterTest;

TEST_F(JobThroughConvertersTest, AMixedFolderConvertsAndCountsWhatNoClassTakes) {
  for (const char* c : {"MSWord8", "MSWinWrite.wpc", "WorksWin5"}) {
    registry_.Register(c, ConverterNamed(c));
  }
  std::filesystem::create_directories(root_ / "docs" / "inner");
  const struct {
    const char* name;
    Script script;
    bool converts;
  } files[] = {
      {"docs/plain.rtf", {.document = "{\\rtf1 direct}"}, true},
      {"docs/letter.doc", {.document = "{\\rtf1 a letter}"}, true},
      {"docs/inner/Notes.WRI", {.document = "{\\rtf1 write notes}"}, true},
      {"docs/inner/sheet.wps", {.chunks = "1,0,2", .document = "{\\rtf1 works}"}, true},
      {"docs/inner/copied.doc",
       {.first = "-14", .delay_ms = 50, .document = "{\\rtf1 from a copy}"},
       true},
      {"docs/refused.doc", {.first = "1"}, false},  // its one class fails
      {"docs/inner/perfect.wpd", {}, false},        // no class registered
      {"docs/inner/unreadable.doc", {.first = "-1", .second = "-1"}, false},
  };
  for (const auto& f : files) {
    const std::string path = (root_ / f.name).make_preferred().string();
    Script script = f.script;
    script.log = log_;
    // The direct path reads RTF: give it the document alone.
    std::ofstream(path, std::ios::binary)
        << (path.ends_with(".rtf") ? script.document : script.Text());
  }
  // Not matched by the masks: left alone and not counted.
  std::ofstream(root_ / "docs" / "readme.txt") << "text";

  batch::StartJobModule();
  os::NotificationListener listener(batch::WM_JOB_PROGRESS);
  batch::TProcessParams params;
  params.NotifyWindow = listener.Handle();
  params.FileMasks = std::string(batch::SupportedFileMasks);
  batch::StartConversionJob((root_ / "docs").string(), &params);
  const bool closed = Eventually([&] {
    listener.Wait(50);
    return batch::GetJobState() == batch::jsFinished;
  });
  const std::int32_t failures = batch::ReadJobProgress().last_failures;
  import::EndConverterModule(batch::EndJobModule());
  import::StartConverterModule();

  ASSERT_TRUE(closed);
  EXPECT_EQ(failures, 3);
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    std::filesystem::path output = root_ / f.name;
    output.replace_extension(".html");
    ASSERT_EQ(std::filesystem::exists(output), f.converts);
    if (f.converts) {
      EXPECT_EQ(ReadAll(output), FramedDocument(f.script.document));
    }
  }
  EXPECT_FALSE(std::filesystem::exists(root_ / "docs" / "readme.html"));
  // Each converter run came and went before the next one began.
  const std::vector<LogEvent> log = Log();
  for (std::size_t i = 0; i + 1 < log.size(); i += 2) {
    EXPECT_EQ(log[i].event, "enter");
    EXPECT_EQ(log[i + 1].event, "leave");
    EXPECT_EQ(log[i]["file"], log[i + 1]["file"]);
    if (log[i]["copy"] == "1") {
      EXPECT_FALSE(Exists(log[i]["file"]));
    }
  }
}

// The bounded waits' pauses, counted instead of spent. A wait that went on
// past ten times its bound fails the test and opens the converter's gate,
// so that the fault shows instead of a hang.
std::atomic<int> g_pauses{0};
std::string g_gate;

void CountPause(unsigned /*milliseconds*/) {
  if (++g_pauses == 10 * 99) {
    ADD_FAILURE() << "the wait for the job's close has no bound";
    std::ofstream(g_gate, std::ios::binary) << "open";
  }
  std::this_thread::yield();
}

TEST_F(JobThroughConvertersTest, AConversionStuckInAConverterDoesNotHoldTheProgramsEnd) {
  registry_.Register("MSWord8", ConverterNamed("MSWord8"));
  const std::string gate = PathOf("gate");
  const std::string stuck = WriteScripted("stuck.doc", {.gate = gate});
  struct GateOpener {
    std::string gate;
    ~GateOpener() { std::ofstream(gate, std::ios::binary) << "open"; }
  } opener{gate};

  batch::StartJobModule();
  g_pauses = 0;
  g_gate = gate;
  batch::SetPauseFunction(&CountPause);
  os::NotificationListener listener(batch::WM_JOB_PROGRESS);
  batch::TProcessParams params;
  params.NotifyWindow = listener.Handle();
  params.FileMasks = std::string(batch::SupportedFileMasks);
  batch::StartConversionJob(stuck, &params);
  ASSERT_TRUE(Eventually([&] { return Entries(Log()).size() == 1; }));

  // The window's close, then the program's end, as the entry point has
  // them: each waits its bound and gives up on the worker in the converter,
  // which keeps the job and the converter host's lock.
  batch::StopAndWaitJob();
  const bool workers_ended = batch::EndJobModule();
  import::EndConverterModule(workers_ended);
  ASSERT_FALSE(workers_ended);  // else both modules are gone
  EXPECT_EQ(g_pauses, 2 * 99);
  EXPECT_EQ(batch::GetJobState(), batch::jsStopping);

  // Once the converter returns, the worker finishes its file and closes.
  std::ofstream(gate, std::ios::binary) << "open";
  EXPECT_TRUE(Eventually([&] {
    listener.Wait(50);
    return batch::GetJobState() == batch::jsFinished;
  }));
  const std::vector<LogEvent> log = Log();
  EXPECT_TRUE(log.size() == 2 && log[1].event == "leave") << "the converter did not return";
  import::EndConverterModule(batch::EndJobModule());
  import::StartConverterModule();
}

}  // namespace
}  // namespace corvane::converter_testing
