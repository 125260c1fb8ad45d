#include "tests/gui/gui_test_support.h"

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include <gtest/gtest.h>

#include "batch/conversion_job.h"
#include "import/converter_host.h"
#include "os/win32_handle.h"
#include "platform/win32_owners.h"
#include "tests/gui/png_file.h"

namespace corvane::gui_test {
namespace {

// The program's modules, up for the whole test program as in the real one.
class ModulesEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    import::StartConverterModule();
    batch::StartJobModule();
  }
  void TearDown() override { import::EndConverterModule(batch::EndJobModule()); }
};
[[maybe_unused]] ::testing::Environment* const g_modules =
    ::testing::AddGlobalTestEnvironment(new ModulesEnvironment);

// A DIB section to draw into and read from.
class Canvas {
 public:
  Canvas(HDC compatible, int width, int height) : dc_(::CreateCompatibleDC(compatible)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_.Reset(::CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
    previous_ = ::SelectObject(dc_.Get(), bitmap_.Get());
    picture_.width = width;
    picture_.height = height;
  }
  ~Canvas() { ::SelectObject(dc_.Get(), previous_); }
  HDC Get() const { return dc_.Get(); }
  Picture Read() {
    ::GdiFlush();
    const auto* source = static_cast<const std::uint32_t*>(bits_);
    picture_.pixels.assign(source, source + static_cast<std::size_t>(picture_.width) *
                                                static_cast<std::size_t>(picture_.height));
    for (std::uint32_t& p : picture_.pixels) p &= 0x00FFFFFF;
    return picture_;
  }

 private:
  platform::MemoryDC dc_;
  platform::Bitmap bitmap_;
  void* bits_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  Picture picture_;
};

// The DC of a whole window (GetWindowDC) or of its client area (GetDC).
class SourceDC {
 public:
  SourceDC(HWND window, bool whole)
      : window_(window), dc_(whole ? ::GetWindowDC(window) : ::GetDC(window)) {}
  ~SourceDC() {
    if (dc_ != nullptr) ::ReleaseDC(window_, dc_);
  }
  SourceDC(const SourceDC&) = delete;
  SourceDC& operator=(const SourceDC&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

Picture CaptureFrom(HWND window, bool whole) {
  RECT area{};
  if (whole) {
    ::GetWindowRect(window, &area);
    ::OffsetRect(&area, -area.left, -area.top);
  } else {
    ::GetClientRect(window, &area);
  }
  // Read from the window's own surface: what it shows, whatever lies on top.
  const SourceDC source(window, whole);
  Canvas canvas(source.Get(), area.right, area.bottom);
  ::BitBlt(canvas.Get(), 0, 0, area.right, area.bottom, source.Get(), 0, 0, SRCCOPY);
  return canvas.Read();
}

std::string ToWindowsPath(std::string path) {
  // A path of the build machine: Wine shows its root as drive Z:.
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA found{};
  const os::win32::FindHandle find(::FindFirstFileA((folder + "*").c_str(), &found));
  if (find) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + name;
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveTree(path + "\\");
      } else {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
      }
    } while (::FindNextFileA(find.Get(), &found));
  }
  ::RemoveDirectoryA(folder.c_str());
}

// The gate's state: one gate per process, installed by ConversionGate.
struct Gate {
  os::win32::KernelHandle open{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  std::atomic<int> waiting{0};
  std::mutex lock;  // guards converted
  std::vector<std::string> converted;
};
Gate* g_gate = nullptr;

import::Outcome ConvertAtTheGate(const std::string& path, const std::string& /*output*/,
                                 import::HtmlOutput /*html_output*/){Gate& gate = *g_gate;
++gate.waiting;
// Bounded, so that a test that forgets to open does not hang the run.
::WaitForSingleObject(gate.open.Get(), 10 * kPatience);
--gate.waiting;
{
  const std::lock_guard<std::mutex> guard(gate.lock);
  gate.converted.push_back(path);
}
if (path.find("bad") != std::string::npos) return {false, {}, "a bad file"};
return {true, path + ".html", {}};
}  // namespace

}  // namespace corvane::gui_test

bool PumpUntil(app::TApplication& application, const std::function<bool()>& done,
               unsigned timeout_ms, const std::function<void(const MSG&)>& after) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) continue;  // the form ended; the test goes on
      application.Deliver(message);
      if (after) after(message);
    }
    if (done()) return true;
    const DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= timeout_ms) return false;
    // Wakes for messages, and every few milliseconds for conditions that
    // other threads change.
    ::MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

void PostDrop(HWND window, const std::vector<std::string>& names, POINT at) {
  std::size_t size = sizeof(DROPFILES) + 1;
  for (const std::string& name : names) size += name.size() + 1;
  platform::GlobalMemory memory(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
  ASSERT_TRUE(memory);
  auto* header = static_cast<DROPFILES*>(::GlobalLock(memory.Get()));
  ASSERT_NE(header, nullptr);
  header->pFiles = sizeof(DROPFILES);
  header->pt = at;
  header->fNC = FALSE;
  header->fWide = FALSE;
  char* names_at = reinterpret_cast<char*>(header + 1);
  for (const std::string& name : names) {
    std::memcpy(names_at, name.c_str(), name.size() + 1);
    names_at += name.size() + 1;
  }
  ::GlobalUnlock(memory.Get());
  // Once posted, the window owns the handle and frees it with DragFinish.
  ASSERT_TRUE(::PostMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory.Get()), 0));
  (void)memory.Release();
}

std::string WindowText(HWND window) {
  char text[1024] = {};
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

int Picture::CountInside(const RECT& area, std::uint32_t colour) const {
  int count = 0;
  for (int y = std::max(0, static_cast<int>(area.top));
       y < std::min(height, static_cast<int>(area.bottom)); ++y) {
    for (int x = std::max(0, static_cast<int>(area.left));
         x < std::min(width, static_cast<int>(area.right)); ++x) {
      if (At(x, y) == colour) ++count;
    }
  }
  return count;
}

Picture CaptureClient(HWND window) { return CaptureFrom(window, false); }
Picture CaptureWindow(HWND window) { return CaptureFrom(window, true); }

Picture RenderClient(HWND window) {
  RECT client{};
  ::GetClientRect(window, &client);
  const platform::WindowDC screen(window);
  Canvas canvas(screen.Get(), client.right, client.bottom);
  ::SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Get()), PRF_CLIENT);
  return canvas.Read();
}

std::string SaveScreenshot(const Picture& picture, const std::string& name) {
  const std::string folder = ToWindowsPath(CORVANE_SCREENSHOT_DIR);
  ::CreateDirectoryA(folder.c_str(), nullptr);
  const std::string path = folder + "\\" + name;
  EXPECT_TRUE(WritePng(path, picture.width, picture.height, picture.pixels)) << path;
  return path;
}

PrivateCurrentUser::PrivateCurrentUser()
    : name_("Software\\CorvaneTests\\User-" + std::to_string(::GetCurrentProcessId())) {
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, name_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key_, nullptr) != ERROR_SUCCESS ||
      ::RegOverridePredefKey(HKEY_CURRENT_USER, key_) != ERROR_SUCCESS) {
    ADD_FAILURE() << "no private current-user key " << name_;
  }
}

PrivateCurrentUser::~PrivateCurrentUser() {
  ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  if (key_ != nullptr) ::RegCloseKey(key_);
  ::RegDeleteTreeA(HKEY_CURRENT_USER, name_.c_str());
}

TempFolder::TempFolder(Place place) {
  char base[MAX_PATH + 1] = {};
  ::GetTempPathA(sizeof base, base);
  if (place == Place::kDriveRoot && base[1] == ':') base[3] = '\0';  // "C:\\"
  static int serial = 0;
  path_ = std::string(base) + "corvane-gui-" + std::to_string(::GetCurrentProcessId()) + "-" +
          std::to_string(++serial) + "\\";
  RemoveTree(path_);
  ::CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

std::string TempFolder::Write(const std::string& name, const std::string& content) {
  const std::string path = path_ + name;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                       &std::fclose);
  EXPECT_TRUE(file) << path;
  if (file) std::fwrite(content.data(), 1, content.size(), file.get());
  return path;
}

std::string TempFolder::MakeFolder(const std::string& name) {
  const std::string path = path_ + name;
  EXPECT_TRUE(::CreateDirectoryA(path.c_str(), nullptr)) << path;
  return path;
}

ConversionGate::ConversionGate() {
  g_gate = new Gate;
  batch::SetConvertFileFunction(&ConvertAtTheGate);
}

ConversionGate::~ConversionGate() {
  Open();
  // Workers still at the gate leave it now; the job must end before the
  // gate goes away.
  const DWORD start = ::GetTickCount();
  while ((g_gate->waiting > 0 ||
          (batch::GetJobState() != batch::jsIdle && batch::GetJobState() != batch::jsFinished)) &&
         ::GetTickCount() - start < kPatience) {
    ::Sleep(10);
  }
  batch::SetConvertFileFunction(nullptr);
  delete g_gate;
  g_gate = nullptr;
}

void ConversionGate::Open() { ::SetEvent(g_gate->open.Get()); }

int ConversionGate::Waiting() const { return g_gate->waiting; }

std::vector<std::string> ConversionGate::Converted() const {
  const std::lock_guard<std::mutex> guard(g_gate->lock);
  return g_gate->converted;
}

bool WaitForJobEnd(app::TApplication& application) {
  return PumpUntil(application, [] {
    const batch::TJobState state = batch::GetJobState();
    return state == batch::jsIdle || state == batch::jsFinished;
  });
}

}  // namespace corvane::gui_test
