#include "readers/docx/zip_package.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace corvane::docx {

// minizip reads through these callbacks, so the archive never touches a file.
struct ZipPackage::MemoryFile {
  std::string_view bytes;
  std::uint64_t position = 0;
};

namespace {

using MemoryFile = ZipPackage::MemoryFile;

voidpf ZCALLBACK OpenMemory(voidpf opaque, const void* /*name*/, int /*mode*/) {
  static_cast<MemoryFile*>(opaque)->position = 0;
  return opaque;
}

uLong ZCALLBACK ReadMemory(voidpf /*opaque*/, voidpf stream, void* buffer, uLong size) {
  auto* file = static_cast<MemoryFile*>(stream);
  const std::uint64_t left =
      file->bytes.size() - std::min<std::uint64_t>(file->position, file->bytes.size());
  const std::uint64_t count = std::min<std::uint64_t>(size, left);
  // count fits in size_t: it is at most what is left of the bytes in memory.
  if (count > 0) {
    std::memcpy(buffer, file->bytes.data() + file->position, static_cast<std::size_t>(count));
  }
  file->position += count;
  return static_cast<uLong>(count);
}

uLong ZCALLBACK WriteMemory(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK TellMemory(voidpf /*opaque*/, voidpf stream) {
  return static_cast<MemoryFile*>(stream)->position;
}

long ZCALLBACK SeekMemory(voidpf /*opaque*/, voidpf stream, ZPOS64_T offset, int origin) {
  auto* file = static_cast<MemoryFile*>(stream);
  std::uint64_t base = 0;
  switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET: base = 0; break;
    case ZLIB_FILEFUNC_SEEK_CUR: base = file->position; break;
    case ZLIB_FILEFUNC_SEEK_END: base = file->bytes.size(); break;
    default: return -1;
  }
  // A seek out of the file is refused, so no offset in a forged directory
  // reaches past the bytes.
  if (offset > file->bytes.size() || base > file->bytes.size() - offset) return -1;
  file->position = base + offset;
  return 0;
}

int ZCALLBACK CloseMemory(voidpf, voidpf) { return 0; }
int ZCALLBACK ErrorMemory(voidpf, voidpf) { return 0; }

PackageError Fail(ReadStatus status, std::string message) { return {status, std::move(message)}; }

PackageError Corrupt(std::string_view part) {
  return Fail(ReadStatus::kCorrupt,
              "The file is damaged: the part " + std::string(part) + " cannot be read.");
}

}  // namespace

std::string NormalizePartName(std::string_view name) {
  std::string result;
  result.reserve(name.size());
  for (const char c : name) {
    const char slash = c == '\\' ? '/' : c;
    result += (slash >= 'A' && slash <= 'Z') ? static_cast<char>(slash - 'A' + 'a') : slash;
  }
  const std::size_t start = result.find_first_not_of('/');
  return start == std::string::npos ? std::string() : result.substr(start);
}

void ZipPackage::Closer::operator()(void* file) const { unzClose(file); }

ZipPackage::ZipPackage(PackageLimits limits)
    : limits_(limits), memory_(std::make_unique<MemoryFile>()) {}

ZipPackage::~ZipPackage() = default;

PackageError ZipPackage::Open(std::string_view bytes) {
  memory_->bytes = bytes;
  zlib_filefunc64_def functions{};
  functions.zopen64_file = OpenMemory;
  functions.zread_file = ReadMemory;
  functions.zwrite_file = WriteMemory;
  functions.ztell64_file = TellMemory;
  functions.zseek64_file = SeekMemory;
  functions.zclose_file = CloseMemory;
  functions.zerror_file = ErrorMemory;
  functions.opaque = memory_.get();
  zip_.reset(unzOpen2_64("package", &functions));
  if (!zip_) {
    return Fail(ReadStatus::kCorrupt,
                "The file is damaged or incomplete: its ZIP directory cannot be read.");
  }

  unz_global_info64 info{};
  if (unzGetGlobalInfo64(zip_.get(), &info) != UNZ_OK) return Corrupt("directory");
  if (info.number_entry > limits_.max_entries) {
    return Fail(ReadStatus::kTooLarge, "The file holds more parts than a document can have.");
  }
  // A ZIP name is at most 65535 bytes, so every name fits whole.
  std::vector<char> name(65536);
  for (int result = unzGoToFirstFile(zip_.get()); result != UNZ_END_OF_LIST_OF_FILE;
       result = unzGoToNextFile(zip_.get())) {
    if (result != UNZ_OK) return Corrupt("directory");
    unz_file_info64 file{};
    if (unzGetCurrentFileInfo64(zip_.get(), &file, name.data(), static_cast<uLong>(name.size()),
                                nullptr, 0, nullptr, 0) != UNZ_OK) {
      return Corrupt("directory");
    }
    // minizip leaves the name unterminated when it fills the buffer.
    const std::string key = NormalizePartName(
        std::string_view(name.data(), std::min<std::size_t>(file.size_filename, name.size())));
    if ((file.flag & 1u) != 0) {
      return Fail(ReadStatus::kPasswordProtected,
                  "The document is encrypted (the part " + key + " needs a password).");
    }
    if (entries_.size() >= limits_.max_entries) {
      return Fail(ReadStatus::kTooLarge, "The file holds more parts than a document can have.");
    }
    unz64_file_pos position{};
    if (unzGetFilePos64(zip_.get(), &position) != UNZ_OK) return Corrupt(key);
    // The first of two entries of one name wins, as the directory lists them.
    entries_.try_emplace(
        key, Entry{position.pos_in_zip_directory, position.num_of_file, file.compressed_size});
  }
  return {};
}

bool ZipPackage::Contains(std::string_view part) const {
  return entries_.find(NormalizePartName(part)) != entries_.end();
}

PackageError ZipPackage::Read(std::string_view part, const Sink& sink) {
  const auto found = entries_.find(NormalizePartName(part));
  if (found == entries_.end()) {
    return Fail(ReadStatus::kCorrupt,
                "The file is damaged: the part " + std::string(part) + " is missing.");
  }
  const Entry& entry = found->second;
  unz64_file_pos position{entry.directory_offset, entry.entry_number};
  if (unzGoToFilePos64(zip_.get(), &position) != UNZ_OK) return Corrupt(part);
  unz_file_info64 file{};
  if (unzGetCurrentFileInfo64(zip_.get(), &file, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
    return Corrupt(part);
  if (file.compression_method != 0 && file.compression_method != Z_DEFLATED) {
    return Fail(
        ReadStatus::kCorrupt,
        "The file uses a compression method a document never uses (in " + std::string(part) + ").");
  }
  if (unzOpenCurrentFile(zip_.get()) != UNZ_OK) return Corrupt(part);

  std::vector<char> buffer(64 * 1024);
  std::uint64_t inflated = 0;
  PackageError error;
  bool stopped = false;
  for (;;) {
    const int count =
        unzReadCurrentFile(zip_.get(), buffer.data(), static_cast<unsigned>(buffer.size()));
    if (count < 0) {
      error = Corrupt(part);
      break;
    }
    if (count == 0) break;
    inflated += static_cast<std::uint64_t>(count);
    total_read_ += static_cast<std::uint64_t>(count);
    // A directory may claim more compressed bytes than the file holds.
    const std::uint64_t compressed = std::clamp<std::uint64_t>(
        entry.compressed_size, 1, std::max<std::uint64_t>(memory_->bytes.size(), 1));
    const std::uint64_t ratio = inflated / compressed;
    if (inflated > limits_.max_part_bytes || total_read_ > limits_.max_total_bytes ||
        (inflated > limits_.ratio_floor_bytes && ratio > limits_.max_ratio) ||
        (inflated > limits_.strict_ratio_floor_bytes && ratio > limits_.strict_max_ratio)) {
      error = Fail(ReadStatus::kTooLarge,
                   "The file unpacks to far more data than a document holds (the part " +
                       std::string(part) + "); it is refused as a possible ZIP bomb.");
      break;
    }
    if (!sink(std::string_view(buffer.data(), static_cast<std::size_t>(count)))) {
      stopped = true;
      break;
    }
  }
  // The CRC is checked only when the whole part was read.
  const int closed = unzCloseCurrentFile(zip_.get());
  if (!error.Failed() && !stopped && closed != UNZ_OK) error = Corrupt(part);
  return error;
}

PackageError ZipPackage::ReadWhole(std::string_view part, std::string& out) {
  out.clear();
  return Read(part, [&out](std::string_view chunk) {
    out.append(chunk);
    return true;
  });
}

}  // namespace corvane::docx
