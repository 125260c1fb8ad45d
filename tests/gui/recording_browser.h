// The recording browser as the prefix's http handler for one test: pages
// the program opens land as lines in a log instead of in a browser. The
// previous handler is put back afterwards.
#pragma once

#include <windows.h>

#include <string>

namespace corvane::gui_test {

class RecordingBrowser {
 public:
  explicit RecordingBrowser(const std::string& browser_exe);
  ~RecordingBrowser();
  RecordingBrowser(const RecordingBrowser&) = delete;
  RecordingBrowser& operator=(const RecordingBrowser&) = delete;

  bool Registered() const { return key_ != nullptr; }
  // The addresses opened so far, one a line, once `count` have arrived (or
  // `patience_ms` have passed). A check that nothing opened waits for one
  // with a short patience: a browser started late still shows.
  std::string Opened(std::size_t count, unsigned patience_ms = 60'000) const;

 private:
  std::string log_;
  HKEY key_ = nullptr;
  bool had_previous_ = false;
  std::string previous_;
};

// A build machine path as Wine's programs see it.
std::string ToWindowsPath(std::string path);

}  // namespace corvane::gui_test
