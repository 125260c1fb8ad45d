#include "import/file_io.h"

#include <atomic>
#include <mutex>
#include <set>
#include <string_view>
#include <vector>

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

constexpr const char* kCreate = "Cannot create file";

// Temporary outputs being written, so that a program ending at once can
// take them away, and the folders already cleared of earlier runs' ones.
struct OutputsInProgress {
  std::mutex mutex;
  std::set<std::string> names;
  std::set<std::string> swept_folders;
  bool closed = false;  // the program is ending: no new temporary file
};

OutputsInProgress& InProgress() {
  static OutputsInProgress* outputs = new OutputsInProgress;  // outlives every worker
  return *outputs;
}

constexpr std::string_view kTemporaryStart = ".~corvane-";
constexpr std::string_view kTemporaryEnd = ".tmp";

// The output's folder as the start of a name in it ("" for the current one).
std::string FolderPartOf(const std::string& path) {
  const std::size_t cut = path.find_last_of(os::kNameSeparators);
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// A fresh name in the output's folder: a rename within one folder is one
// step, and the name of the output itself may be too long for a suffix.
// The process id in it tells a later run whether its writer still runs.
std::string TemporaryNameBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  std::string name = FolderPartOf(path);
  name += kTemporaryStart;
  name += std::to_string(os::CurrentProcessId()) + "-" + std::to_string(counter.fetch_add(1));
  name += kTemporaryEnd;
  return name;
}

// Up to 10 decimal digits at the start of text, taken off it.
bool TakeNumber(std::string_view& text, unsigned long long& number) {
  std::size_t digits = 0;
  number = 0;
  while (digits < text.size() && digits < 10 && text[digits] >= '0' && text[digits] <= '9') {
    number = number * 10 + static_cast<unsigned>(text[digits] - '0');
    ++digits;
  }
  text.remove_prefix(digits);
  return digits > 0;
}

// The writer's process id when name is one of our temporary names.
bool WriterOfTemporary(std::string_view name, unsigned long& process_id) {
  if (!name.starts_with(kTemporaryStart) || !name.ends_with(kTemporaryEnd)) return false;
  name.remove_prefix(kTemporaryStart.size());
  name.remove_suffix(kTemporaryEnd.size());
  unsigned long long id = 0;
  unsigned long long serial = 0;
  if (!TakeNumber(name, id) || !name.starts_with('-')) return false;
  name.remove_prefix(1);
  if (!TakeNumber(name, serial) || !name.empty() || id > 0xFFFFFFFFull) return false;
  process_id = static_cast<unsigned long>(id);
  return true;
}

// A writer killed half way leaves its temporary file behind; the first
// write of this run into that folder takes away those whose process has
// ended. Only plain files of our own name pattern are touched; a failure
// here is no failure of the write.
void RemoveLeftoverTemporaries(const std::string& output) {
  const std::string folder_part = FolderPartOf(output);
  {
    OutputsInProgress& outputs = InProgress();
    const std::lock_guard<std::mutex> lock(outputs.mutex);
    if (!outputs.swept_folders.insert(folder_part).second) return;
  }
  // "C:" alone names the current folder of a drive, which a listing
  // would not take for one: such an output's folder is not swept.
  if (folder_part.ends_with(':')) return;
  std::string folder = folder_part.empty() ? std::string(".") : folder_part;
  if (folder.size() > 1 &&
      os::kNameSeparators.find(folder[folder.size() - 2]) == std::string_view::npos) {
    folder.pop_back();  // the listing adds its own separator; a root keeps its one
  }
  std::vector<std::string> leftovers;
  os::ErrorCode ignored = 0;
  os::ListFolder(
      folder,
      [&](const os::FolderEntry& entry) {
        unsigned long writer = 0;
        if (entry.examine_error == 0 && !entry.is_folder && !entry.is_link &&
            WriterOfTemporary(entry.name, writer) && !os::ProcessIsRunning(writer)) {
          leftovers.push_back(folder_part + entry.name);
        }
        return true;
      },
      ignored);
  for (const std::string& leftover : leftovers) {
    os::ErrorCode error = 0;
    if (os::ExamineName(leftover, error) == os::NameKind::kFile) os::RemoveFile(leftover);
  }
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
    if (created_ && !placed_) os::RemoveFile(name_);
    outputs.names.erase(name_);
  }
  TemporaryOutput(const TemporaryOutput&) = delete;
  TemporaryOutput& operator=(const TemporaryOutput&) = delete;

  const std::string& Name() const { return name_; }
  // Only a file this write made is ever removed: a name someone else took
  // meanwhile is theirs.
  void Created() { created_ = true; }
  void Placed() { placed_ = true; }

 private:
  std::string name_;
  bool created_ = false;
  bool placed_ = false;
};

// Writes over the output where it stands, as a plain truncating create
// does: for a folder that takes no new file but whose output may be
// written, and for an output whose temporary name would be too long. The
// file opened is checked before a byte of it changes, so a name swapped
// since it was examined is not written through. A crash half way leaves a
// part of the text, as with any plain write.
void WriteInPlace(const std::string& path, std::string_view text, const std::string& source) {
  os::ErrorCode error = 0;
  os::File file = os::ExamineName(path, error) == os::NameKind::kNothing
                      ? os::File::CreateNew(path, source, error)
                      : os::File::OpenExistingToRewrite(path, error);
  if (!file) Raise(kCreate, path, error);
  if (!source.empty() && file.IsSameFileAs(source)) {
    Raise(kCreate, path, "It is the input document itself under another name.");
  }
  if (!file.Truncate(error)) Raise(kCreate, path, error);
  if (!file.WriteAll(text, error) || !file.FlushToDisk(error)) {
    Raise("Cannot write file", path, error);
  }
}

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
  RemoveLeftoverTemporaries(path);
  TemporaryOutput temporary(path);
  if (temporary.Name().empty()) Raise(kCreate, path, "The program is ending.");
  // Every output a plain create could write must still be written: where
  // the temporary cannot be, the output is written in place.
  if (!os::FitsPathLimit(temporary.Name())) return WriteInPlace(path, text, source);
  os::ErrorCode error = 0;
  {
    os::File file = os::File::CreateNew(temporary.Name(), source, error);
    if (!file) {
      if (os::ClassifyCreateFailure(error) != os::CreateFailure::kOther) {
        return WriteInPlace(path, text, source);
      }
      Raise(kCreate, path, error);
    }
    temporary.Created();
    if (!file.WriteAll(text, error) || !file.FlushToDisk(error)) {
      Raise("Cannot write file", path, error);
    }
  }  // closed before the rename: Windows moves no open file shared with no one
  if (!os::ReplaceFileWith(temporary.Name(), path, error)) Raise(kCreate, path, error);
  temporary.Placed();
}

void RemoveOutputsInProgress() {
  OutputsInProgress& outputs = InProgress();
  const std::lock_guard<std::mutex> lock(outputs.mutex);
  outputs.closed = true;
  for (const std::string& name : outputs.names) os::RemoveFile(name);
}

}  // namespace corvane::import
