// Keeps Wine's desktop process up for a test run, its output pointed
// elsewhere by the caller; see CMakeLists.txt.
//   converter_desktop_start           start the desktop, then end
//   converter_desktop_start hold N    ... and stay attached to it for up to N s
//   converter_desktop_start release   end a holding instance
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr char kReleaseEvent[] = "CorvaneConverterTestsDesktopRelease";

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "release") == 0) {
    const HANDLE event = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, kReleaseEvent);
    if (event == nullptr) return 0;  // nobody holds
    ::SetEvent(event);
    ::CloseHandle(event);
    return 0;
  }
  // The first window call of a session starts the desktop and waits for it.
  if (::GetDesktopWindow() == nullptr) return 1;
  ::GetTopWindow(nullptr);
  if (argc > 2 && std::strcmp(argv[1], "hold") == 0) {
    // The desktop closes soon after its last process has gone, and the next
    // window call starts it again, tied to that caller's output.
    const HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, kReleaseEvent);
    if (event == nullptr) return 1;
    const DWORD seconds = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
    ::WaitForSingleObject(event, seconds * 1000);
    ::CloseHandle(event);
  }
  return 0;
}
