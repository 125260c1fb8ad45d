#include "cli/output_folder.h"

#include <string_view>

#include "import/document_types.h"
#include "os/os.h"

namespace corvane::cli {
namespace {

#ifdef _WIN32
constexpr const char* kSeparators = "\\/";
#else
constexpr const char* kSeparators = "/";
#endif

bool IsSeparator(char c) { return std::string_view(kSeparators).find(c) != std::string_view::npos; }

// Names that differ only in case are one file on Windows.
std::string OutputKey(std::string name) {
#ifdef _WIN32
  os::LowerCaseAnsi(name);
#endif
  return name;
}

}  // namespace

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

void OutputFolder::AddSourceFolder(const std::string& folder) {
  std::lock_guard<std::mutex> lock(mutex_);
  source_folders_.insert(folder);
}

std::string OutputFolder::RelativeName(const std::string& source) const {
  std::size_t separator = source.find_last_of(kSeparators);
  if (separator == std::string::npos) return source;
  // The deepest named folder that holds the source wins: that is where its
  // walk found it. Named directly, it goes to the output folder itself.
  for (std::size_t at = separator; at != std::string::npos && at > 0;
       at = source.find_last_of(kSeparators, at - 1)) {
    if (source_folders_.count(source.substr(0, at)) != 0) return source.substr(at + 1);
  }
  return source.substr(separator + 1);
}

bool OutputFolder::MakeFoldersFor(const std::string& output, std::string& reason) {
  std::size_t last = output.size();
  while (last > folder_.size() && !IsSeparator(output[last - 1])) --last;
  if (last <= folder_.size() + 1) return true;  // straight in the output folder
  return MakeFolderPath(output.substr(0, last - 1), reason);
}

bool OutputFolder::Place(const std::string& source, std::string& output, std::string& reason) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string relative = RelativeName(source);
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
