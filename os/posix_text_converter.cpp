// Off Windows there is no registry and no converter library: every class
// reads as unregistered, so the host answers false for it before it copies
// or loads anything. The built-in readers serve the rows instead.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "os/text_converter.h"

namespace corvane::os {

RegistryValue ReadLocalMachineValue(const std::string& /*key*/, const std::string& /*name*/) {
  return {};
}

std::string TemporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  std::string result = folder != nullptr && *folder != '\0' ? folder : "/tmp";
  if (result.back() != '/') result += '/';
  return result;
}

std::string CreateUniqueFile(const std::string& folder, const std::string& prefix) {
  std::string pattern = folder + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int descriptor = ::mkstemp(name.data());
  if (descriptor < 0) return {};
  ::close(descriptor);
  return name.data();
}

bool CopyFileReplacing(const std::string& from, const std::string& to) {
  std::error_code error;
  return std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing,
                                    error);
}

bool ClearFileAttributes(const std::string& path) {
  // The nearest thing to "no attributes": a plain file its owner may write.
  return ::chmod(path.c_str(), S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH) == 0;
}

// Nothing can be registered, so nothing is ever loaded.
struct ConverterLibrary::Loaded {};

ConverterLibrary::ConverterLibrary() = default;
ConverterLibrary::~ConverterLibrary() = default;

bool ConverterLibrary::Load(const std::string& /*path*/) { return false; }

bool ConverterLibrary::FindEntryPoints() { return false; }

void ConverterLibrary::Initialize(const std::string& /*module_name*/) {}

ConverterRun ConverterLibrary::ConvertToRtf(const std::string& /*file*/, std::string& rtf) {
  rtf.clear();
  return {};
}

}  // namespace corvane::os
