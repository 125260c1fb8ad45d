// corvane-cli run as a user runs it: signals, pipes, hostile names and two
// runs over one tree at once.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/rtf2html.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct Run {
  pid_t pid = -1;
  int status = -1;
  std::string error_output;
};

class CliProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    root_ = fs::temp_directory_path() /
            ("corvane-cli-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    fs::create_directories(root_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  fs::path Write(const std::string& relative, const std::string& content) {
    const fs::path path = root_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
  }

  // Starts the CLI in folder with stderr going to a file (or to a pipe
  // nobody reads, closed at once) and stdout to /dev/null.
  pid_t Start(const std::vector<std::string>& args, const fs::path& folder,
              const fs::path& stderr_file, bool broken_pipe = false) {
    int pipe_ends[2] = {-1, -1};
    if (broken_pipe && ::pipe(pipe_ends) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (::chdir(folder.c_str()) != 0) ::_exit(120);
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      if (broken_pipe) {
        ::dup2(pipe_ends[1], 2);
        ::close(pipe_ends[0]);
      } else {
        const int err = ::open(stderr_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(err, 2);
      }
      std::vector<char*> argv;
      std::string program = CORVANE_CLI_PATH;
      argv.push_back(program.data());
      std::vector<std::string> copies = args;
      for (std::string& arg : copies) argv.push_back(arg.data());
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(121);
    }
    if (broken_pipe) {
      ::close(pipe_ends[0]);  // the reader goes before anything is written
      ::close(pipe_ends[1]);
    }
    return pid;
  }

  // The exit status (or 128 + signal); -1 if it did not end in time.
  static int Wait(pid_t pid, std::chrono::seconds limit = 120s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
      }
      std::this_thread::sleep_for(5ms);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
  }

  static std::vector<std::string> TemporaryFiles(const fs::path& folder) {
    std::vector<std::string> found;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
      if (entry.path().filename().string().starts_with(".~corvane-")) found.push_back(entry.path());
    }
    return found;
  }

  fs::path root_;
};

TEST_F(CliProcessTest, EachFailureSaysWhatHappened) {
  Write("tree/letter.doc", "binary");
  Write("tree/good.rtf", "{\\rtf1 fine}");
  const int status = Wait(Start({"tree"}, root_, root_ / "err.txt"));
  EXPECT_EQ(status, 1);
  const std::string errors = Read(root_ / "err.txt");
  EXPECT_NE(errors.find("letter.doc: not converted: no converter is registered for this type"),
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
