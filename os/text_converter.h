// What the converter host needs from the system: the converter
// registrations, converter libraries driven through their published entry
// points, and temporary copies. The host's own rules (which classes, when
// to retry, what to sweep) stay in import/converter_host.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace corvane::os {

// ---- Registry ------------------------------------------------------------

struct RegistryValue {
  enum class Kind {
    kNone,   // the key or the value does not exist (or cannot be read)
    kText,   // a string value (REG_SZ or REG_EXPAND_SZ)
    kOther,  // a value of any other type
  };
  Kind kind = Kind::kNone;
  std::string text;        // kText: up to the first zero, not expanded
  std::uint32_t size = 0;  // the bytes the value holds
};

// Reads value `name` of HKEY_LOCAL_MACHINE\key through a read-only key.
// Off Windows there is no registry: always kNone.
RegistryValue ReadLocalMachineValue(const std::string& key, const std::string& name);

// ---- Temporary files -----------------------------------------------------

// The user's temporary folder with its trailing separator; "" when the
// system names none that fits.
std::string TemporaryFolder();

// Creates an empty file with a name the system picks from the prefix in
// folder, and returns its full name; "" when none can be made.
std::string CreateUniqueFile(const std::string& folder, const std::string& prefix);

// Copies from over to, replacing a file of that name.
bool CopyFileReplacing(const std::string& from, const std::string& to);

// Leaves the file with no attributes: not read-only, hidden or system.
bool ClearFileAttributes(const std::string& path);

// ---- Converter libraries -------------------------------------------------

// The outcome of one ForeignToRtf32 call.
struct ConverterRun {
  // False when the converter's text cannot be trusted: a memory block for
  // the call could not be made (the converter was then not called), or a
  // chunk could not be kept (no memory, or a count beyond the buffer).
  bool complete = false;
  std::int32_t code = 0;  // what the converter answered, all 32 bits
};

// A converter library, loaded by Load and freed when the owner goes. Use it
// on one thread: the entry points and the call's state are kept per thread.
class ConverterLibrary {
 public:
  ConverterLibrary();
  ~ConverterLibrary();
  ConverterLibrary(const ConverterLibrary&) = delete;
  ConverterLibrary& operator=(const ConverterLibrary&) = delete;

  // False when the library cannot be loaded.
  bool Load(const std::string& path);
  // Looks up InitConverter32 and ForeignToRtf32 for this thread; false when
  // either is missing, and then neither may be called.
  bool FindEntryPoints();
  // InitConverter32 with the window at the top of the desktop's Z order and
  // the module name; its answer means nothing to us.
  void Initialize(const std::string& module_name);
  // ForeignToRtf32 on file; rtf receives every chunk delivered, in order.
  ConverterRun ConvertToRtf(const std::string& file, std::string& rtf);

 private:
  struct Loaded;  // the loaded library's owner, one per system
  std::unique_ptr<Loaded> loaded_;
};

}  // namespace corvane::os
