// RunTextConverter against the real registry calls, real libraries and the
// real temporary folder, with the test converter scripted per input file.
#include <atomic>
#include <memory>
#include <thread>

#include "converter_test_support.h"
#include "import/file_io.h"

namespace corvane::converter_testing {
namespace {

using import::RunTextConverter;

constexpr char kClass[] = "Corvane.Fixture";

// Opens a converter's gate and waits for the thread that waits on it,
// also when a failed assertion leaves the test early.
class GateKeeper {
 public:
  GateKeeper(std::string gate, std::thread& thread) : gate_(std::move(gate)), thread_(thread) {}
  ~GateKeeper() { Open(); }
  GateKeeper(const GateKeeper&) = delete;
  GateKeeper& operator=(const GateKeeper&) = delete;
  void Open() {
    std::ofstream(gate_, std::ios::binary) << "open";
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::string gate_;
  std::thread& thread_;
};

class HostTest : public ConverterTest {
 protected:
  void SetUp() override {
    ConverterTest::SetUp();
    registry_.Register(kClass, TestConverter());
    probe_ = Write("probe.doc", "{\\rtf1 probe}");
  }

  bool Convert(const std::string& input, const std::string& output) {
    return RunTextConverter(input, kClass, output);
  }

  // After a call, whatever its outcome: no converter library stays loaded,
  // and another thread gets through the converter lock.
  void ExpectReleased() {
    EXPECT_FALSE(LibraryLoaded(TestConverter()));
    auto done = std::make_shared<std::atomic<int>>(0);  // 1 converted, 2 failed
    std::thread([done, probe = probe_, output = PathOf("probe.html")] {
      try {
        *done = RunTextConverter(probe, kClass, output) ? 1 : 2;
      } catch (...) {
        *done = 2;
      }
    }).detach();  // a thread stuck at the lock must not hang the test as well
    EXPECT_TRUE(Eventually([&] { return *done != 0; })) << "the converter lock was not left";
    EXPECT_EQ(*done, 1);
  }

  std::string probe_;
};

// ---- Registrations ---------------------------------------------------------

TEST_F(HostTest, ClassesWithoutAPathAnswerFalseWithoutWaitingForTheLock) {
  // Another thread holds the converter lock, its converter waiting at a gate.
  const std::string gate = PathOf("gate");
  const std::string held = WriteScripted("held.doc", {.gate = gate});
  std::atomic<bool> held_result{false};
  std::thread holder([&] { held_result = Convert(held, PathOf("held.html")); });
  GateKeeper keeper(gate, holder);
  ASSERT_TRUE(Eventually([&] { return Entries(Log()).size() == 1; }));

  const struct {
    const char* name;
    DWORD type;  // REG_NONE: the key has no "Path" at all
    std::string data;
  } cases[] = {
      {"Corvane.NoPath", REG_NONE, ""},
      {"Corvane.EmptyString", REG_SZ, std::string(1, '\0')},
      {"Corvane.EmptyExpandString", REG_EXPAND_SZ, ""},
      {"Corvane.EmptyBinary", REG_BINARY, ""},
  };
  for (const auto& c : cases) registry_.Set(c.name, c.type, c.data);
  const std::string input = Write("letter.doc", "{\\rtf1 x}");
  auto answers = std::make_shared<std::atomic<int>>(0);
  auto all_false = std::make_shared<std::atomic<bool>>(true);
  std::vector<std::string> classes = {"Corvane.NotRegistered"};
  for (const auto& c : cases) classes.push_back(c.name);
  std::thread([=, output = PathOf("letter.html")] {
    for (const std::string& converter_class : classes) {
      try {
        if (RunTextConverter(input, converter_class, output)) *all_false = false;
      } catch (...) {
        *all_false = false;
      }
      ++*answers;
    }
  }).detach();
  EXPECT_TRUE(Eventually([&] { return *answers == static_cast<int>(classes.size()); }))
      << "a class without a converter waited for the lock";
  EXPECT_TRUE(*all_false);
  EXPECT_FALSE(Exists(PathOf("letter.html")));

  keeper.Open();
  EXPECT_TRUE(held_result);
}

TEST_F(HostTest, ANonStringPathIsAnInvalidDataType) {
  const struct {
    const char* name;
    DWORD type;
    std::string data;
  } cases[] = {
      {"a number", REG_DWORD, std::string("\x01\x00\x00\x00", 4)},
      {"bytes", REG_BINARY, TestConverter()},
      {"a string list", REG_MULTI_SZ, TestConverter() + std::string(2, '\0')},
  };
  const std::string input = WriteScripted("letter.doc", {});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    registry_.Set(kClass, c.type, c.data);
    try {
      Convert(input, PathOf("letter.html"));
      ADD_FAILURE() << "no error";
    } catch (const import::ConverterRegistrationError& error) {
      EXPECT_STREQ(error.what(), "Invalid data type for 'Path'");
    }
    EXPECT_TRUE(Log().empty());  // nothing was loaded or run
  }
  EXPECT_FALSE(Exists(PathOf("letter.html")));
}

TEST_F(HostTest, StringPathsAreTakenAsTheyStandUpToTheirFirstZero) {
  ::SetEnvironmentVariableA("CORVANE_CONVERTERS", ProgramFolder().c_str());
  const struct {
    const char* name;
    DWORD type;
    std::string data;
    bool converts;
  } cases[] = {
      {"a string", REG_SZ, TestConverter() + std::string(1, '\0'), true},
      {"bytes after the zero", REG_SZ, TestConverter() + std::string("\0junk", 5), true},
      {"no zero at all", REG_SZ, TestConverter(), true},
      {"an expandable string", REG_EXPAND_SZ, TestConverter() + std::string(1, '\0'), true},
      // Not expanded: the library is named with the reference in it.
      {"an environment reference", REG_EXPAND_SZ,
       "%CORVANE_CONVERTERS%corvane_test_converter.cnv" + std::string(1, '\0'), false},
  };
  const std::string input = WriteScripted("letter.doc", {});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    registry_.Set(kClass, c.type, c.data);
    EXPECT_EQ(Convert(input, PathOf("letter.html")), c.converts);
  }
  ::SetEnvironmentVariableA("CORVANE_CONVERTERS", nullptr);
}

TEST_F(HostTest, LibrariesThatAreNoConvertersAnswerFalse) {
  const std::string not_a_library = Write("text.cnv", "MZ? not really");
  const struct {
    const char* name;
    std::string library;
  } cases[] = {
      {"a missing library", PathOf("missing.cnv")},
      {"a file that is no library", not_a_library},
      {"a library without ForeignToRtf32", ProgramFolder() + "corvane_test_init_only.cnv"},
      {"a library without InitConverter32", ProgramFolder() + "corvane_test_foreign_only.cnv"},
  };
  const std::string input = WriteScripted("letter.doc", {});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    registry_.Register("Corvane.Broken", c.library);
    EXPECT_FALSE(RunTextConverter(input, "Corvane.Broken", PathOf("letter.html")));
    EXPECT_FALSE(LibraryLoaded(c.library));
    EXPECT_FALSE(Exists(PathOf("letter.html")));
    ExpectReleased();
  }
}

// ---- The call ------------------------------------------------------------------

TEST_F(HostTest, TheConverterGetsTheInterfaceArgumentsAndIsLoadedAfreshEachTime) {
  const Script script;
  const std::string input = WriteScripted("Letter.doc", script);
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    ASSERT_TRUE(Convert(input, PathOf("Letter.html")));
    EXPECT_EQ(ReadAll(PathOf("Letter.html")), FramedDocument(script.document));
  }
  const std::vector<LogEvent> entries = Entries(Log());
  ASSERT_EQ(entries.size(), 2u);
  for (const LogEvent& e : entries) {
    EXPECT_EQ(e["file"], input);
    EXPECT_EQ(e["module"], "Belmorn");
    EXPECT_EQ(e["inits"], "1");  // freed in between, so initialised once per load
    EXPECT_EQ(e["window"], "top");
    EXPECT_EQ(e["storage"], "null");
    EXPECT_EQ(e["file_block"], std::to_string(2 * input.size() + 1));
    EXPECT_EQ(e["class"], "");
    EXPECT_EQ(e["class_block"], "1");
    EXPECT_EQ(e["subset"], "");
    EXPECT_EQ(e["subset_block"], "1");
    EXPECT_EQ(e["buffer_block"], "4097");
    EXPECT_EQ(e["buffer_moveable"], "1");
    EXPECT_EQ(e["buffer_zeroed"], "1");
  }
  ExpectReleased();
}

TEST_F(HostTest, ChunksJoinIntoTheWholeTextWhateverTheirSizes) {
  std::string document = "{\\rtf1 ";
  for (int i = 0; i < 2500; ++i)
    document += "w" + std::to_string(i) + (i % 10 == 9 ? "\\par " : " ");
  document += "}";
  ASSERT_GT(document.size(), 3 * 4097u);
  const std::string expected = FramedDocument(document);
  std::string bytewise;
  for (std::size_t i = 0; i < document.size(); ++i) bytewise += "1,";
  const struct {
    const char* name;
    std::string chunks;
  } cases[] = {
      {"the default 4096-byte chunks", ""},
      {"one byte at a time", bytewise},
      {"the whole buffer, its extra byte too", "4097"},
      {"more than the buffer: the converter grows it", std::to_string(document.size())},
      {"counts of 0 and below add nothing", "0,5,-1,7,-2147483648,0,3,-4096,11"},
      {"uneven sizes", "3,1,4,1,5,9,2,6,5,3,5,8,9,7,9,3,2,3,8,4,6,2,6,4,3,3,8,3,2,7,9,5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string input = WriteScripted("long.doc", {.chunks = c.chunks, .document = document});
    ASSERT_TRUE(Convert(input, PathOf("long.html")));
    EXPECT_EQ(ReadAll(PathOf("long.html")), expected);
  }
}

TEST_F(HostTest, ChunksSplitAtEveryOffsetJoinAgain) {
  const std::string document = "{\\rtf1 Caf\\'e9 {\\b bold}\\par two}";
  const std::string expected = FramedDocument(document);
  for (std::size_t split = 1; split < document.size(); ++split) {
    SCOPED_TRACE(split);
    const std::string input = WriteScripted(
        "split.doc", {.chunks = std::to_string(split) + ",0," + std::to_string(document.size()),
                      .document = document});
    ASSERT_TRUE(Convert(input, PathOf("split.html")));
    EXPECT_EQ(ReadAll(PathOf("split.html")), expected);
  }
}

TEST_F(HostTest, AConverterThatDeliversNothingGivesTheEmptyDocument) {
  const std::string input = WriteScripted("empty.doc", {.callback = false});
  ASSERT_TRUE(Convert(input, PathOf("empty.html")));
  EXPECT_EQ(ReadAll(PathOf("empty.html")), FramedDocument(""));
}

TEST_F(HostTest, ACountBeyondTheBufferFailsTheAttempt) {
  // The converter claims more bytes than its buffer holds; taking them
  // would read past the block.
  const std::string input = WriteScripted("liar.doc", {.chunks = "5,!5000"});
  EXPECT_FALSE(Convert(input, PathOf("liar.html")));
  EXPECT_FALSE(Exists(PathOf("liar.html")));
  const std::vector<LogEvent> log = Log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1]["code"], "2");  // it was asked to stop
  ExpectReleased();
}

// ---- Outputs ---------------------------------------------------------------

TEST_F(HostTest, ASuccessReplacesTheOutputAndAFailureLeavesItAlone) {
  const std::string output = Write("letter.html", "old output");
  ASSERT_TRUE(Convert(WriteScripted("letter.doc", {}), output));
  EXPECT_EQ(ReadAll(output), FramedDocument(Script().document));

  Write("letter.html", "old output");
  EXPECT_FALSE(Convert(WriteScripted("letter.doc", {.first = "1"}), output));
  EXPECT_EQ(ReadAll(output), "old output");

  std::string reason;
  EXPECT_FALSE(RunTextConverter(WriteScripted("other.doc", {.first = "7"}), kClass,
                                PathOf("other.html"), import::HtmlOutput::kClassic, reason));
  EXPECT_FALSE(Exists(PathOf("other.html")));
  EXPECT_EQ(reason, "the converter failed with code 7");  // told to the user
}

TEST_F(HostTest, AnOutputThatCannotBeWrittenRaisesAfterEverythingIsReleased) {
  // Someone else reads the output and lets no one write it meanwhile.
  const std::string output = Write("letter.html", "busy output");
  const HANDLE reader = ::CreateFileA(output.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  for (const std::string first : {"0", "-14"}) {  // from the first attempt, and from the copy
    SCOPED_TRACE(first);
    const std::string input = WriteScripted("letter.doc", {.first = first});
    EXPECT_THROW(Convert(input, output), import::FileError);
    EXPECT_EQ(ReadAll(output), "busy output");
    for (const LogEvent& e : Entries(Log())) {
      if (e["copy"] == "1") {
        EXPECT_FALSE(Exists(e["file"]));
      }
    }
    ExpectReleased();
  }
  ::CloseHandle(reader);
  EXPECT_EQ(Entries(Log()).size(), 3u);
}

// ---- The second attempt ------------------------------------------------------

TEST_F(HostTest, FourCodesRetryOnceOnATemporaryCopy) {
  const struct {
    const char* first;
    const char* second;
    bool converts;
    std::size_t attempts;
  } cases[] = {
      {"-14", "0", true, 2},         {"-1", "0", true, 2},
      {"65535", "0", true, 2},       {"65534", "0", true, 2},
      {"0xFFFFFFF2", "0", true, 2},  // -14 written as its 32 bits
      {"-14", "-14", false, 2},      // no third attempt
      {"-1", "5", false, 2},         {"-2", "0", false, 1},
      {"4294967294", "0", false, 1},  // -2 as its 32 bits: not 65534
      {"65522", "0", false, 1},       // -14 in 16 bits, zero-extended: not -14
      {"0x1FFFF", "0", false, 1},     // 65535 with more above it
      {"65533", "0", false, 1},      {"-15", "0", false, 1},
      {"1", "0", false, 1},          {"0x7FFFFFFF", "0", false, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.first) + " then " + c.second);
    ::DeleteFileA(log_.c_str());
    const Script script{.first = c.first, .second = c.second};
    const std::string input = WriteScripted("Letter.Doc", script);
    const std::string output = PathOf("Letter.html");
    ::DeleteFileA(output.c_str());
    EXPECT_EQ(Convert(input, output), c.converts);
    EXPECT_EQ(Exists(output), c.converts);
    if (c.converts) {
      EXPECT_EQ(ReadAll(output), FramedDocument(script.document));
    }
    const std::vector<LogEvent> entries = Entries(Log());
    ASSERT_EQ(entries.size(), c.attempts);
    EXPECT_EQ(entries[0]["file"], input);
    if (c.attempts == 2) {
      const std::string copy = entries[1]["file"];
      const std::string name = copy.substr(copy.find_last_of('\\') + 1);
      const std::string temp = std::filesystem::temp_directory_path().string();
      EXPECT_EQ(copy.rfind(temp, 0), 0u) << copy;  // in the temporary folder
      EXPECT_EQ(name.substr(0, 3), "tor") << name;
      EXPECT_EQ(name.substr(name.size() - 4), ".Doc") << name;  // the extension as spelled
      EXPECT_FALSE(Exists(copy));
      EXPECT_FALSE(Exists(copy.substr(0, copy.size() - 4)));  // nor the name's placeholder
    }
  }
  ExpectReleased();
}

TEST_F(HostTest, TheCopyOfAReadOnlyHiddenInputIsAPlainFile) {
  const std::string input = WriteScripted("locked.wri", {.first = "-14"});
  ASSERT_TRUE(::SetFileAttributesA(input.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(Convert(input, PathOf("locked.html")));
  const std::vector<LogEvent> entries = Entries(Log());
  ASSERT_EQ(entries.size(), 2u);
  constexpr unsigned long kSticky = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
  EXPECT_EQ(std::stoul(entries[0]["attributes"]) & kSticky, kSticky);
  EXPECT_EQ(std::stoul(entries[1]["attributes"]) & kSticky, 0u);
  EXPECT_FALSE(Exists(entries[1]["file"]));
}

TEST_F(HostTest, AnInputWithoutExtensionGetsACopyWithoutOne) {
  const std::string input = WriteScripted("README", {.first = "65535"});
  ASSERT_TRUE(Convert(input, PathOf("README.html")));
  const std::vector<LogEvent> entries = Entries(Log());
  ASSERT_EQ(entries.size(), 2u);
  const std::string copy = entries[1]["file"];
  const std::string name = copy.substr(copy.find_last_of('\\') + 1);
  // The system's unique name and nothing after it.
  EXPECT_EQ(name.substr(0, 3), "tor");
  EXPECT_EQ(name.find('.'), name.rfind('.')) << name;
  EXPECT_FALSE(Exists(copy));
}

TEST_F(HostTest, WithoutATemporaryFolderThereIsNoSecondAttempt) {
  // A unique name cannot be made; the copy must not become a bare ".doc"
  // in whatever folder is current.
  char saved_folder[MAX_PATH + 1] = "";
  ::GetCurrentDirectoryA(MAX_PATH, saved_folder);
  ASSERT_TRUE(::SetCurrentDirectoryA(root_.string().c_str()));
  const std::string missing = PathOf("no such folder") + "\\";
  ::SetEnvironmentVariableA("TMP", missing.c_str());
  ::SetEnvironmentVariableA("TEMP", missing.c_str());
  const std::string input = WriteScripted("letter.doc", {.first = "-14"});
  const bool converted = Convert(input, PathOf("letter.html"));
  ::SetEnvironmentVariableA("TMP", nullptr);
  ::SetEnvironmentVariableA("TEMP", nullptr);
  ::SetCurrentDirectoryA(saved_folder);

  EXPECT_FALSE(converted);
  EXPECT_EQ(Entries(Log()).size(), 1u);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(root_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"converter.log", "letter.doc", "probe.doc"}));
}

// ---- Threads and the lock ------------------------------------------------------

TEST_F(HostTest, TwoThreadsNeverRunConvertersAtOnceAndEachKeepsItsText) {
  constexpr int kFilesEach = 3;
  std::atomic<int> failures{0};
  auto work = [&](const std::string& who) {
    for (int i = 0; i < kFilesEach; ++i) {
      const std::string name = who + std::to_string(i);
      const std::string input = WriteScripted(
          name + ".doc",
          {.chunks = "3,0,5", .delay_ms = 150, .document = "{\\rtf1 text of " + name + "}"});
      if (!Convert(input, PathOf(name + ".html"))) ++failures;
    }
  };
  std::thread a(work, "a");
  std::thread b(work, "b");
  a.join();
  b.join();
  EXPECT_EQ(failures, 0);
  for (const char* who : {"a", "b"}) {
    for (int i = 0; i < kFilesEach; ++i) {
      const std::string name = who + std::to_string(i);
      EXPECT_EQ(ReadAll(PathOf(name + ".html")), FramedDocument("{\\rtf1 text of " + name + "}"));
    }
  }
  const std::vector<LogEvent> log = Log();
  ASSERT_EQ(log.size(), 4u * kFilesEach);
  for (std::size_t i = 0; i < log.size(); i += 2) {
    SCOPED_TRACE(i);
    EXPECT_EQ(log[i].event, "enter");
    EXPECT_EQ(log[i + 1].event, "leave");  // nobody else got in meanwhile
    EXPECT_EQ(log[i + 1]["file"], log[i]["file"]);
  }
}

TEST_F(HostTest, TheEndWhileAWorkerConvertsKeepsTheLock) {
  const std::string gate = PathOf("gate");
  const std::string slow = WriteScripted("slow.doc", {.delay_ms = 400, .gate = gate});
  std::atomic<int> slow_result{0};
  std::thread worker([&] {
    try {
      slow_result = Convert(slow, PathOf("slow.html")) ? 1 : 2;
    } catch (...) {
      slow_result = 3;
    }
  });
  GateKeeper keeper(gate, worker);
  ASSERT_TRUE(Eventually([&] { return Entries(Log()).size() == 1; }));

  // As at the program's end after the bounded wait gave up on a worker.
  import::EndConverterModule(false);

  std::atomic<int> late_result{0};
  std::thread late([&] {
    try {
      late_result = Convert(WriteScripted("late.doc", {}), PathOf("late.html")) ? 1 : 2;
    } catch (...) {
      late_result = 3;
    }
  });
  keeper.Open();
  late.join();
  EXPECT_EQ(slow_result, 1);
  EXPECT_EQ(late_result, 1);
  const std::vector<LogEvent> log = Log();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0]["file"], slow);
  EXPECT_EQ(log[1].event, "leave");  // the late one waited for the lock
  EXPECT_EQ(log[1]["file"], slow);
}

// ---- The sweep at the end ----------------------------------------------------

TEST_F(HostTest, TheSweepRemovesOurLeftoversAndNothingElse) {
  // The converter leaves its copy read-only, so deleting it after the
  // second attempt fails and it stays behind.
  const std::string input = WriteScripted("kept.doc", {.first = "-14", .protect_copy = true});
  ASSERT_TRUE(Convert(input, PathOf("kept.html")));
  const std::vector<LogEvent> entries = Entries(Log());
  ASSERT_EQ(entries.size(), 2u);
  const std::string leftover = entries[1]["file"];
  ASSERT_TRUE(Exists(leftover));
  // Its name stays taken while it exists: no other instance is handed it.
  const std::string placeholder = leftover.substr(0, leftover.size() - 4);
  EXPECT_TRUE(Exists(placeholder));

  // Another program's file, and one named as our copies are (another
  // instance of this program may be converting from it right now).
  const std::filesystem::path temp = std::filesystem::temp_directory_path();
  const std::string name = std::to_string(::GetCurrentProcessId() % 0xFFFF);
  const std::vector<std::string> foreign = {(temp / ("tor" + name + ".tmp")).string(),
                                            (temp / ("tor" + name + ".tmp.doc")).string()};
  for (const std::string& path : foreign) {
    std::ofstream(path, std::ios::binary) << "not ours";
    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  }

  import::EndConverterModule(true);
  import::StartConverterModule();

  EXPECT_FALSE(Exists(leftover));
  EXPECT_FALSE(Exists(placeholder));
  for (const std::string& path : foreign) {
    EXPECT_TRUE(Exists(path)) << path;
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
  }
}

}  // namespace
}  // namespace corvane::converter_testing
