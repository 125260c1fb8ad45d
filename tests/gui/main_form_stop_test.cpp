// Stopping a job: the Stop button, Escape released anywhere in the window,
// and closing the window while a job runs.
#include <atomic>
#include <thread>

#include "batch/conversion_job.h"
#include "tests/gui/main_form_fixture.h"

namespace corvane::gui_test {
namespace {

constexpr int kManyFiles = 40;

// A job that runs with both workers held at the gate.
class LongJobTest : public MainFormTest {
 protected:
  void StartLongJob() {
    folder_.MakeFolder("many");
    for (int i = 0; i < kManyFiles; ++i)
      folder_.Write("many\\doc" + std::to_string(i) + ".rtf", kSmallRtf);
    PostDrop(Form().Handle(), {folder_.Path() + "many"});
    ASSERT_TRUE(PumpRecording(
        [this] { return gate_.Waiting() == 2 && Form().ViewState() == app::vsProcessing; }));
    ASSERT_EQ(batch::GetJobState(), batch::jsRunning);
  }

  ConversionGate gate_;
  TempFolder folder_;
};

enum class Action { kEscapeOnButton, kEscapeOnForm, kClickStop, kOtherKeyOnButton };

struct StopCase {
  const char* name;
  Action action;
  bool stops;
};

void PrintTo(const StopCase& c, std::ostream* out) { *out << c.name; }

class StopTest : public LongJobTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopTest, StopsAfterTheFilesAtHand) {
  StartLongJob();
  const StopCase& c = GetParam();
  switch (c.action) {
    // Posted as the keyboard would: the loop's key preview must see them.
    case Action::kEscapeOnButton:
      ::PostMessageA(Form().StopButton(), WM_KEYUP, VK_ESCAPE, 0xC0010001);
      break;
    case Action::kEscapeOnForm:
      ::PostMessageA(Form().Handle(), WM_KEYUP, VK_ESCAPE, 0xC0010001);
      break;
    case Action::kClickStop: ::PostMessageA(Form().StopButton(), BM_CLICK, 0, 0); break;
    case Action::kOtherKeyOnButton:
      ::PostMessageA(Form().StopButton(), WM_KEYUP, 'A', 0xC01E0001);
      break;
  }
  ASSERT_TRUE(PumpUntil(App(), [] { return ::GetQueueStatus(QS_ALLINPUT) == 0; }));
  EXPECT_EQ(batch::GetJobState(), c.stops ? batch::jsStopping : batch::jsRunning);
  gate_.Open();
  ASSERT_TRUE(PumpUntilDone());
  ExpectConsistentSights(0);
  // The two files at the gate were finished; the rest were dropped.
  EXPECT_EQ(gate_.Converted().size(), c.stops ? 2u : static_cast<std::size_t>(kManyFiles));
}

INSTANTIATE_TEST_SUITE_P(
    Actions, StopTest,
    ::testing::Values(StopCase{"EscapeReleasedOnTheStopButton", Action::kEscapeOnButton, true},
                      StopCase{"EscapeReleasedOnTheForm", Action::kEscapeOnForm, true},
                      StopCase{"StopButtonClicked", Action::kClickStop, true},
                      StopCase{"AnotherKeyDoesNothing", Action::kOtherKeyOnButton, false}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

TEST_F(MainFormTest, EscapeWithoutAJobChangesNothing) {
  ::PostMessageA(Form().Handle(), WM_KEYUP, VK_ESCAPE, 0xC0010001);
  ASSERT_TRUE(PumpUntil(App(), [] { return ::GetQueueStatus(QS_ALLINPUT) == 0; }));
  EXPECT_EQ(batch::GetJobState(), batch::jsIdle);
  EXPECT_EQ(Form().ViewState(), app::vsIdle);
  EXPECT_EQ(Form().CenterLabel().Caption, "Drop Files Here");
}

DWORD TimeToClose(app::TMainForm& form) {
  const DWORD start = ::GetTickCount();
  ::SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
  return ::GetTickCount() - start;
}

TEST_F(LongJobTest, CloseWaitsForAStuckJobNoLongerThanItsBound) {
  StartLongJob();
  // The gate stays shut: the conversions never end while the window closes.
  const DWORD waited = TimeToClose(Form());
  EXPECT_EQ(Form().Handle(), nullptr);
  // 99 pauses of 100 ms, and some slack for a slow machine above it.
  EXPECT_GE(waited, 9'000u);
  EXPECT_LT(waited, 9'900u + 10'000u);
  gate_.Open();
}

TEST_F(LongJobTest, CloseReturnsOnceTheJobHasClosed) {
  StartLongJob();
  // Opens the gate as soon as the close has asked the job to stop.
  std::atomic<bool> opened{false};
  std::thread opener([&] {
    const DWORD start = ::GetTickCount();
    while (batch::GetJobState() != batch::jsStopping && ::GetTickCount() - start < kPatience)
      ::Sleep(5);
    opened = batch::GetJobState() == batch::jsStopping;
    gate_.Open();
  });
  const DWORD waited = TimeToClose(Form());
  opener.join();
  EXPECT_TRUE(opened);
  EXPECT_EQ(Form().Handle(), nullptr);
  EXPECT_EQ(gate_.Converted().size(), 2u);
  // Far below the bound: the wait ended with the job.
  EXPECT_LT(waited, 9'000u);
}

TEST_F(MainFormTest, CloseWithoutAJobDoesNotWait) {
  const DWORD waited = TimeToClose(Form());
  EXPECT_EQ(Form().Handle(), nullptr);
  EXPECT_LT(waited, 9'000u);
}

}  // namespace
}  // namespace corvane::gui_test
