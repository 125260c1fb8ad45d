// Runs paths, and the names of a list, through the conversion job as a
// drop does, showing progress and, if asked, reporting each file.
#pragma once

#include "cli/options.h"

namespace corvane::cli {

struct JobOutcome {
  int failures = 0;
  bool interrupted = false;
  int interrupt_status = 0;  // the exit status that tells the interrupt
};

// Converts every supported document among the options' paths and the
// names of their list (files or folders, walked to any depth). Reports
// each failed file or folder on stderr as "corvane-cli: PATH: REASON" and
// shows progress there; with a JSON report, writes one line per finished
// file and a summary to stdout. A second interrupt removes the outputs
// being written and ends the process at once. An output folder that
// cannot be made is one failure, and nothing is converted. Throws
// std::runtime_error when no thread can be started.
JobOutcome RunConversionJob(const Options& options);

}  // namespace corvane::cli
