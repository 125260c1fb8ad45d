// corvane-cli.exe as a real process, reading the real HKEY_LOCAL_MACHINE
// (32-bit view) where the test registers converter classes for a while.
// Its output goes to files: a pipe could be held open by Wine's desktop.
#include "converter_test_support.h"
#include "tests/converter/docx_fixtures.h"

namespace corvane::converter_testing {
namespace {

struct ProcessOutcome {
  bool ended = false;
  DWORD exit_code = 0;
  std::string out;
  std::string err;
};

class HandleOwner {
 public:
  explicit HandleOwner(HANDLE handle) : handle_(handle) {}
  ~HandleOwner() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  HandleOwner(const HandleOwner&) = delete;
  HandleOwner& operator=(const HandleOwner&) = delete;
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

class CliProcessTest : public ScratchTest {
 protected:
  ProcessOutcome Run(const std::string& arguments) {
    ProcessOutcome outcome;
    const std::string out_path = PathOf("cli.out");
    const std::string err_path = PathOf("cli.err");
    {
      SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
      const HandleOwner in(::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         &inherit, OPEN_EXISTING, 0, nullptr));
      const HandleOwner out(::CreateFileA(out_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                          &inherit, CREATE_ALWAYS, 0, nullptr));
      const HandleOwner err(::CreateFileA(err_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                          &inherit, CREATE_ALWAYS, 0, nullptr));
      STARTUPINFOA startup{};
      startup.cb = sizeof startup;
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdInput = in.Get();
      startup.hStdOutput = out.Get();
      startup.hStdError = err.Get();
      std::string command = "\"" + ProgramFolder() + "corvane-cli.exe\" " + arguments;
      PROCESS_INFORMATION process{};
      if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                            &startup, &process)) {
        ADD_FAILURE() << "cannot start " << command << ": " << ::GetLastError();
        return outcome;
      }
      const HandleOwner thread(process.hThread);
      const HandleOwner owner(process.hProcess);
      outcome.ended = ::WaitForSingleObject(process.hProcess, 300000) == WAIT_OBJECT_0;
      if (!outcome.ended) ::TerminateProcess(process.hProcess, 99);
      ::GetExitCodeProcess(process.hProcess, &outcome.exit_code);
    }
    outcome.out = ReadAll(out_path);
    outcome.err = ReadAll(err_path);
    return outcome;
  }

  // The registry view a program of this build's width reads: the 32-bit one
  // for the product, the 64-bit one for the 64-bit test build.
  Registrations machine_{HKEY_LOCAL_MACHINE,
                         sizeof(void*) == 4 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY};
};

TEST_F(CliProcessTest, AFolderConvertsThroughRegisteredClassesAndTheEndSweeps) {
  for (const char* c : {"MSWord8", "MSWinWrite.wpc", "WorksWin5"}) {
    machine_.Register(c, ConverterNamed(c));
  }
  std::filesystem::create_directories(root_ / "docs" / "sub");
  const struct {
    const char* name;
    Script script;
    bool converts;
  } files[] = {
      {"docs/plain.rtf", {.document = "{\\rtf1 direct}"}, true},
      {"docs/letter.doc", {.document = "{\\rtf1 a letter}"}, true},
      {"docs/sub/notes.wri", {.chunks = "2,0,-7,4", .document = "{\\rtf1 notes}"}, true},
      {"docs/sub/list.wps", {.document = "{\\rtf1 works}"}, true},
      // Converted from a copy that the converter leaves read-only: only the
      // sweep at the program's end can remove it.
      {"docs/sub/kept.doc",
       {.first = "-14", .protect_copy = true, .document = "{\\rtf1 kept}"},
       true},
      {"docs/refused.doc", {.first = "5"}, false},
      {"docs/sub/perfect.wpd", {}, false},
  };
  for (const auto& f : files) {
    const std::string path = (root_ / f.name).make_preferred().string();
    Script script = f.script;
    script.log = log_;
    std::ofstream(path, std::ios::binary)
        << (path.ends_with(".rtf") ? script.document : script.Text());
  }
  // Another program's temporary files, one of them named as our copies are.
  const std::filesystem::path temp = std::filesystem::temp_directory_path();
  const std::string number = std::to_string(::GetCurrentProcessId() % 0xFFFF);
  const std::vector<std::string> foreign = {(temp / ("tor" + number + ".tmp")).string(),
                                            (temp / ("tor" + number + ".tmp.doc")).string()};
  for (const std::string& path : foreign) std::ofstream(path, std::ios::binary) << "not ours";

  const ProcessOutcome outcome = Run("\"" + (root_ / "docs").string() + "\"");

  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.exit_code, 1u) << outcome.err;  // some files failed
  EXPECT_NE(outcome.out.find("Done. Errors: 2"), std::string::npos) << outcome.out;
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    std::filesystem::path output = root_ / f.name;
    output.replace_extension(".html");
    ASSERT_EQ(std::filesystem::exists(output), f.converts);
    if (f.converts) {
      EXPECT_EQ(ReadAll(output), FramedDocument(f.script.document));
    }
  }
  std::size_t copies = 0;
  for (const LogEvent& e : Entries(Log())) {
    if (e["copy"] != "1") continue;
    ++copies;
    EXPECT_FALSE(Exists(e["file"])) << "left behind: " << e["file"];
  }
  EXPECT_EQ(copies, 1u);
  for (const std::string& path : foreign) {
    EXPECT_TRUE(Exists(path)) << path;
    ::DeleteFileA(path.c_str());
  }
}

// Our .docx converter, registered as an installer does it, serves the
// dispatch table's Word12 and MEWord12 for corvane-cli.exe unchanged; a
// protected and a broken document are failures the summary counts.
TEST_F(CliProcessTest, WordDocumentsConvertThroughOurRegisteredConverter) {
  const std::string library = ProgramFolder() + "corvane-docx.cnv";
  for (const auto& [c, extension] : {std::pair{"Word12", "docx"}, std::pair{"MEWord12", "docm"}}) {
    machine_.Register(c, library);
    machine_.Describe(c, "Word 2007+ document", extension);
  }
  std::filesystem::create_directories(root_ / "docs");
  const std::string report =
      ZipPackage(WordDocumentParts("Quarterly report", SampleBody(120)), PathOf("report.zip"));
  const std::string macros =
      ZipPackage(WordDocumentParts("With macros", SampleBody(3), true), PathOf("macros.zip"));
  const struct {
    const char* name;
    std::string content;
    bool converts;
  } files[] = {
      {"report.docx", report, true},
      {"macros.docm", macros, true},
      {"locked.docx", CompoundFile(true), false},
      {"cut.docx", report.substr(0, report.size() / 2), false},
  };
  for (const auto& f : files) Write("docs/" + std::string(f.name), f.content);

  const ProcessOutcome outcome = Run("\"" + (root_ / "docs").string() + "\"");

  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.exit_code, 1u) << outcome.err;
  EXPECT_NE(outcome.out.find("Done. Errors: 2"), std::string::npos) << outcome.out;
  for (const auto& f : files) {
    SCOPED_TRACE(f.name);
    std::filesystem::path output = root_ / "docs" / f.name;
    output.replace_extension(".html");
    ASSERT_EQ(std::filesystem::exists(output), f.converts);
    if (f.converts) {
      const std::string expected = PortableHtml(f.content);
      ASSERT_FALSE(expected.empty());
      EXPECT_EQ(ReadAll(output), expected);
    }
  }
}

// The older formats, a workbook and a web page convert through the
// program's own readers, with no converter class registered for any of them.
TEST_F(CliProcessTest, TheOlderFormatsConvertWithNothingRegistered) {
  const std::pair<const char*, const char*> files[] = {
      {"wpd/tika__tika-parser-miscoffice-module_src_test_resources_test-documents_"
       "testWordPerfect_5_1.wp.wpd",
       "Western Gulf of Alaska"},
      {"wpd/format-corpus__office_wordprocessing_WordPerfect50_testWordPerfect_50.doc",
       "<p>Sluwe Sjaantje sloeg de slome slager</p>"},
      {"wps/tika__tika-parsers-standard-integration-tests_src_test_resources_test-documents_"
       "testWORKSWordProcessor4.0.wps",
       "Microsoft Works Word Processor"},
      {"wri/format-corpus__office_wordprocessing_MSWrite_testWindowsWrite.wri",
       "<p>Sluwe Sjaantje sloeg de slome slager</p>"},
      {"wk1/format-corpus__office_spreadsheet_wk1_PF.WK1", "<p>6001 | 182 | 5-10 | 295.077"},
      {"wk4/test_files__crlf_crlfq9.wk4", "<p>Normal | abcdef</p>"},
      {"xls/poi__test-data_spreadsheet_SimpleWithColours.xls", "<p>I'm red</p>"},
  };
  std::filesystem::create_directories(root_ / "older");
  for (const auto& [file, words] : files) {
    const std::string bytes =
        ReadAll((std::filesystem::path(CORVANE_BUNDLED_CORPUS_DIR) / file).string());
    ASSERT_FALSE(bytes.empty()) << file;
    Write("older/" + std::filesystem::path(file).filename().string(), bytes);
  }
  Write("older/intranet.htm", "<html><title>Intranet</title><h1>News of the week</h1>");

  const ProcessOutcome outcome = Run("\"" + (root_ / "older").string() + "\"");

  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.exit_code, 0u) << outcome.err;
  EXPECT_NE(outcome.out.find("Done. Errors: 0"), std::string::npos) << outcome.out;
  EXPECT_NE(ReadAll(root_ / "older" / "intranet.html").find("<p>News of the week</p>"),
            std::string::npos);
  for (const auto& [file, words] : files) {
    SCOPED_TRACE(file);
    std::filesystem::path output = root_ / "older" / std::filesystem::path(file).filename();
    output.replace_extension(".html");
    const std::string html = ReadAll(output.string());
    EXPECT_NE(html.find(words), std::string::npos) << html;
  }
}

}  // namespace
}  // namespace corvane::converter_testing
