// The text converter host: finds a class's converter in the registry, runs
// it under the one converter lock, retries once on a temporary copy for the
// codes that mean "cannot read it where it is", and translates and writes
// what it delivers. The system calls are in os/text_converter.h.
#include "import/converter_host.h"

#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "import/document_types.h"
#include "import/file_io.h"
#include "import/html_output.h"
#include "os/os.h"
#include "os/text_converter.h"

namespace corvane::import {
namespace {

constexpr const char* kRegistryKey = "SOFTWARE\\Microsoft\\Shared Tools\\Text Converters\\Import\\";
constexpr const char* kPathValue = "Path";
constexpr const char* kModuleName = "Belmorn";  // what InitConverter32 is told we are
constexpr const char* kTempPrefix = "tor";

// Codes after which the same converter gets a second attempt on a copy in
// the temporary folder. Compared as whole 32-bit values: 65535 and -1 are
// both there because converters answer a 16-bit -1 either way, while a
// 32-bit -2 (0xFFFFFFFE) is not 65534.
constexpr std::int32_t kRetryCodes[] = {65535, 65534, -1, -14};

bool IsRetryCode(std::int32_t code) {
  for (const std::int32_t retry : kRetryCodes) {
    if (code == retry) return true;
  }
  return false;
}

struct ConverterModule {
  // ConverterLock: held from loading a converter library to freeing it, the
  // translation and the write included, so at most one converter runs in
  // the process. Re-entrant.
  os::Lock converter_lock;
  os::Lock leftovers_lock;  // guards leftovers; taken briefly, never around a call out
  // Temporary names this process made that may still exist: copies not yet
  // deleted, and unique names whose immediate deletion failed. The sweep
  // deletes these and nothing else, so another program's "tor" files, and
  // the copies another running instance of this one is converting from,
  // are never touched.
  std::set<std::string> leftovers;
};

ConverterModule* g_module = nullptr;

ConverterModule& Module() {
  if (g_module == nullptr) throw std::logic_error("the converter module has not been started");
  return *g_module;
}

void RememberLeftover(const std::string& name) {
  ConverterModule& module = Module();
  const os::LockGuard guard(module.leftovers_lock);
  module.leftovers.insert(name);
}

// Forgets name once it is gone; true when it is.
bool DeleteLeftover(ConverterModule& module, const std::string& name) {
  if (os::RemoveFile(name) == os::RemoveResult::kFailed) return false;
  const os::LockGuard guard(module.leftovers_lock);
  module.leftovers.erase(name);
  return true;
}

// The class's converter library as registered; "" when the class is not
// registered or names none.
std::string ConverterPath(const std::string& converter_class) {
  const os::RegistryValue value =
      os::ReadLocalMachineValue(kRegistryKey + converter_class, kPathValue);
  switch (value.kind) {
    case os::RegistryValue::Kind::kNone: return {};
    case os::RegistryValue::Kind::kText: return value.text;
    case os::RegistryValue::Kind::kOther: break;
  }
  if (value.size == 0) return {};  // an empty value of any type reads as no path
  throw ConverterRegistrationError(std::string("Invalid data type for '") + kPathValue + "'");
}

// A new file in the temporary folder, made by the system with a name no
// other file had; "" when the system cannot make one. It stays as the
// placeholder of its name, so that no other running instance is handed the
// same name while the copy built on it is in use.
std::string MakeTempPlaceholder() {
  const std::string folder = os::TemporaryFolder();
  if (folder.empty()) return {};
  const std::string name = os::CreateUniqueFile(folder, kTempPrefix);
  if (!name.empty()) RememberLeftover(name);
  return name;
}

// Copies into a file that must not exist yet: a name someone else made
// meanwhile is never taken over.
bool CopyToNewFile(const std::string& from, const std::string& to) {
  os::ErrorCode error = 0;
  os::File source = os::File::OpenForReading(from, error);
  os::Bytes content;
  if (!source || !source.ReadAll(content, error)) return false;
  os::File copy = os::File::CreateNew(to, {}, error);
  return copy && copy.WriteAll(content.View(), error);
}

// The input copied into the temporary folder, named from "tor" with the
// input's extension as spelled (a converter may go by it), plain
// attributes; deleted with its placeholder when the owner goes, whatever
// happened meanwhile.
class TemporaryCopy {
 public:
  TemporaryCopy(ConverterModule& module, const std::string& input) : module_(module) {
    placeholder_ = MakeTempPlaceholder();
    // Without a unique name the copy would be the bare extension, a file
    // in whatever the current folder is: no second attempt then.
    if (placeholder_.empty()) return;
    name_ = placeholder_ + std::string(ExtensionOf(input));
    RememberLeftover(name_);
    // A copy that fails is not reported: the attempt on it fails instead.
    // Without an extension the copy takes the placeholder's own name, a
    // file made for us just now: it is filled in, not made anew.
    const bool copied =
        name_ == placeholder_ ? os::CopyFileReplacing(input, name_) : CopyToNewFile(input, name_);
    if (copied) os::ClearFileAttributes(name_);
  }
  ~TemporaryCopy() {
    // One the converter still holds, or made read-only, is left to the
    // sweep, and so is its placeholder, which keeps the name taken.
    if (name_.empty() || !DeleteLeftover(module_, name_)) return;
    DeleteLeftover(module_, placeholder_);
  }
  TemporaryCopy(const TemporaryCopy&) = delete;
  TemporaryCopy& operator=(const TemporaryCopy&) = delete;

  bool Made() const { return !name_.empty(); }
  const std::string& Name() const { return name_; }

 private:
  ConverterModule& module_;
  std::string placeholder_;
  std::string name_;
};

enum class AttemptResult { kConverted, kRetryOnCopy, kFailed };

// One run of the loaded converter on file (the input or its copy); on
// success the output is written.
AttemptResult Attempt(os::ConverterLibrary& library, const std::string& file,
                      const std::string& input, const std::string& output, HtmlOutput html_output,
                      std::string& reason) {
  std::string rtf;
  const os::ConverterRun run = library.ConvertToRtf(file, rtf);
  // A text with a chunk missing is no text; a copy would not mend that.
  if (!run.complete) {
    reason = "the converter's text could not be kept whole";
    return AttemptResult::kFailed;
  }
  if (run.code != 0) {
    reason = "the converter failed with code " + std::to_string(run.code);
    return IsRetryCode(run.code) ? AttemptResult::kRetryOnCopy : AttemptResult::kFailed;
  }
  // No chunk at all is still a success: the translation of an empty text.
  const std::string html = RenderHtml(rtf, html_output);
  rtf = std::string();
  WriteTextFile(output, html, input);
  return AttemptResult::kConverted;
}

void SweepTempFiles(ConverterModule& module) {
  std::vector<std::string> names;
  {
    const os::LockGuard guard(module.leftovers_lock);
    names.assign(module.leftovers.begin(), module.leftovers.end());
  }
  for (const std::string& name : names) {
    // A read-only leftover cannot be deleted otherwise. Failures are left be.
    os::ClearFileAttributes(name);
    DeleteLeftover(module, name);
  }
}

}  // namespace

void StartConverterModule() {
  if (g_module == nullptr) g_module = new ConverterModule;
}

void EndConverterModule(bool workers_ended) {
  if (g_module == nullptr) return;
  try {
    SweepTempFiles(*g_module);
  } catch (...) {
    // Out of memory at the very end: the leftovers stay, the program ends.
  }
  // A worker the bounded wait gave up on may still hold the lock or be
  // about to take it; the process ends soon, and the lock goes with it.
  if (!workers_ended) return;
  delete g_module;
  g_module = nullptr;
}

bool RunTextConverter(const std::string& input, const std::string& converter_class,
                      const std::string& output, HtmlOutput html_output) {
  std::string reason;
  return RunTextConverter(input, converter_class, output, html_output, reason);
}

bool RunTextConverter(const std::string& input, const std::string& converter_class,
                      const std::string& output, HtmlOutput html_output, std::string& reason) {
  const std::string library_path = ConverterPath(converter_class);
  if (library_path.empty()) return false;  // nothing loaded, lock not taken

  ConverterModule& module = Module();
  const os::LockGuard converter_lock(module.converter_lock);
  // Inside the lock's scope, so the library is freed before the lock is left.
  os::ConverterLibrary library;
  if (!library.Load(library_path) || !library.FindEntryPoints()) {
    reason = "the converter \"" + library_path + "\" cannot be loaded";
    return false;
  }
  library.Initialize(kModuleName);

  const AttemptResult first = Attempt(library, input, input, output, html_output, reason);
  if (first != AttemptResult::kRetryOnCopy) return first == AttemptResult::kConverted;
  const TemporaryCopy copy(module, input);
  if (!copy.Made()) {
    reason += ", and no temporary copy could be made to retry";
    return false;
  }
  // The second attempt's code starts no third.
  return Attempt(library, copy.Name(), input, output, html_output, reason) ==
         AttemptResult::kConverted;
}

}  // namespace corvane::import
