// Shared pieces of the job tests: a fresh job per test, temporary trees,
// a controllable conversion step and waiting for the close.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "batch/conversion_job.h"
#include "batch/file_masks.h"
#include "os/os.h"
#include "tests/support/temp_folder.h"

namespace corvane::batch::testing {

// What the fake conversion step saw, and a gate that holds it.
struct ConversionLog {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> converted;       // in the order conversions began
  std::vector<import::HtmlOutput> outputs;  // the output each was asked for
  bool gate_open = true;
  int waiting_at_gate = 0;
  std::vector<std::string> failing;   // paths whose conversion returns false
  std::vector<std::string> throwing;  // paths whose conversion throws
};

inline ConversionLog* g_log = nullptr;

inline import::Outcome FakeConvert(const std::string& path, const std::string& /*target*/,
                                   import::HtmlOutput output) {
  std::unique_lock<std::mutex> lock(g_log->mutex);
  g_log->converted.push_back(path);
  g_log->outputs.push_back(output);
  g_log->changed.notify_all();
  ++g_log->waiting_at_gate;
  g_log->changed.wait(lock, [] { return g_log->gate_open; });
  --g_log->waiting_at_gate;
  for (const std::string& p : g_log->throwing) {
    if (p == path) throw std::runtime_error("conversion blew up");
  }
  for (const std::string& p : g_log->failing) {
    if (p == path) return {false, {}, "failed as the test asked"};
  }
  return {true, path + ".html", {}};
}

// What the job told its failure reporter, as "path: reason".
struct FailureReports {
  std::mutex mutex;
  std::vector<std::string> lines;
};
inline FailureReports g_reports;

inline void RecordFailure(const std::string& path, const std::string& reason) {
  std::lock_guard<std::mutex> lock(g_reports.mutex);
  g_reports.lines.push_back(path + ": " + reason);
}

inline std::vector<std::string> ReportedFailures() {
  std::lock_guard<std::mutex> lock(g_reports.mutex);
  return g_reports.lines;
}

// Hears the failures that are not a conversion's own answer.
class RecordingObserver final : public JobObserver {
 public:
  bool PlaceOutput(const std::string& /*input*/, std::string& output,
                   std::string& /*reason*/) override {
    output.clear();
    return true;
  }
  void FileFinished(const FileReport& /*report*/) override {}
  void EntryFailed(const std::string& path, const std::string& reason) override {
    RecordFailure(path, reason);
  }
};

inline std::atomic<int> g_thread_starts{0};
inline std::atomic<int> g_refuse_thread_kind{-1};  // -1: refuse none

inline bool CountingStartThread(os::Thread& thread, os::Thread::Procedure procedure, int kind) {
  ++g_thread_starts;
  if (kind == g_refuse_thread_kind) return false;
  return thread.Start(procedure, kind);
}

class JobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log = &log_;
    g_thread_starts = 0;
    g_refuse_thread_kind = -1;
    StartJobModule();
    SetConvertFileFunction(&FakeConvert);
    SetStartThreadFunction(&CountingStartThread);
    {
      std::lock_guard<std::mutex> lock(g_reports.mutex);
      g_reports.lines.clear();
    }
    params_.NotifyWindow = listener_.Handle();
    params_.FileMasks = std::string(SupportedFileMasks);
    params_.Observer = &observer_;
  }

  void TearDown() override {
    OpenGate();
    EndJobModule();
    g_log = nullptr;
  }

  std::string MakeFile(const std::string& relative, const std::string& content = "{\\rtf1 x}") {
    const std::filesystem::path path = root_ / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
  }

  std::string MakeFolder(const std::string& relative) {
    const std::filesystem::path path = root_ / relative;
    std::filesystem::create_directories(path);
    return path.string();
  }

  void CloseGate() {
    std::lock_guard<std::mutex> lock(log_.mutex);
    log_.gate_open = false;
  }
  void OpenGate() {
    std::lock_guard<std::mutex> lock(log_.mutex);
    log_.gate_open = true;
    log_.changed.notify_all();
  }
  // Waits until n conversions are held at the closed gate.
  void WaitAtGate(int n) {
    std::unique_lock<std::mutex> lock(log_.mutex);
    ASSERT_TRUE(log_.changed.wait_for(lock, std::chrono::seconds(60),
                                      [&] { return log_.waiting_at_gate >= n; }));
  }
  std::vector<std::string> Converted() {
    std::lock_guard<std::mutex> lock(log_.mutex);
    return log_.converted;
  }
  std::vector<import::HtmlOutput> Outputs() {
    std::lock_guard<std::mutex> lock(log_.mutex);
    return log_.outputs;
  }

  // Pumps notifications until the job has closed; returns how many came.
  int WaitForClose() {
    int messages = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (GetJobState() != jsFinished) {
      messages += listener_.Wait(50);
      if (std::chrono::steady_clock::now() > deadline) {
        ADD_FAILURE() << "the job did not close";
        return messages;
      }
    }
    // The close message is posted before the state turns finished.
    return messages + listener_.Wait(0);
  }

  using Progress = JobProgress;
  static Progress ReadProgress() { return ReadJobProgress(); }

  ConversionLog log_;
  os::NotificationListener listener_{WM_JOB_PROGRESS};
  RecordingObserver observer_;
  TProcessParams params_;
  corvane::test_support::TempFolder temp_{"corvane-job"};
  std::filesystem::path root_ = temp_.Root();
};

}  // namespace corvane::batch::testing
