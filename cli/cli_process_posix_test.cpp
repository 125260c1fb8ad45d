// corvane-cli run as a user runs it: signals, pipes, hostile names and two
// runs over one tree at once.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_process_posix_support.h"
#include "corvane/version.h"
#include "engine/rtf2html.h"
#include "readers/docx/docx_fixture.h"

namespace {

using namespace corvane::cli::testing;
using namespace std::chrono_literals;

TEST_F(CliProcessTest, CommandLinesAnswerAsTheHelpSays) {
  const std::string rtf = "{\\rtf1{\\info{\\title T}}Hello \\'e9\\par World}";
  Write("notes.txt", "not a document");
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string output;  // the whole of standard output, or a part of it
    std::string errors;  // a part of standard error
  };
  const Case cases[] = {
      {"help", {"--help"}, 0, "Usage: corvane-cli", ""},
      {"short help", {"-h"}, 0, "Usage: corvane-cli", ""},
      {"version", {"--version"}, 0, "corvane-cli " CORVANE_VERSION_TEXT "\n", ""},
      {"no input", {}, 2, "", "no input"},
      {"unknown option", {"--bogus"}, 2, "", "unknown option '--bogus'"},
      {"missing path", {"missing.rtf"}, 1, "", "missing.rtf: no such file or folder"},
      {"unsupported file", {"notes.txt"}, 1, "", "notes.txt: not a supported document type"},
      {"standard input", {"-"}, 0, corvane::RenderRtfAsHtml(rtf), ""},
      {"full text from standard input", {"--utf8", "-"}, 0, "<meta charset=\"utf-8\">", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Answer answer = Ask(c.args, rtf);
    EXPECT_EQ(answer.status, c.status) << answer.errors;
    if (c.args == std::vector<std::string>{"-"} ||
        c.args == std::vector<std::string>{"--version"}) {
      EXPECT_EQ(answer.output, c.output);
    } else {
      EXPECT_NE(answer.output.find(c.output), std::string::npos) << answer.output;
    }
    EXPECT_NE(answer.errors.find(c.errors), std::string::npos) << answer.errors;
  }
}

// Standard input is sized once when it is a file and grown when it is a
// pipe: either way every byte arrives once, from the current offset on.
TEST_F(CliProcessTest, StandardInputIsReadWholeFromAFileOrAPipe) {
  std::string rtf = "{\\rtf1 ";
  for (int i = 0; rtf.size() < 300000; ++i) rtf += "Line " + std::to_string(i) + "\\par\r\n";
  rtf += "}";
  const std::string header = "junk{";  // read by someone before the converter starts
  struct Case {
    const char* name;
    std::string input;
    bool through_pipe;
    off_t skip;
  };
  const Case cases[] = {
      {"file", rtf, false, 0},
      {"pipe of many blocks", rtf, true, 0},
      {"file partly read already", header + rtf, false, static_cast<off_t>(header.size())},
      {"empty file", "", false, 0},
      {"empty pipe", "", true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Answer answer = Ask({"-"}, c.input, c.through_pipe, c.skip);
    EXPECT_EQ(answer.status, 0) << answer.errors;
    EXPECT_EQ(answer.output, corvane::RenderRtfAsHtml(c.input.substr(c.skip)));
  }
}

TEST_F(CliProcessTest, OneInterruptStopsAfterTheFilesAtHandWith130) {
  // Enough large files that the run is still going when the signal comes.
  const std::string big = "{\\rtf1 " + std::string(4 << 20, 'a') + "}";
  for (int i = 0; i < 40; ++i) Write("many/f" + std::to_string(i) + ".rtf", big);
  const fs::path err = root_ / "err.txt";
  const pid_t pid = Start({"--report", "json", "many"}, root_, err, false, root_ / "out.json");
  // The signal comes once the run is under way (a first output is there),
  // its handler in place.
  const auto started = [&] {
    for (const auto& entry : fs::directory_iterator(root_ / "many"))
      if (entry.path().extension() == ".html") return true;
    return false;
  };
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (!started() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(1ms);
  ::kill(pid, SIGINT);
  const Ending ending = WaitForEnding(pid);
  EXPECT_TRUE(ending.exited) << "killed by signal " << ending.code << ": " << Read(err);
  EXPECT_EQ(ending.code, 130) << Read(err);
  // The report ends with its summary, as after a run that ran out.
  std::istringstream report(Read(root_ / "out.json"));
  std::string line, last_line;
  while (std::getline(report, line)) last_line = line;
  EXPECT_EQ(last_line.rfind("{\"summary\":true,", 0), 0u) << last_line;
  EXPECT_NE(last_line.find("\"interrupted\":true"), std::string::npos) << last_line;
  EXPECT_EQ(TemporaryFiles(root_), std::vector<std::string>{});
  int converted = 0;
  for (int i = 0; i < 40; ++i)
    converted += fs::exists(root_ / "many" / ("f" + std::to_string(i) + ".html"));
  EXPECT_LT(converted, 40);
}

TEST_F(CliProcessTest, EachFailureSaysWhatHappened) {
  Write("tree/letter.pwd", "binary");
  Write("tree/good.rtf", "{\\rtf1 fine}");
  const int status = Wait(Start({"tree"}, root_, root_ / "err.txt"));
  EXPECT_EQ(status, 1);
  const std::string errors = Read(root_ / "err.txt");
  EXPECT_NE(errors.find("letter.pwd: not converted: no converter is registered for this type"),
            std::string::npos)
      << errors;
  EXPECT_TRUE(fs::exists(root_ / "tree" / "good.html"));
}

TEST_F(CliProcessTest, ALineFeedInANameNeverReachesAFileOutsideTheTree) {
  Write("walk/a\nsecret.rtf", "{\\rtf1 inside}");
  Write("secret.rtf", "{\\rtf1 outside}");
  Write("secret.html", "keep me");
  EXPECT_EQ(Wait(Start({"walk"}, root_, root_ / "err.txt")), 0) << Read(root_ / "err.txt");
  EXPECT_EQ(Read(root_ / "secret.html"), "keep me");
  EXPECT_EQ(Read(root_ / "walk" / "a\nsecret.html"), corvane::RenderRtfAsHtml("{\\rtf1 inside}"));
}

// A file link in a walked tree stands for its target: one to a file
// outside the named folder would put that file's text into the output.
TEST_F(CliProcessTest, AFileLinkInATreeIsFollowedOnlyToAFileInsideIt) {
  Write("tree/inside.rtf", "{\\rtf1 inside}");
  Write("private.rtf", "{\\rtf1 private}");
  fs::create_symlink("../private.rtf", root_ / "tree" / "report.rtf");
  fs::create_directories(root_ / "tree" / "sub");
  fs::create_symlink("../inside.rtf", root_ / "tree" / "sub" / "latest.rtf");
  const Answer answer = Ask({"tree", "--report", "json"});
  EXPECT_EQ(answer.status, 1) << answer.errors;
  EXPECT_NE(answer.output.find("\"converted\":2,\"failed\":1"), std::string::npos) << answer.output;
  EXPECT_NE(answer.errors.find("tree/report.rtf: not converted: a link to a file outside"),
            std::string::npos)
      << answer.errors;
  EXPECT_FALSE(fs::exists(root_ / "tree" / "report.html"));
  EXPECT_FALSE(fs::exists(root_ / "private.html"));
  // The link inside reads its target; its output is its own, as any file's.
  EXPECT_EQ(Read(root_ / "tree" / "inside.html"), corvane::RenderRtfAsHtml("{\\rtf1 inside}"));
  EXPECT_EQ(Read(root_ / "tree" / "sub" / "latest.html"),
            corvane::RenderRtfAsHtml("{\\rtf1 inside}"));
}

// A list on a pipe is taken name by name: a name is converted as soon as
// its line has come, and one interrupt still reports it.
TEST_F(CliProcessTest, AListOnAPipeIsTakenAsEachNameArrives) {
  Write("first.rtf", "{\\rtf1 first}");
  int list[2] = {-1, -1};
  ASSERT_EQ(::pipe(list), 0);
  const fs::path report = root_ / "report.jsonl";
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(root_.c_str()) != 0) ::_exit(120);
    ::dup2(list[0], 0);
    ::close(list[0]);
    ::close(list[1]);
    ::dup2(::open(report.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    ::dup2(::open("/dev/null", O_WRONLY), 2);
    ::execl(CORVANE_CLI_PATH, CORVANE_CLI_PATH, "--files-from", "-", "--report", "json",
            static_cast<char*>(nullptr));
    ::_exit(121);
  }
  ::close(list[0]);
  const std::string line = "first.rtf\n";
  ASSERT_EQ(::write(list[1], line.data(), line.size()), static_cast<ssize_t>(line.size()));
  // The list stays open: only a hang would keep the output from coming.
  const auto give_up = std::chrono::steady_clock::now() + 60s;
  while (!fs::exists(root_ / "first.html") && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_TRUE(fs::exists(root_ / "first.html")) << "no output while the list is open";
  ::kill(pid, SIGINT);
  EXPECT_EQ(Wait(pid), 130);
  ::close(list[1]);
  const std::string lines = Read(report);
  EXPECT_NE(lines.find("\"converted\":1,\"failed\":0,\"interrupted\":true"), std::string::npos)
      << lines;
}

// A reason may quote the document itself: here a part's name, with a
// carriage return that would hide the message. On a terminal it is
// escaped as names are.
TEST_F(CliProcessTest, ControlBytesFromADocumentReachTheTerminalEscaped) {
  const std::string rels =
      "<?xml version=\"1.0\"?><Relationships "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
      "Id=\"r\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
      "officeDocument\" Target=\"word/x&#13;&#9;y.xml\"/></Relationships>";
  Write("bad.docx", corvane::docx::testing::BuildZip(
                        {{"_rels/.rels", rels}, {"word/x\r\ty.xml", "<not well-formed"}}));
  const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  ASSERT_EQ(::grantpt(terminal), 0);
  ASSERT_EQ(::unlockpt(terminal), 0);
  const std::string terminal_name = ::ptsname(terminal);
  // Held open here too, so that what the CLI wrote waits to be read.
  const int terminal_end = ::open(terminal_name.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal_end, 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(root_.c_str()) != 0) ::_exit(120);
    ::dup2(::open("/dev/null", O_RDWR), 0);
    ::dup2(0, 1);
    ::dup2(terminal_end, 2);
    ::execl(CORVANE_CLI_PATH, CORVANE_CLI_PATH, "bad.docx", static_cast<char*>(nullptr));
    ::_exit(121);
  }
  EXPECT_EQ(Wait(pid), 1);
  ::close(terminal_end);
  std::string shown;
  char buffer[4096];
  for (ssize_t got; (got = ::read(terminal, buffer, sizeof buffer)) > 0;) shown.append(buffer, got);
  ::close(terminal);
  EXPECT_NE(shown.find("x\\r\\ty.xml"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("x\r\ty.xml"), std::string::npos) << shown;
}

// A full file system for real: a small tmpfs of the test's own, in a
// private mount namespace, that the new output does not fit on.
TEST_F(CliProcessTest, AFullDiskKeepsThePreviousOutputAndLeavesNoTemporary) {
  if (std::system("unshare -rm true >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "no user and mount namespaces on this machine";
  }
  Write("big.rtf", "{\\rtf1 " + std::string(200 * 1024, 'x') + "}");
  Write("big.html", "the previous good output");
  const std::string script = "cd '" + root_.string() +
                             "' && mkdir disk && "
                             "mount -t tmpfs -o size=300k tmpfs disk || exit 90\n"
                             "cp big.rtf big.html disk/\n"
                             "'" CORVANE_CLI_PATH
                             "' disk/big.rtf >/dev/null 2>err.txt; echo $? >status.txt\n"
                             "cat disk/big.html >kept.html; ls -A disk >listing.txt\n";
  Write("full-disk.sh", script);
  ASSERT_EQ(std::system(("unshare -rm sh '" + (root_ / "full-disk.sh").string() + "'").c_str()), 0);
  EXPECT_EQ(Read(root_ / "status.txt"), "1\n") << Read(root_ / "err.txt");
  EXPECT_NE(Read(root_ / "err.txt").find("No space left on device"), std::string::npos)
      << Read(root_ / "err.txt");
  EXPECT_EQ(Read(root_ / "kept.html"), "the previous good output");
  EXPECT_EQ(Read(root_ / "listing.txt"), "big.html\nbig.rtf\n") << "no temporary is left";
}

TEST_F(CliProcessTest, AClosedStandardErrorDoesNotKillTheRun) {
  Write("tree/letter.doc", "binary");  // a failure to report
  Write("tree/good.rtf", "{\\rtf1 fine}");
  EXPECT_EQ(Wait(Start({"tree"}, root_, {}, true)), 1);  // not 141, death by SIGPIPE
  EXPECT_TRUE(fs::exists(root_ / "tree" / "good.html"));
}

TEST_F(CliProcessTest, ASecondInterruptEndsAtOnceAndLeavesNoPartialOutput) {
  const std::string big = "{\\rtf1 " + std::string(16 << 20, 'x') + "}";
  const std::string expected_size = std::to_string(corvane::RenderRtfAsHtml(big).size());
  struct Case {
    int signal;
    int status;
  };
  for (const Case c : {Case{SIGINT, 130}, Case{SIGTERM, 143}}) {
    SCOPED_TRACE(c.signal);
    const fs::path tree = root_ / ("tree" + std::to_string(c.signal));
    for (int i = 0; i < 4; ++i)
      Write(tree.filename().string() + "/big" + std::to_string(i) + ".rtf", big);
    const fs::path err = root_ / ("err" + std::to_string(c.signal) + ".txt");
    const pid_t pid = Start({tree.string()}, root_, err);
    // Interrupted once the first document is being converted.
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (Read(err).find("big") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(1ms);
    }
    ::kill(pid, c.signal);
    std::this_thread::sleep_for(10ms);
    ::kill(pid, c.signal);
    EXPECT_EQ(Wait(pid, 30s), c.status);
    EXPECT_NE(Read(err).find("stopped at once"), std::string::npos) << Read(err);
    EXPECT_EQ(TemporaryFiles(tree), std::vector<std::string>{});
    int complete = 0;
    for (int i = 0; i < 4; ++i) {
      const fs::path output = tree / ("big" + std::to_string(i) + ".html");
      if (!fs::exists(output)) continue;
      EXPECT_EQ(std::to_string(fs::file_size(output)), expected_size) << output;
      ++complete;
    }
    EXPECT_LT(complete, 4);  // it did not run to the end
  }
}

TEST_F(CliProcessTest, TwoRunsOverOneTreeAtOnceBothWriteCompleteOutputs) {
  std::vector<std::string> contents;
  for (int i = 0; i < 60; ++i) {
    contents.push_back("{\\rtf1 document " + std::to_string(i) + std::string(20000 + i, 'y') + "}");
    Write("tree/d" + std::to_string(i % 6) + "/f" + std::to_string(i) + ".rtf", contents.back());
  }
  const pid_t first = Start({"tree"}, root_, root_ / "err1.txt");
  const pid_t second = Start({"tree"}, root_, root_ / "err2.txt");
  EXPECT_EQ(Wait(first), 0) << Read(root_ / "err1.txt");
  EXPECT_EQ(Wait(second), 0) << Read(root_ / "err2.txt");
  for (int i = 0; i < 60; ++i) {
    const fs::path output =
        root_ / "tree" / ("d" + std::to_string(i % 6)) / ("f" + std::to_string(i) + ".html");
    EXPECT_EQ(Read(output), corvane::RenderRtfAsHtml(contents[static_cast<std::size_t>(i)]))
        << output;
  }
  EXPECT_EQ(TemporaryFiles(root_ / "tree"), std::vector<std::string>{});
}

}  // namespace
