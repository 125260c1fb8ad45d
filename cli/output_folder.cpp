#include "cli/output_folder.h"

#include <string_view>

#include "cli/source_names.h"
#include "import/document_types.h"
#include "os/os.h"

namespace corvane::cli {
namespace {

#ifdef _WIN32
constexpr const char* kSeparators = "\\/";
#else
constexpr const char* kSeparators = "/";
#endif

// Names that differ only in case are one file on Windows.
std::string OutputKey(std::string name) {
#ifdef _WIN32
  os::LowerCaseAnsi(name);
#endif
  return name;
}

}  // namespace

bool ClimbsOut(std::string_view name) {
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = name.find_first_of(kSeparators, begin);
    if (name.substr(begin, end - begin) == "..") return true;
    if (end == std::string_view::npos) return false;
    begin = end + 1;
  }
}

bool MakeFolderPath(const std::string& folder, std::string& reason) {
  os::ErrorCode error = 0;
  if (os::CreateFolder(folder, error)) return true;
  // Make the missing parent first, down from the deepest one that is there
  // (which may be a share or a drive that no one can make).
  const std::size_t separator = folder.find_last_of(kSeparators);
  if (separator != std::string::npos && separator > 0 && folder[separator - 1] != ':') {
    const std::string parent = folder.substr(0, separator);
    if (os::GetPathKind(parent) == os::PathKind::kMissing) {
      if (!MakeFolderPath(parent, reason)) return false;
      if (os::CreateFolder(folder, error)) return true;
    }
  }
  reason = "cannot make the folder " + folder + ": " + os::SystemErrorText(error);
  return false;
}

OutputFolder::OutputFolder(std::string folder) : folder_(std::move(folder)) {}

void OutputFolder::AddNamedSource(const std::string& full, const std::string& given,
                                  bool is_folder) {
  std::lock_guard<std::mutex> lock(mutex_);
  (is_folder ? named_folders_ : named_files_).emplace(full, PlaceBelowOutputFolder(given));
}

std::string OutputFolder::RelativeName(const std::string& source) const {
  // Named directly, it goes where its name says, even inside a named folder.
  if (const auto named = named_files_.find(source); named != named_files_.end()) {
    return named->second;
  }
  // Found in a walk: the deepest named folder that holds it is where the
  // walk found it. A root's name ends with its separator.
  for (std::size_t at = source.find_last_of(kSeparators); at != std::string::npos && at > 0;
       at = source.find_last_of(kSeparators, at - 1)) {
    for (const std::size_t length : {at, at + 1}) {
      const auto folder = named_folders_.find(source.substr(0, length));
      if (folder == named_folders_.end()) continue;
      const std::string below = PlaceBelowOutputFolder(std::string_view(source).substr(at + 1));
      if (folder->second.empty()) return below;
      return folder->second + os::kPathSeparator + below;
    }
  }
  return PlaceBelowOutputFolder(source);  // never named: its whole name
}

// Each folder on the way below the output folder is made or found, and
// must be a folder itself: a link there, made by anyone who may write in
// the output folder, would send the output anywhere.
bool OutputFolder::MakeFoldersFor(const std::string& output, std::string& reason) {
  for (std::size_t end = output.find_first_of(kSeparators, folder_.size() + 1);
       end != std::string::npos; end = output.find_first_of(kSeparators, end + 1)) {
    const std::string folder = output.substr(0, end);
    os::ErrorCode error = 0;
    os::NameKind kind = os::ExamineName(folder, error);
    if (kind == os::NameKind::kNothing) {
      if (!os::CreateFolder(folder, error)) {
        reason = "cannot make the folder " + folder + ": " + os::SystemErrorText(error);
        return false;
      }
      kind = os::ExamineName(folder, error);  // another may have made it first
    }
    if (kind == os::NameKind::kFolder) continue;
    if (kind == os::NameKind::kLink) {
      reason = "its output folder " + folder + " is a symbolic link";
    } else if (kind == os::NameKind::kUnknown) {
      reason = "cannot examine the folder " + folder + ": " + os::SystemErrorText(error);
    } else {
      reason = "its output folder " + folder + " is not a folder";
    }
    return false;
  }
  return true;
}

bool OutputFolder::Place(const std::string& source, std::string& output, std::string& reason) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string relative = RelativeName(source);
    if (ClimbsOut(relative)) {
      reason = kClimbsOutReason;
      return false;
    }
    output = import::DefaultOutputName(folder_ + os::kPathSeparator + relative);
    const auto [claim, added] = claimed_.emplace(OutputKey(output), source);
    if (!added && claim->second != source) {
      reason = "its output " + output + " is the output of " + claim->second + " already";
      return false;
    }
  }
  return MakeFoldersFor(output, reason);
}

}  // namespace corvane::cli
