// What the window tests share: the program's modules, message pumping, drops
// delivered as the shell delivers them, pictures of windows, temporary
// files, and a converter whose pace the test sets.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/application.h"

namespace corvane::gui_test {

// A bound for waits on things that happen at once on any machine.
inline constexpr unsigned kPatience = 60'000;

// Delivers messages through the application (key preview included) until
// `done` holds or `timeout_ms` passes; false on timeout. `after` sees every
// message once it has been delivered.
bool PumpUntil(app::TApplication& application, const std::function<bool()>& done,
               unsigned timeout_ms = kPatience,
               const std::function<void(const MSG&)>& after = nullptr);

// Posts WM_DROPFILES with a real HDROP (a DROPFILES header and the names,
// ANSI, double-NUL ended), as the shell does. The window's process posts it:
// a drop handle means nothing in another process.
void PostDrop(HWND window, const std::vector<std::string>& names, POINT at = {10, 10});

std::string WindowText(HWND window);

// Pixels as 0x00RRGGBB, first row on top.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
  int CountInside(const RECT& area, std::uint32_t colour) const;
};

// What the window shows now, read back from its own surface: the client
// area, or the whole window with caption and border.
Picture CaptureClient(HWND window);
Picture CaptureWindow(HWND window);
// The client area as the window paints it into a bitmap (WM_PRINTCLIENT).
Picture RenderClient(HWND window);

// Saves under the build folder's screenshots/; returns the path written.
std::string SaveScreenshot(const Picture& picture, const std::string& name);

// Gives this test process a current-user hive of its own (a key under the
// real one, removed at the end), so that a setting one test stores never
// reaches a test that runs beside it in another process.
class PrivateCurrentUser {
 public:
  PrivateCurrentUser();
  ~PrivateCurrentUser();
  PrivateCurrentUser(const PrivateCurrentUser&) = delete;
  PrivateCurrentUser& operator=(const PrivateCurrentUser&) = delete;

 private:
  std::string name_;
  HKEY key_ = nullptr;
};

// A fresh folder under the user's temporary folder, removed with all it holds.
class TempFolder {
 public:
  // kDriveRoot puts the folder straight under the temp folder's drive, for
  // the folder browser: it finds a path only while the time stamps of the
  // path's folders are those it listed, and the temp folder is written and
  // read all the time by the tests running beside.
  enum class Place { kTemp, kDriveRoot };
  explicit TempFolder(Place place = Place::kTemp);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }  // ends in a backslash
  std::string Write(const std::string& name, const std::string& content);
  std::string MakeFolder(const std::string& name);

 private:
  std::string path_;
};

inline constexpr char kSmallRtf[] = "{\\rtf1\\ansi {\\title A}Hello\\par}";

// A converter for the job that waits at a gate the test opens, so that a
// job stays under way exactly as long as the test needs. Names with "bad"
// in them fail.
class ConversionGate {
 public:
  // Puts the gate between the job and its files (closed) until the end.
  ConversionGate();
  ~ConversionGate();
  ConversionGate(const ConversionGate&) = delete;
  ConversionGate& operator=(const ConversionGate&) = delete;
  void Open();
  int Waiting() const;  // conversions held at the gate now
  std::vector<std::string> Converted() const;
};

// Lets the job end (a gate, if any, must be open) and waits until it has.
bool WaitForJobEnd(app::TApplication& application);

}  // namespace corvane::gui_test
