// Runs paths through the conversion job as a drop does, showing progress.
#pragma once

#include <string>
#include <vector>

namespace corvane::cli {

struct JobOutcome {
  int failures = 0;
  bool interrupted = false;
  int interrupt_status = 0;  // the exit status that tells the interrupt
};

// Converts every supported document in paths (files or folders, walked to
// any depth). Reports each failed file or folder on stderr as
// "corvane-cli: PATH: REASON" and shows progress there. A second interrupt
// removes the outputs being written and ends the process at once.
JobOutcome RunConversionJob(const std::vector<std::string>& paths);

}  // namespace corvane::cli
