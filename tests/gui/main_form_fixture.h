// A real main window for each test, with the application object around it,
// and a record of what the window showed at every progress message.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/main_form.h"
#include "tests/gui/gui_test_support.h"

namespace corvane::gui_test {

// The geometry of the window at 96 pixels per inch.
inline constexpr int kImageWidth = 137;
inline constexpr int kImageHeight = 129;
inline constexpr int kBarHeight = 14;
inline constexpr int kButtonWidth = 37;
inline constexpr int kButtonHeight = 21;
inline constexpr int kBarTopShown = kImageHeight - kBarHeight;        // along the bottom edge
inline constexpr int kBarTopHidden = kImageHeight + kBarHeight;       // below the client area
inline constexpr int kButtonLeftShown = kImageWidth - kButtonWidth;   // top right corner
inline constexpr int kButtonLeftHidden = kImageWidth + kButtonWidth;  // right of the client area

// The window's state as the user sees it after one progress message.
struct Sight {
  int view = -1;
  std::string label;
  std::string caption;
  std::string title;  // the application's, on the taskbar
  std::string item_text;
  int bar_position = -1;
  RECT bar{};
  RECT button{};
};

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  app::TApplication& App() { return *application_; }
  app::TMainForm& Form() { return *form_; }

  Sight Look() const;
  // Pumps until `done`, recording a Sight after every progress message.
  bool PumpRecording(const std::function<bool()>& done, unsigned timeout_ms = kPatience);
  bool PumpUntilDone() {
    return PumpRecording([this] { return form_->ViewState() == app::vsDone; });
  }
  // Every recorded Sight is one the window may show: the processing view
  // with consistent numbers, or the done view.
  void ExpectConsistentSights(int errors) const;

  std::optional<PrivateCurrentUser> current_user_;
  std::unique_ptr<app::TApplication> application_;
  std::unique_ptr<app::TMainForm> form_;
  std::vector<Sight> sights_;
};

// The control's bounds in its parent's client coordinates.
RECT ChildBounds(HWND child);

}  // namespace corvane::gui_test
