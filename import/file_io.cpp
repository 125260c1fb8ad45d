#include "import/file_io.h"

#include <atomic>
#include <mutex>
#include <set>

#include "os/os.h"

namespace corvane::import {
namespace {

[[noreturn]] void Raise(const char* what, const std::string& path, const std::string& reason) {
  std::string message = what;
  message += " \"";
  message += os::FullPathName(path);
  message += "\". ";
  message += reason;
  throw FileError(message);
}

[[noreturn]] void Raise(const char* what, const std::string& path, os::ErrorCode code) {
  Raise(what, path, os::SystemErrorText(code));
}

// Temporary outputs being written, so that a program ending at once can
// take them away.
struct OutputsInProgress {
  std::mutex mutex;
  std::set<std::string> names;
  bool closed = false;  // the program is ending: no new temporary file
};

OutputsInProgress& InProgress() {
  static OutputsInProgress* outputs = new OutputsInProgress;  // outlives every worker
  return *outputs;
}

// A fresh name in the output's folder: a rename within one folder is one
// step, and the name of the output itself may be too long for a suffix.
std::string TemporaryNameBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const std::size_t cut = path.find_last_of(os::kNameSeparators);
  std::string name = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
  name += ".~corvane-" + std::to_string(os::CurrentProcessId()) + "-" +
          std::to_string(counter.fetch_add(1)) + ".tmp";
  return name;
}

// The temporary file of one write: removed unless it has taken the output's
// name, on every way out.
class TemporaryOutput {
 public:
  explicit TemporaryOutput(const std::string& target) {
    OutputsInProgress& outputs = InProgress();
    const std::lock_guard<std::mutex> lock(outputs.mutex);
    if (outputs.closed) return;
    name_ = TemporaryNameBeside(target);
    outputs.names.insert(name_);
  }
  ~TemporaryOutput() {
    if (name_.empty()) return;
    OutputsInProgress& outputs = InProgress();
    const std::lock_guard<std::mutex> lock(outputs.mutex);
    if (!placed_) os::RemoveFile(name_);
    outputs.names.erase(name_);
  }
  TemporaryOutput(const TemporaryOutput&) = delete;
  TemporaryOutput& operator=(const TemporaryOutput&) = delete;

  const std::string& Name() const { return name_; }
  void Placed() { placed_ = true; }

 private:
  std::string name_;
  bool placed_ = false;
};

}  // namespace

os::Bytes ReadWholeFile(const std::string& path) {
  os::ErrorCode error = 0;
  os::File file = os::File::OpenForReading(path, error);
  if (!file) Raise("Cannot open file", path, error);
  os::Bytes content;
  // A read that fails half way is an error, not an empty document: writing
  // the translation of nothing would replace a good output with a blank one.
  if (!file.ReadAll(content, error)) Raise("Cannot read file", path, error);
  return content;
}

void CheckOutputName(const std::string& path, const std::string& source) {
  constexpr const char* kCreate = "Cannot create file";
  os::ErrorCode error = 0;
  switch (os::ExamineName(path, error)) {
    case os::NameKind::kNothing: return;
    case os::NameKind::kUnknown: Raise(kCreate, path, error);
    case os::NameKind::kLink:
      Raise(kCreate, path, "The name is a link; an output is never written through one.");
    case os::NameKind::kFolder: Raise(kCreate, path, "The name is a folder.");
    case os::NameKind::kSpecial:
      Raise(kCreate, path, "The name is a pipe or a device, not a file.");
    case os::NameKind::kFile: break;
  }
  if (!source.empty() && os::IsSameFile(source, path)) {
    Raise(kCreate, path, "It is the input document itself under another name.");
  }
  if (!os::MayReplaceFile(path, error)) Raise(kCreate, path, error);
}

void WriteTextFile(const std::string& path, std::string_view text, const std::string& source) {
  CheckOutputName(path, source);
  TemporaryOutput temporary(path);
  if (temporary.Name().empty()) Raise("Cannot create file", path, "The program is ending.");
  os::ErrorCode error = 0;
  {
    os::File file = os::File::CreateNew(temporary.Name(), source, error);
    if (!file) Raise("Cannot create file", path, error);
    if (!file.WriteAll(text, error) || !file.FlushToDisk(error)) {
      Raise("Cannot write file", path, error);
    }
  }  // closed before the rename: Windows moves no open file shared with no one
  if (!os::ReplaceFileWith(temporary.Name(), path, error)) Raise("Cannot create file", path, error);
  temporary.Placed();
}

void RemoveOutputsInProgress() {
  OutputsInProgress& outputs = InProgress();
  const std::lock_guard<std::mutex> lock(outputs.mutex);
  outputs.closed = true;
  for (const std::string& name : outputs.names) os::RemoveFile(name);
}

}  // namespace corvane::import
