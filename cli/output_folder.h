// Where each output goes under --outdir: the source's name as the user
// gave it, without its root; a file found in a named folder keeps that
// folder's name as given and its path below it. Two sources never share
// an output.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace corvane::cli {

class OutputFolder {
 public:
  // folder: the output folder's full name; it must exist.
  explicit OutputFolder(std::string folder);

  // A file or folder the user named: full is its full name (a folder's
  // without a trailing separator, except a root's), given the name as
  // they wrote it.
  void AddNamedSource(const std::string& full, const std::string& given, bool is_folder);

  // The output name for a source (its full name), with the folders on its
  // way made. False, with the reason, when a folder cannot be made, a
  // folder on the way below the output folder is a link, the name climbs
  // with "..", or another source has that output already.
  bool Place(const std::string& source, std::string& output, std::string& reason);

 private:
  // Where source goes below the output folder.
  std::string RelativeName(const std::string& source) const;
  bool MakeFoldersFor(const std::string& output, std::string& reason);

  const std::string folder_;
  mutable std::mutex mutex_;  // workers place their outputs at once
  // Full name -> its place below the output folder.
  std::unordered_map<std::string, std::string> named_folders_;
  std::unordered_map<std::string, std::string> named_files_;
  std::unordered_map<std::string, std::string> claimed_;  // output key -> source
};

// Whether a name has a ".." component: below the output folder it would
// lead out of it. Both separators count on Windows.
bool ClimbsOut(std::string_view name);

// The reason given for such a name.
inline constexpr const char* kClimbsOutReason = "its name climbs out of the folder with \"..\"";

// Makes a folder and the ones above it that are missing. False, with the
// reason, when one cannot be made.
bool MakeFolderPath(const std::string& folder, std::string& reason);

}  // namespace corvane::cli
