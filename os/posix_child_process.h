// For tests: runs a step in a child process, bounded in time, and where
// the tests run as root, as an unprivileged user so that permission
// denials can be seen.
#pragma once

#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

namespace corvane::os::testing {

inline constexpr int kChildTimedOut = -1;
inline constexpr uid_t kNobody = 65534;

// The step's result (0 to 255), or kChildTimedOut once timeout passed (the
// child is then killed), or 128 + signal when a signal ended it.
inline int RunInChild(const std::function<int()>& step, bool unprivileged,
                      std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
  const pid_t child = ::fork();
  if (child < 0) return 255;
  if (child == 0) {
    if (unprivileged && ::geteuid() == 0) {
      if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
        ::_exit(254);
      }
    }
    ::_exit(step() & 0xFF);
  }
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      return kChildTimedOut;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

}  // namespace corvane::os::testing
