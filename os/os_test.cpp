// What both implementations of the OS layer promise alike. Platform-only
// behaviour (share modes, attributes, links) is in win32_os_test.cpp and
// posix_os_test.cpp.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "os/os.h"
#include "os/os_test_support.h"

namespace {

namespace os = corvane::os;
using os::testing::ContentOf;
using os::testing::Eventually;
using os::testing::kExpectedErrors;
using os::testing::TempFolder;
using os::testing::WriteFileAt;
using namespace std::string_literals;
using namespace std::string_view_literals;

// Generous bound for waits that should end at once.
constexpr unsigned kLongMs = 60000;

// ---- Files -----------------------------------------------------------------

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919) >> 3);
  return bytes;
}

struct WriteCase {
  const char* name;
  std::optional<std::string> before;  // content of an existing file, if any
  std::string written;
};

TEST(OsFiles, WrittenBytesReadBackUnchanged) {
  const WriteCase cases[] = {
      {"a new file", std::nullopt, "hello"},
      {"replacing a longer file truncates it", "0123456789 an older and longer text", "short"},
      {"empty data leaves an empty file", "old text", ""},
      {"an empty new file", std::nullopt, ""},
      {"control bytes, NUL and high bytes pass as they are", std::nullopt,
       "a\0b\r\n\x1a\x80\xe9\xff\n"s},
      {"several megabytes", std::nullopt, Pattern(5 * 1024 * 1024 + 3)},
  };
  TempFolder temp;
  int index = 0;
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = temp / ("file" + std::to_string(index++) + ".bin");
    if (c.before) {
      ASSERT_TRUE(WriteFileAt(path, *c.before));
    }

    os::ErrorCode error = 12345;
    os::File file = os::File::CreateForWriting(path, error);
    ASSERT_TRUE(file) << error;
    EXPECT_EQ(error, 0u);
    ASSERT_TRUE(file.WriteAll(c.written, error)) << error;
    // The writing handle reads too, from the start whatever was done before.
    os::Bytes through_writer;
    through_writer.size = 5;  // stale
    ASSERT_TRUE(file.ReadAll(through_writer, error)) << error;
    EXPECT_EQ(through_writer.View(), c.written);
    file = os::File();

    EXPECT_EQ(ContentOf(path), c.written);
  }
}

struct FailureCase {
  const char* name;
  bool create;  // CreateForWriting, else OpenForReading
  const char* path;
  os::ErrorCode expected;
};

TEST(OsFiles, FailuresReportTheSystemCode) {
  TempFolder temp;
  ASSERT_TRUE(WriteFileAt(temp / "present.txt", "x"));
  const FailureCase cases[] = {
      {"opening a missing file", false, "missing.txt", kExpectedErrors.file_not_found},
      {"opening in a missing folder", false, "no-folder/x.txt", kExpectedErrors.path_not_found},
      {"creating in a missing folder", true, "no-folder/x.txt", kExpectedErrors.path_not_found},
      {"opening a folder as a file", false, "", kExpectedErrors.open_folder},
      {"creating over a folder", true, "", kExpectedErrors.create_over_folder},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = std::string(c.path).empty() ? temp.Path() : temp / c.path;
    for (char& ch : path) {
      if (ch == '/') ch = os::kPathSeparator;
    }
    os::ErrorCode error = 0;
    const os::File file =
        c.create ? os::File::CreateForWriting(path, error) : os::File::OpenForReading(path, error);
    EXPECT_FALSE(file);
    EXPECT_EQ(error, c.expected) << os::SystemErrorText(error);
  }
  // A failed create leaves nothing behind; a failed open creates nothing.
  EXPECT_EQ(os::GetPathKind(temp / "missing.txt"), os::PathKind::kMissing);
}

TEST(OsFiles, ReadOnlyFileCannotBeReplaced) {
  TempFolder temp;
  const std::string path = temp / "locked.html";
  ASSERT_TRUE(WriteFileAt(path, "keep me"));
  os::testing::SetReadOnly(path, true);
  if (!os::testing::WriteProtectionApplies(path)) {
    GTEST_SKIP() << "this process may write read-only files (running as root?)";
  }
  os::ErrorCode error = 0;
  EXPECT_FALSE(os::File::CreateForWriting(path, error));
  EXPECT_EQ(error, kExpectedErrors.access_denied) << os::SystemErrorText(error);
  EXPECT_EQ(ContentOf(path), "keep me");  // reading is still allowed, and nothing was truncated
}

TEST(OsFiles, ErrorTextsAreTheSystemsWithoutLineBreaks) {
  const os::ErrorCode codes[] = {kExpectedErrors.file_not_found, kExpectedErrors.access_denied};
  for (const os::ErrorCode code : codes) {
    SCOPED_TRACE(code);
    const std::string text = os::SystemErrorText(code);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find_last_of("\r\n"), std::string::npos) << text;
    EXPECT_NE(text.back(), ' ') << text;
  }
  EXPECT_NE(os::SystemErrorText(codes[0]), os::SystemErrorText(codes[1]));
}

TEST(OsFiles, OwnershipMovesWithTheFile) {
  TempFolder temp;
  const std::string path = temp / "moved.txt";
  os::ErrorCode error = 0;
  os::File first = os::File::CreateForWriting(path, error);
  ASSERT_TRUE(first);
  os::File second(std::move(first));
  EXPECT_FALSE(first);  // the moved-from state is the point
  ASSERT_TRUE(second);
  EXPECT_FALSE(first.WriteAll("lost", error));
  EXPECT_TRUE(second.WriteAll("kept", error));
  os::File third;
  third = std::move(second);
  EXPECT_FALSE(second);
  os::Bytes content;
  ASSERT_TRUE(third.ReadAll(content, error));
  EXPECT_EQ(content.View(), "kept");
}

TEST(OsFiles, RemoveFile) {
  TempFolder temp;
  const std::string path = temp / "doomed.txt";
  ASSERT_TRUE(WriteFileAt(path, "x"));
  EXPECT_EQ(os::RemoveFile(path), os::RemoveResult::kRemoved);
  EXPECT_EQ(os::GetPathKind(path), os::PathKind::kMissing);
  EXPECT_EQ(os::RemoveFile(path), os::RemoveResult::kMissing);
  EXPECT_EQ(os::RemoveFile(temp.Path()), os::RemoveResult::kFailed);  // folders are not files
  EXPECT_EQ(os::GetPathKind(temp.Path()), os::PathKind::kFolder);
}

TEST(OsFiles, CreateFolderAndFileSize) {
  TempFolder temp;
  const std::string folder = temp / "made";
  os::ErrorCode error = 0;
  EXPECT_TRUE(os::CreateFolder(folder, error));
  EXPECT_EQ(os::GetPathKind(folder), os::PathKind::kFolder);
  EXPECT_TRUE(os::CreateFolder(folder, error)) << "a folder already there is no error";
  ASSERT_TRUE(WriteFileAt(temp / "file", "12345"));
  EXPECT_FALSE(os::CreateFolder(temp / "file", error)) << "a file of that name is";
  EXPECT_NE(error, 0u);
  EXPECT_FALSE(os::CreateFolder(temp / "missing" + os::kPathSeparator + "x", error));
  EXPECT_NE(error, 0u);

  EXPECT_EQ(os::FileSize(temp / "file"), 5);
  EXPECT_EQ(os::FileSize(temp / "nothing"), -1);
}

// ---- Names -------------------------------------------------------------------

TEST(OsPaths, PathKinds) {
  TempFolder temp;
  ASSERT_TRUE(WriteFileAt(temp / "file.rtf", ""));
  const struct {
    const char* name;
    std::string path;
    os::PathKind kind;
  } cases[] = {
      {"a file", temp / "file.rtf", os::PathKind::kFile},
      {"a folder", temp.Path(), os::PathKind::kFolder},
      {"a folder with a trailing separator", temp.Path() + os::kPathSeparator,
       os::PathKind::kFolder},
      {"a missing name", temp / "nothing", os::PathKind::kMissing},
      {"below a missing folder", temp / "nothing" + os::kPathSeparator + "x",
       os::PathKind::kMissing},
      {"the empty name", "", os::PathKind::kMissing},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(os::GetPathKind(c.path), c.kind) << c.path;
  }
}

TEST(OsPaths, FullPathNameExpandsAgainstTheCurrentFolder) {
  TempFolder temp;
  const std::string current = std::filesystem::current_path().string();
  const std::string prefix =
      current.back() == os::kPathSeparator ? current : current + os::kPathSeparator;
  const struct {
    const char* name;
    std::string path;
    std::string full;
  } cases[] = {
      {"a bare name", "report.doc", prefix + "report.doc"},
      {"a relative path", "sub" + std::string(1, os::kPathSeparator) + "a.rtf",
       prefix + "sub" + os::kPathSeparator + "a.rtf"},
      {"a full path stays", temp / "x.rtf", temp / "x.rtf"},
      {"the empty name stays empty", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(os::FullPathName(c.path), c.full);
  }
}

// ---- Folder listings -----------------------------------------------------------

struct Listed {
  bool is_folder;
  bool is_link;
  bool operator==(const Listed&) const = default;
};

std::map<std::string, Listed> ListAll(const std::string& folder, bool* started = nullptr) {
  std::map<std::string, Listed> seen;
  const bool ok = os::ListFolder(folder, [&](const os::FolderEntry& entry) {
    EXPECT_TRUE(seen.emplace(entry.name, Listed{entry.is_folder, entry.is_link}).second)
        << "listed twice: " << entry.name;
    return true;
  });
  if (started != nullptr) *started = ok;
  return seen;
}

TEST(OsFolders, ListsFilesFoldersAndDotNamesOnce) {
  TempFolder temp;
  ASSERT_TRUE(WriteFileAt(temp / "a.doc", "a"));
  ASSERT_TRUE(WriteFileAt(temp / "b.txt", "b"));
  ASSERT_TRUE(WriteFileAt(temp / ".dotted", "hidden on POSIX by its name"));
  ASSERT_TRUE(WriteFileAt(temp / "no-extension", ""));
  std::filesystem::create_directory(temp / "sub");
  std::filesystem::create_directory(temp / "sub.with.dots");
  ASSERT_TRUE(WriteFileAt(temp / "sub" + os::kPathSeparator + "inner.doc", "not listed"));
  const std::map<std::string, Listed> expected = {
      {".dotted", {false, false}},      {"a.doc", {false, false}}, {"b.txt", {false, false}},
      {"no-extension", {false, false}}, {"sub", {true, false}},    {"sub.with.dots", {true, false}},
  };
  // A trailing separator is doubled on Windows; the listing must not mind.
  for (const std::string& folder : {temp.Path(), temp.Path() + os::kPathSeparator}) {
    SCOPED_TRACE(folder);
    bool started = false;
    EXPECT_EQ(ListAll(folder, &started), expected);
    EXPECT_TRUE(started);
  }
}

TEST(OsFolders, EmptyFolderListsNothing) {
  TempFolder temp;
  bool started = false;
  EXPECT_TRUE(ListAll(temp.Path(), &started).empty());
  EXPECT_TRUE(started);
}

TEST(OsFolders, StopsWhenTheVisitorSaysSo) {
  TempFolder temp;
  for (const char* name : {"1", "2", "3", "4"}) {
    ASSERT_TRUE(WriteFileAt(temp / name, ""));
  }
  int visits = 0;
  EXPECT_TRUE(os::ListFolder(temp.Path(), [&](const os::FolderEntry&) { return ++visits < 2; }));
  EXPECT_EQ(visits, 2);
}

TEST(OsFolders, AnExceptionFromTheVisitorPassesThrough) {
  TempFolder temp;
  ASSERT_TRUE(WriteFileAt(temp / "1", ""));
  EXPECT_THROW(
      os::ListFolder(temp.Path(),
                     [](const os::FolderEntry&) -> bool { throw std::runtime_error("stop"); }),
      std::runtime_error);
  // The listing was closed on the way out: the folder can go.
  EXPECT_EQ(os::RemoveFile(temp / "1"), os::RemoveResult::kRemoved);
  std::error_code error;
  EXPECT_TRUE(std::filesystem::remove(temp.Path(), error)) << error.message();
}

TEST(OsFolders, NoListingOfMissingFoldersOrFiles) {
  TempFolder temp;
  ASSERT_TRUE(WriteFileAt(temp / "plain.txt", ""));
  const struct {
    const char* name;
    std::string folder;
  } cases[] = {
      {"a missing folder", temp / "missing"},
      {"a file", temp / "plain.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    bool started = true;
    EXPECT_TRUE(ListAll(c.folder, &started).empty());
    EXPECT_FALSE(started);
  }
}

// ---- Case folding ----------------------------------------------------------------

TEST(OsText, LowerCaseAnsiFoldsAsciiLetters) {
  const struct {
    std::string_view text, lowered;
  } cases[] = {
      {"", ""},
      {".DOC", ".doc"},
      {"Report.Rtf", "report.rtf"},
      {"AZ az", "az az"},
      {"@[`{ 09_-.\\:", "@[`{ 09_-.\\:"},  // the neighbours of the letter ranges stay
      {"A\0B"sv, "a\0b"sv},                // a NUL does not end the text
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::string text(c.text);
    os::LowerCaseAnsi(text);
    EXPECT_EQ(text, c.lowered);
  }
}

// ---- Locks, events, threads --------------------------------------------------------

os::Lock* g_lock = nullptr;
os::Event* g_event = nullptr;
std::atomic<int> g_value{0};
int g_shared_counter = 0;  // guarded by g_lock

int EnterLockThenMark(int argument) {
  const os::LockGuard guard(*g_lock);
  g_value = argument;
  return 0;
}

int CountUnderLock(int times) {
  for (int i = 0; i < times; ++i) {
    const os::LockGuard guard(*g_lock);
    ++g_shared_counter;
  }
  return 0;
}

int WaitForEventThenMark(int argument) {
  if (g_event->Wait(kLongMs)) g_value = argument;
  return 0;
}

int Mark(int argument) {
  g_value = argument;
  return argument;
}

int Throw(int argument) {
  g_value = argument;
  throw std::runtime_error("out of a thread");
}

TEST(OsLock, ReEntersOnItsThreadAndKeepsOthersOut) {
  os::Lock lock;
  g_lock = &lock;
  g_value = 0;
  lock.Enter();
  lock.Enter();  // a second Enter on the owning thread must not deadlock
  lock.Leave();  // still held once
  os::Thread thread;
  ASSERT_TRUE(thread.Start(EnterLockThenMark, 7));
  EXPECT_FALSE(thread.Join(50));  // blocked on the lock we hold
  EXPECT_EQ(g_value, 0);
  lock.Leave();
  ASSERT_TRUE(thread.Join(kLongMs));
  EXPECT_EQ(g_value, 7);
}

TEST(OsLock, GuardsACounterAcrossThreads) {
  os::Lock lock;
  g_lock = &lock;
  g_shared_counter = 0;
  constexpr int kTimes = 20000;
  os::Thread a, b;
  ASSERT_TRUE(a.Start(CountUnderLock, kTimes));
  ASSERT_TRUE(b.Start(CountUnderLock, kTimes));
  CountUnderLock(kTimes);
  ASSERT_TRUE(a.Join(kLongMs));
  ASSERT_TRUE(b.Join(kLongMs));
  EXPECT_EQ(g_shared_counter, 3 * kTimes);
}

TEST(OsEvent, ResetsItselfAfterOneWait) {
  os::Event event;
  EXPECT_FALSE(event.Wait(0));
  event.Set();
  EXPECT_TRUE(event.Wait(0));   // a Set before the Wait is kept
  EXPECT_FALSE(event.Wait(0));  // and taken by that one Wait
  event.Set();
  event.Set();  // not counted
  EXPECT_TRUE(event.Wait(0));
  EXPECT_FALSE(event.Wait(0));
}

TEST(OsEvent, WaitEndsAtItsTimeout) {
  os::Event event;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(event.Wait(100));
  // Only a lower bound: a slow machine may wait longer. Half allows for
  // the Windows timer's coarse ticks.
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

TEST(OsEvent, WakesAWaiterOnAnotherThread) {
  os::Event event;
  g_event = &event;
  g_value = 0;
  os::Thread thread;
  ASSERT_TRUE(thread.Start(WaitForEventThenMark, 3));
  event.Set();
  ASSERT_TRUE(thread.Join(kLongMs));
  EXPECT_EQ(g_value, 3);
}

TEST(OsThread, RunsTheProcedureWithItsArgument) {
  g_value = 0;
  os::Thread thread;
  EXPECT_FALSE(thread.Started());
  ASSERT_TRUE(thread.Start(Mark, 42));
  EXPECT_TRUE(thread.Started());
  ASSERT_TRUE(thread.Join(kLongMs));
  EXPECT_EQ(g_value, 42);
  EXPECT_TRUE(thread.Join(0));  // an ended thread stays joinable
}

TEST(OsThread, JoinGivesUpAtItsTimeout) {
  os::Event event;
  g_event = &event;
  g_value = 0;
  os::Thread thread;
  ASSERT_TRUE(thread.Start(WaitForEventThenMark, 5));
  EXPECT_FALSE(thread.Join(20));
  event.Set();
  ASSERT_TRUE(thread.Join(kLongMs));
  EXPECT_EQ(g_value, 5);
}

TEST(OsThread, AnExceptionEndsOnlyTheThread) {
  g_value = 0;
  os::Thread thread;
  ASSERT_TRUE(thread.Start(Throw, 9));
  ASSERT_TRUE(thread.Join(kLongMs));  // the process is still here to see it
  EXPECT_EQ(g_value, 9);
  ASSERT_TRUE(thread.Start(Mark, 10));  // and threads still start
  ASSERT_TRUE(thread.Join(kLongMs));
  EXPECT_EQ(g_value, 10);
}

TEST(OsThread, ReleasedThreadRunsOn) {
  static os::Event event;  // outlives the thread whatever happens
  g_event = &event;
  g_value = 0;
  {
    os::Thread thread;
    ASSERT_TRUE(thread.Start(WaitForEventThenMark, 11));
    thread.Release();
    EXPECT_FALSE(thread.Started());
    EXPECT_FALSE(thread.Join(0));
  }
  event.Set();
  EXPECT_TRUE(Eventually([] { return g_value == 11; }));
}

TEST(OsThread, MovingHandsOverTheThread) {
  os::Event event;
  g_event = &event;
  g_value = 0;
  os::Thread first;
  ASSERT_TRUE(first.Start(WaitForEventThenMark, 12));
  os::Thread second(std::move(first));
  EXPECT_FALSE(first.Started());
  EXPECT_FALSE(first.Join(0));
  os::Thread third;
  third = std::move(second);
  EXPECT_FALSE(second.Started());
  event.Set();
  ASSERT_TRUE(third.Join(kLongMs));
  EXPECT_EQ(g_value, 12);
}

TEST(OsThread, SleepWaitsAtLeastItsTime) {
  const auto start = std::chrono::steady_clock::now();
  os::Sleep(30);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(15));
}

// ---- Progress notification -----------------------------------------------------------

// Any message number a window may be sent; the job uses this one.
constexpr unsigned kMessage = 0x400 + 10;
os::WindowHandle g_window = nullptr;
std::atomic<int> g_failed_posts{0};

int PostProgress(int times) {
  for (int i = 0; i < times; ++i) {
    if (!os::PostNotification(g_window, kMessage)) ++g_failed_posts;
  }
  return 0;
}

TEST(OsProgress, ListenerCountsEveryPostFromAnotherThread) {
  os::NotificationListener listener(kMessage);
  EXPECT_EQ(listener.Wait(0), 0);
  g_window = listener.Handle();
  g_failed_posts = 0;
  constexpr int kPosts = 200;
  os::Thread thread;
  ASSERT_TRUE(thread.Start(PostProgress, kPosts));
  int received = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (received < kPosts && std::chrono::steady_clock::now() < deadline) {
    received += listener.Wait(1000);
  }
  ASSERT_TRUE(thread.Join(kLongMs));
  EXPECT_EQ(g_failed_posts, 0);
  EXPECT_EQ(received, kPosts);
  EXPECT_EQ(listener.Wait(20), 0);  // nothing counted twice
}

TEST(OsProgress, PostsOnTheListenersOwnThreadArriveToo) {
  os::NotificationListener listener(kMessage);
  ASSERT_TRUE(os::PostNotification(listener.Handle(), kMessage));
  ASSERT_TRUE(os::PostNotification(listener.Handle(), kMessage));
  EXPECT_EQ(listener.Wait(kLongMs), 2);
  EXPECT_EQ(listener.Wait(0), 0);
}

TEST(OsProgress, OnlyTheListenersMessageCounts) {
  os::NotificationListener listener(kMessage);
  ASSERT_TRUE(os::PostNotification(listener.Handle(), kMessage + 1));
  EXPECT_EQ(listener.Wait(20), 0);
  ASSERT_TRUE(os::PostNotification(listener.Handle(), kMessage));
  EXPECT_EQ(listener.Wait(kLongMs), 1);
}

TEST(OsProgress, NoWindowNoPost) { EXPECT_FALSE(os::PostNotification(nullptr, kMessage)); }

}  // namespace
