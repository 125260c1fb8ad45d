// Shared pieces of the converter tests: converter registrations, scripts for
// the test converter, its log, and a temporary folder per test.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/rtf2html.h"
#include "import/converter_host.h"
#include "tests/support/temp_folder.h"
#include "tests/support/wait_for.h"

namespace corvane::converter_testing {

inline constexpr char kImportKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\Text Converters\\Import\\";

// The folder of the running test program; the converter libraries are built
// beside it.
inline std::string ProgramFolder() {
  char path[MAX_PATH + 1] = "";
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

inline std::string TestConverter() { return ProgramFolder() + "corvane_test_converter.cnv"; }

// Polls until condition holds, within a bound no healthy run comes near.
inline bool Eventually(const std::function<bool()>& condition) {
  return test_support::WaitFor(condition, std::chrono::seconds(60));
}

// Writes converter registrations under root (HKEY_LOCAL_MACHINE, or a key
// standing in for it) and deletes every key it made when it goes.
class Registrations {
 public:
  explicit Registrations(HKEY root, REGSAM view = 0) : root_(root), view_(view) {}
  ~Registrations() {
    for (const std::string& key : made_) ::RegDeleteKeyExA(root_, key.c_str(), view_, 0);
  }
  Registrations(const Registrations&) = delete;
  Registrations& operator=(const Registrations&) = delete;

  // The class's key with a "Path" value of the given type and bytes;
  // type REG_NONE makes the key without the value.
  void Set(const std::string& converter_class, DWORD type, const std::string& data) {
    const std::string key = kImportKey + converter_class;
    HKEY handle = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(root_, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr,
                                &handle, nullptr),
              ERROR_SUCCESS)
        << key;
    made_.push_back(key);
    LONG status = ERROR_SUCCESS;
    if (type != REG_NONE) {
      status = ::RegSetValueExA(handle, "Path", 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                static_cast<DWORD>(data.size()));
    }
    ::RegCloseKey(handle);
    ASSERT_EQ(status, ERROR_SUCCESS);
  }

  // The usual registration: a REG_SZ path with its terminating zero.
  void Register(const std::string& converter_class, const std::string& library) {
    Set(converter_class, REG_SZ, library + std::string(1, '\0'));
  }

  // What an installer writes beside the path: the display name and the
  // extensions (space-separated, no dots).
  void Describe(const std::string& converter_class, const std::string& name,
                const std::string& extensions) {
    const std::string key = kImportKey + converter_class;
    for (const auto& [value, data] :
         {std::pair{"Name", name}, std::pair{"Extensions", extensions}}) {
      ASSERT_EQ(::RegSetKeyValueA(root_, key.c_str(), value, REG_SZ, data.c_str(),
                                  static_cast<DWORD>(data.size() + 1)),
                ERROR_SUCCESS)
          << key << " " << value;
    }
  }

 private:
  HKEY root_;
  REGSAM view_;
  std::vector<std::string> made_;
};

// For the life of the owner, HKEY_LOCAL_MACHINE of this process is a fresh
// key of its own: registrations made in one test process are seen by no
// other, so tests may run side by side.
class PrivateLocalMachine {
 public:
  PrivateLocalMachine() {
    static int counter = 0;
    key_ = "Software\\Corvane converter tests\\" + std::to_string(::GetCurrentProcessId()) + "-" +
           std::to_string(counter++);
    // A run killed half way may have left one of a process with our number.
    ::RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str());
    ::RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &handle_, nullptr);
    if (handle_ != nullptr) ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, handle_);
  }
  ~PrivateLocalMachine() {
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    if (handle_ != nullptr) ::RegCloseKey(handle_);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str());
  }
  PrivateLocalMachine(const PrivateLocalMachine&) = delete;
  PrivateLocalMachine& operator=(const PrivateLocalMachine&) = delete;
  bool Ready() const { return handle_ != nullptr; }

 private:
  std::string key_;
  HKEY handle_ = nullptr;
};

// What the test converter is told to do with one file.
struct Script {
  std::string first = "0";   // code for the file under its own name
  std::string second = "0";  // code for a temporary copy
  std::string chunks{};
  bool callback = true;
  int delay_ms = 0;
  std::string gate{};
  bool protect_copy = false;
  std::string log{};
  std::map<std::string, std::string> more{};  // e.g. "first@MSWord8" -> "1"
  std::string document = "{\\rtf1 Hello\\par World}";

  std::string Text() const {
    std::string text = "CORVANE-FIXTURE\nfirst=" + first + "\nsecond=" + second + "\n";
    if (!chunks.empty()) text += "chunks=" + chunks + "\n";
    if (!callback) text += "callback=none\n";
    if (delay_ms > 0) text += "delay=" + std::to_string(delay_ms) + "\n";
    if (!gate.empty()) text += "gate=" + gate + "\n";
    if (protect_copy) text += "protect_copy=1\n";
    if (!log.empty()) text += "log=" + log + "\n";
    for (const auto& [key, value] : more) text += key + "=" + value + "\n";
    return text + "--\n" + document;
  }
};

// One line of the test converter's log.
struct LogEvent {
  std::string event;  // "enter" or "leave"
  std::map<std::string, std::string> fields;
  const std::string& operator[](const std::string& key) const {
    static const std::string none = "<absent>";
    const auto found = fields.find(key);
    return found == fields.end() ? none : found->second;
  }
};

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

inline std::vector<LogEvent> ReadLog(const std::string& path) {
  std::vector<LogEvent> events;
  std::istringstream lines(ReadAll(path));
  std::string line;
  while (std::getline(lines, line)) {
    LogEvent event;
    std::size_t at = line.find('\t');
    event.event = line.substr(0, at);
    while (at != std::string::npos) {
      const std::size_t next = line.find('\t', at + 1);
      const std::string field =
          line.substr(at + 1, next == std::string::npos ? next : next - at - 1);
      const std::size_t equals = field.find('=');
      event.fields[field.substr(0, equals)] =
          equals == std::string::npos ? "" : field.substr(equals + 1);
      at = next;
    }
    events.push_back(std::move(event));
  }
  return events;
}

inline std::vector<LogEvent> Entries(const std::vector<LogEvent>& events) {
  std::vector<LogEvent> entries;
  for (const LogEvent& e : events) {
    if (e.event == "enter") entries.push_back(e);
  }
  return entries;
}

inline bool Exists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool LibraryLoaded(const std::string& path) {
  return ::GetModuleHandleA(path.c_str()) != nullptr;
}

inline std::string FramedDocument(const std::string& rtf) { return RenderRtfAsHtml(rtf); }

// A fresh folder per test, with the test converter's log in it.
class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override { log_ = PathOf("converter.log"); }

  std::string PathOf(const std::string& name) const { return (root_ / name).string(); }

  std::string Write(const std::string& name, const std::string& content) {
    std::ofstream(root_ / name, std::ios::binary) << content;
    return PathOf(name);
  }

  // The input scripted for the test converter, logging to this test's log.
  std::string WriteScripted(const std::string& name, Script script) {
    if (script.log.empty()) script.log = log_;
    return Write(name, script.Text());
  }

  // A copy of the test converter under another name, so the log tells
  // which registration ran.
  std::string ConverterNamed(const std::string& name) {
    const std::string path = PathOf(name + ".cnv");
    if (!Exists(path)) std::filesystem::copy_file(TestConverter(), path);
    return path;
  }

  std::vector<LogEvent> Log() const { return ReadLog(log_); }

  corvane::test_support::TempFolder temp_{"corvane-converter"};
  std::filesystem::path root_ = temp_.Root();
  std::string log_;
};

// The converter module started, and this process's HKEY_LOCAL_MACHINE
// private to the test.
class ConverterTest : public ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    ASSERT_TRUE(machine_.Ready());
    import::StartConverterModule();
  }
  void TearDown() override {
    import::EndConverterModule(true);
    ScratchTest::TearDown();
  }

  PrivateLocalMachine machine_;
  Registrations registry_{HKEY_LOCAL_MACHINE};
};

}  // namespace corvane::converter_testing
