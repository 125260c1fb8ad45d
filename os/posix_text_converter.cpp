// Off Windows there is no registry and no converter library: the only
// registrations are the classes of the built-in .docx/.docm reader, which
// runs in-process; every other class reads as unregistered, so the host
// answers false for it before it copies or loads anything.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "docx/docx_reader.h"
#include "os/text_converter.h"

namespace corvane::os {

namespace {

constexpr const char* kImportKey = "SOFTWARE\\Microsoft\\Shared Tools\\Text Converters\\Import\\";

}  // namespace

RegistryValue ReadLocalMachineValue(const std::string& key, const std::string& name) {
  if (name != "Path" ||
      (key != std::string(kImportKey) + "Word12" && key != std::string(kImportKey) + "MEWord12")) {
    return {};
  }
  RegistryValue value;
  value.kind = RegistryValue::Kind::kText;
  value.text = kBuiltInDocxReader;
  value.size = static_cast<std::uint32_t>(value.text.size() + 1);
  return value;
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

// Only the built-in reader loads here; there is nothing to free.
struct ConverterLibrary::Loaded {};

ConverterLibrary::ConverterLibrary() = default;
ConverterLibrary::~ConverterLibrary() = default;

bool ConverterLibrary::Load(const std::string& path) {
  if (loaded_ != nullptr || path != kBuiltInDocxReader) return false;
  loaded_ = std::make_unique<Loaded>();
  return true;
}

bool ConverterLibrary::FindEntryPoints() { return loaded_ != nullptr; }

void ConverterLibrary::Initialize(const std::string& /*module_name*/) {}

ConverterRun ConverterLibrary::ConvertToRtf(const std::string& file, std::string& rtf) {
  rtf.clear();
  if (loaded_ == nullptr) return {};
  std::ifstream in(file, std::ios::binary);
  if (!in) throw ConverterFailure("The file cannot be opened.");
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) throw ConverterFailure("The file cannot be read.");
  docx::ReadResult result = docx::ConvertDocxToRtf(bytes, docx::Windows1252());
  if (result.status != docx::ReadStatus::kOk) throw ConverterFailure(result.message);
  rtf = std::move(result.rtf);
  return {true, 0};
}

}  // namespace corvane::os
