// corvane-cli run as a process: a fixture that starts it in a temporary
// folder and collects its status and output.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_folder.h"

namespace corvane::cli::testing {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

struct Run {
  pid_t pid = -1;
  int status = -1;
  std::string error_output;
};

class CliProcessTest : public ::testing::Test {
 protected:
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
  // nobody reads, closed at once) and stdout to a file or /dev/null.
  pid_t Start(const std::vector<std::string>& args, const fs::path& folder,
              const fs::path& stderr_file, bool broken_pipe = false,
              const fs::path& stdout_file = "/dev/null") {
    int pipe_ends[2] = {-1, -1};
    if (broken_pipe && ::pipe(pipe_ends) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (::chdir(folder.c_str()) != 0) ::_exit(120);
      ::dup2(::open(stdout_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
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

  // Runs the CLI in root_ to its end with input on standard input; the
  // status, standard output and standard error.
  struct Answer {
    int status = -1;
    std::string output;
    std::string errors;
  };
  // With through_pipe, the input comes through a pipe instead of a file;
  // with skip, standard input is a file already read up to that offset.
  Answer Ask(const std::vector<std::string>& args, const std::string& input = {},
             bool through_pipe = false, off_t skip = 0) {
    const fs::path in = Write("stdin.bin", input);
    const fs::path out = root_ / "stdout.bin";
    const fs::path err = root_ / "stderr.bin";
    int pipe_ends[2] = {-1, -1};
    if (through_pipe && ::pipe(pipe_ends) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (::chdir(root_.c_str()) != 0) ::_exit(120);
      if (through_pipe) {
        ::dup2(pipe_ends[0], 0);
        ::close(pipe_ends[0]);
        ::close(pipe_ends[1]);
      } else {
        ::dup2(::open(in.c_str(), O_RDONLY), 0);
        if (::lseek(0, skip, SEEK_SET) != skip) ::_exit(122);
      }
      ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
      ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
      std::vector<std::string> copies = args;
      std::string program = CORVANE_CLI_PATH;
      std::vector<char*> argv{program.data()};
      for (std::string& arg : copies) argv.push_back(arg.data());
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(121);
    }
    if (through_pipe) {
      // Small writes, so that the reader sees the input arrive in pieces.
      ::close(pipe_ends[0]);
      for (std::size_t at = 0; at < input.size(); at += 4096) {
        const std::size_t n = std::min<std::size_t>(4096, input.size() - at);
        if (::write(pipe_ends[1], input.data() + at, n) != static_cast<ssize_t>(n)) break;
      }
      ::close(pipe_ends[1]);
    }
    Answer answer;
    answer.status = Wait(pid);
    answer.output = Read(out);
    answer.errors = Read(err);
    return answer;
  }

  // How a run ended: its exit status, or the signal that killed it; the
  // two look alike as a shell's $?, and only the first is a clean stop.
  struct Ending {
    bool exited = false;
    int code = -1;  // the exit status, or the signal; -1 if it did not end in time
  };
  static Ending WaitForEnding(pid_t pid, std::chrono::seconds limit = 120s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return {};
      }
      std::this_thread::sleep_for(5ms);
    }
    if (WIFSIGNALED(status)) return {false, WTERMSIG(status)};
    return {true, WEXITSTATUS(status)};
  }

  // The exit status (or 128 + signal); -1 if it did not end in time.
  static int Wait(pid_t pid, std::chrono::seconds limit = 120s) {
    const Ending ending = WaitForEnding(pid, limit);
    return ending.exited || ending.code < 0 ? ending.code : 128 + ending.code;
  }

  static std::vector<std::string> TemporaryFiles(const fs::path& folder) {
    std::vector<std::string> found;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
      if (entry.path().filename().string().starts_with(".~corvane-")) found.push_back(entry.path());
    }
    return found;
  }

  corvane::test_support::TempFolder temp_{"corvane-cli"};
  fs::path root_ = temp_.Root();
};

}  // namespace corvane::cli::testing
