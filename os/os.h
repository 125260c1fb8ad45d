// The thin operating-system layer under import/ and batch/: files, folder
// listings, ANSI case folding, threads, locks and the data-less progress
// notification. One interface; win32_*.cpp and posix_*.cpp implement it and
// the build picks one set. Names and texts are bytes in the ANSI code page.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#ifdef _WIN32
struct HWND__;  // the window handle type, without pulling in windows.h
#endif

namespace corvane::os {

// ---- Errors --------------------------------------------------------------

using ErrorCode = std::uint32_t;  // GetLastError() or errno

// The system's own text for an error code, without trailing line breaks.
std::string SystemErrorText(ErrorCode code);

// ---- Files ---------------------------------------------------------------

// Bytes read whole, in one block left uninitialised beyond size: a
// document's megabytes are written once, by the read, never zeroed first.
struct Bytes {
  std::unique_ptr<char[]> block;
  std::size_t size = 0;
  std::size_t capacity = 0;
  std::string_view View() const { return {block.get(), size}; }
};

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr std::string_view kNameSeparators = "\\:";  // a "." after these is no extension
#else
inline constexpr char kPathSeparator = '/';
inline constexpr std::string_view kNameSeparators = "/";
#endif

// An open file; closed when the owner goes.
class File {
 public:
  File() = default;
  File(File&& other) noexcept : handle_(std::exchange(other.handle_, kInvalid)) {}
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = std::exchange(other.handle_, kInvalid);
    }
    return *this;
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File() { Close(); }

  // Opens for reading; others may read but not write while it is open.
  static File OpenForReading(const std::string& path, ErrorCode& error);
  // Creates or truncates for reading and writing, shared with no one,
  // normal attributes.
  static File CreateForWriting(const std::string& path, ErrorCode& error);
  // Creates a file that must not exist yet (a link of that name fails
  // too), shared with no one. Off Windows it gets the read and write
  // permission bits of permissions_from (all of them when that is empty or
  // cannot be examined), less the umask.
  static File CreateNew(const std::string& path, const std::string& permissions_from,
                        ErrorCode& error);

  // Opens an existing file to be written over where it stands, shared with
  // no one, neither truncated yet nor opened through a link at its name. A
  // folder, pipe, device or link is refused, as the open file itself shows
  // it: a name swapped after it was examined cannot slip through.
  static File OpenExistingToRewrite(const std::string& path, ErrorCode& error);

  // True when path names this open file (hard links too).
  bool IsSameFileAs(const std::string& path) const;
  // Cuts the file to nothing; the next write goes to its start.
  bool Truncate(ErrorCode& error);
  // Reads as many bytes as the file holds now. False on any read error.
  bool ReadAll(Bytes& content, ErrorCode& error);
  // True only when every byte was written.
  bool WriteAll(std::string_view data, ErrorCode& error);
  // Waits until what was written is on the disk.
  bool FlushToDisk(ErrorCode& error);

  explicit operator bool() const { return handle_ != kInvalid; }

 private:
  static constexpr std::intptr_t kInvalid = -1;
  explicit File(std::intptr_t handle) : handle_(handle) {}
  void Close();
  std::intptr_t handle_ = kInvalid;  // HANDLE or file descriptor
};

// What removing a file came to: a name that was already gone is not a
// failure to the callers that clean up, but they must tell it from one.
enum class RemoveResult { kRemoved, kMissing, kFailed };
RemoveResult RemoveFile(const std::string& path);

// Whether the file calls can take the name, measured as the system measures
// it: in UTF-16 units against MAX_PATH on Windows (not in ANSI bytes), in
// bytes against PATH_MAX elsewhere.
bool FitsPathLimit(const std::string& path);

// What a failed creation of a new file says about writing its neighbour
// in place instead.
enum class CreateFailure {
  kNameTooLong,   // the name is over the system's limit
  kAccessDenied,  // the folder takes no new file (an existing one may still be written)
  kOther,
};
CreateFailure ClassifyCreateFailure(ErrorCode error);

// Whether a process of that id runs now; true when it cannot be told.
bool ProcessIsRunning(unsigned long id);

// Puts from in the place of to in one step, replacing a file named to.
bool ReplaceFileWith(const std::string& from, const std::string& to, ErrorCode& error);

// What stands at a name, looked at without following a link there.
enum class NameKind {
  kNothing,  // no such name
  kFile,     // a regular file
  kLink,     // a symbolic link, junction or other reparse point
  kFolder,
  kSpecial,  // a pipe, device or socket
  kUnknown,  // cannot be examined: error says why
};
NameKind ExamineName(const std::string& path, ErrorCode& error);

// Whether this process may replace the existing file (false for a
// read-only one, with the error that says so).
bool MayReplaceFile(const std::string& path, ErrorCode& error);

// True when both names exist and are one file (hard links included), told
// by file identity rather than by name.
bool IsSameFile(const std::string& a, const std::string& b);

// Makes one folder. True when it was made or a folder of that name is
// there already; a file of that name, or a missing parent, is an error.
bool CreateFolder(const std::string& path, ErrorCode& error);

// The size of a file in bytes, following links; -1 when it cannot be told.
std::int64_t FileSize(const std::string& path);

unsigned long CurrentProcessId();

// The name expanded against the current folder (for messages).
std::string FullPathName(const std::string& path);

// The full name of what path names, with every link on the way resolved;
// empty, with the error, when it cannot be resolved (a broken link).
std::string FinalPathName(const std::string& path, ErrorCode& error);

enum class PathKind { kMissing, kFile, kFolder };
PathKind GetPathKind(const std::string& path);
// The same, and for a name that is not simply absent but cannot be
// examined (no search right on a folder on the way, a name too long), the
// error; error is 0 otherwise.
PathKind GetPathKind(const std::string& path, ErrorCode& error);

struct FolderEntry {
  std::string name;             // bare name
  bool is_folder = false;       // whatever its other attribute bits
  bool is_link = false;         // directory link, junction or symbolic link
  ErrorCode examine_error = 0;  // not 0: listed, but its kind could not be examined
};

// Calls `visit` for every entry of `folder` (hidden and system ones too,
// "." and ".." left out) in the platform's order, until it returns false.
// False, with the error, when the listing cannot be started or breaks off.
// Without follow_link, a folder name that is a link at its end is not
// listed (where the system can tell it at the opening).
bool ListFolder(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit);
bool ListFolder(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit,
                ErrorCode& error, bool follow_link = true);

#ifdef _WIN32
// A name from a wide-character source (a drop, a dialog) in the ANSI code
// page exactly, else by its short name; false when it has neither form.
bool ExactAnsiName(const wchar_t* name, std::string& ansi);
// The same name as near as the code page gets: for messages only.
std::string DisplayAnsiName(const wchar_t* name);
#endif

// Lower-cases in place with the system's ANSI rules.
void LowerCaseAnsi(std::string& text);

// A name or text in UTF-8, for readers outside the system (a report). Off
// Windows names are bytes already and stay as they are.
std::string AnsiToUtf8(std::string_view text);

// ---- Threads and locks ---------------------------------------------------

// A re-entrant lock (a critical section).
class Lock {
 public:
  Lock();
  ~Lock();
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  void Enter();
  void Leave();

 private:
  alignas(8) unsigned char storage_[64];
};

class LockGuard {
 public:
  explicit LockGuard(Lock& lock) : lock_(lock) { lock_.Enter(); }
  ~LockGuard() { lock_.Leave(); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  Lock& lock_;
};

// An auto-reset event: Set wakes one Wait (or the next one to come).
class Event {
 public:
  Event();
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
  void Set();
  // True when set, false when the timeout passed first.
  bool Wait(unsigned timeout_ms);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A thread running procedure(argument). The owner's end releases the
// handle without waiting; Join waits for the thread's end.
class Thread {
 public:
  using Procedure = int (*)(int argument);
  Thread() = default;
  Thread(Thread&& other) noexcept : handle_(std::exchange(other.handle_, 0)) {}
  Thread& operator=(Thread&& other) noexcept {
    if (this != &other) {
      Release();
      handle_ = std::exchange(other.handle_, 0);
    }
    return *this;
  }
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  ~Thread() { Release(); }

  // Starts at once with the default stack. False if it cannot be created.
  bool Start(Procedure procedure, int argument);
  // Waits for the thread to end (bounded); true when it has ended.
  bool Join(unsigned timeout_ms);
  // Lets go of the handle; the thread runs on.
  void Release();
  bool Started() const { return handle_ != 0; }

 private:
  std::uintptr_t handle_ = 0;  // HANDLE or a heap-held pthread record
};

void Sleep(unsigned milliseconds);

// ---- Notifications ---------------------------------------------------------

#ifdef _WIN32
using WindowHandle = HWND__*;
#else
// Off Windows there are no windows; whoever wants notifications implements
// this. Called on the poster's thread; must not block.
class NotificationSink {
 public:
  virtual void OnNotification(unsigned message) = 0;

 protected:
  ~NotificationSink() = default;
};
using WindowHandle = NotificationSink*;
#endif

// Posts the data-less notification `message` (a window message number on
// Windows) and never waits for it to be handled. False, and nothing posted,
// for a null window or when posting fails.
bool PostNotification(WindowHandle window, unsigned message);

// A receiver of one message's notifications for programs without a window
// of their own (the CLI, tests): on Windows a message-only window pumped by
// Wait, elsewhere a NotificationSink. Use it on one thread.
class NotificationListener {
 public:
  explicit NotificationListener(unsigned message);
  ~NotificationListener();
  NotificationListener(const NotificationListener&) = delete;
  NotificationListener& operator=(const NotificationListener&) = delete;

  WindowHandle Handle() const;
  // Waits up to timeout_ms for notifications of its message and returns how
  // many arrived since the last call (0 on timeout).
  int Wait(unsigned timeout_ms);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace corvane::os
