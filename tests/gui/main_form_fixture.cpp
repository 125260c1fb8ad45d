#include "tests/gui/main_form_fixture.h"

#include <commctrl.h>

#include <cstdio>

#include "batch/conversion_job.h"

namespace corvane::gui_test {

RECT ChildBounds(HWND child) {
  RECT bounds{};
  ::GetWindowRect(child, &bounds);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&bounds), 2);
  return bounds;
}

void MainFormTest::SetUp() {
  current_user_.emplace();  // the output setting stays this test's own
  application_ = std::make_unique<app::TApplication>();
  form_ = std::make_unique<app::TMainForm>(*application_);
  application_->SetMainForm(form_.get());
  application_->ShowMainForm();
  PumpUntil(*application_, [] { return ::GetQueueStatus(QS_PAINT) == 0; });
}

void MainFormTest::TearDown() {
  // No job may outlive its window: it would post to a window that is gone.
  EXPECT_TRUE(WaitForJobEnd(*application_));
  form_.reset();
  application_.reset();
  current_user_.reset();
}

Sight MainFormTest::Look() const {
  Sight sight;
  sight.view = form_->ViewState();
  sight.label = form_->CenterLabel().Caption;
  sight.caption = WindowText(form_->Handle());
  sight.title = application_->Title();
  sight.item_text = form_->LastProgressText();
  sight.bar_position = static_cast<int>(::SendMessageA(form_->ProgressBar(), PBM_GETPOS, 0, 0));
  sight.bar = ChildBounds(form_->ProgressBar());
  sight.button = ChildBounds(form_->StopButton());
  return sight;
}

bool MainFormTest::PumpRecording(const std::function<bool()>& done, unsigned timeout_ms) {
  return PumpUntil(*application_, done, timeout_ms, [this](const MSG& message) {
    if (message.hwnd == form_->Handle() && message.message == batch::WM_JOB_PROGRESS) {
      sights_.push_back(Look());
    }
  });
}

void MainFormTest::ExpectConsistentSights(int errors) const {
  ASSERT_FALSE(sights_.empty());
  for (std::size_t i = 0; i < sights_.size(); ++i) {
    const Sight& s = sights_[i];
    SCOPED_TRACE("progress message " + std::to_string(i + 1) + ": " + s.item_text);
    EXPECT_EQ(s.bar.top, kBarTopShown);
    EXPECT_EQ(s.bar.bottom, kImageHeight);
    if (s.view == app::vsProcessing) {
      EXPECT_EQ(s.label, "Processing...");
      int taken = 0;
      int total = 0;
      char first_line_end = 0;
      ASSERT_EQ(
          std::sscanf(s.item_text.c_str(), "Item %d of %d%c", &taken, &total, &first_line_end), 3);
      EXPECT_EQ(first_line_end, '\n');
      EXPECT_GE(taken, 1);
      EXPECT_LE(taken, total);
      const int percent = taken * 100 / total;
      EXPECT_EQ(s.bar_position, percent);
      EXPECT_EQ(s.caption, "Corvane:" + std::to_string(percent) + "%");
      EXPECT_EQ(s.title, s.caption);
      EXPECT_EQ(s.button.left, kButtonLeftShown);
    } else {
      EXPECT_EQ(s.view, app::vsDone);
      EXPECT_EQ(s.label, "Done\nErrors: " + std::to_string(errors) + "\nDrop Files Here Again");
      EXPECT_EQ(s.bar_position, 100);
      EXPECT_EQ(s.caption, "Corvane");
      EXPECT_EQ(s.title, "Corvane:Done");
      EXPECT_EQ(s.button.left, kButtonLeftHidden);
    }
  }
  EXPECT_EQ(sights_.back().view, app::vsDone);
}

}  // namespace corvane::gui_test
