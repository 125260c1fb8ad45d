// The ZIP container of a package, read from memory with minizip, with the
// limits that keep a hostile archive from exhausting memory.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "readers/docx/docx_reader.h"

namespace corvane::docx {

struct PackageLimits {
  std::uint64_t max_entries = 10000;
  std::uint64_t max_part_bytes = 128u << 20;   // inflated, per part
  std::uint64_t max_total_bytes = 256u << 20;  // inflated, all parts read
  // Ordinary parts pack up to a few hundred to one (a long table, ~115:1),
  // so only a ratio near deflate's limit (~1030:1), or a high one on a part
  // of tens of megabytes, marks a bomb.
  std::uint64_t ratio_floor_bytes = 1u << 20;
  std::uint64_t max_ratio = 500;
  std::uint64_t strict_ratio_floor_bytes = 32u << 20;
  std::uint64_t strict_max_ratio = 100;
};

// What went wrong, in words for the user; status kOk when nothing did.
struct PackageError {
  ReadStatus status = ReadStatus::kOk;
  std::string message;
  bool Failed() const { return status != ReadStatus::kOk; }
};

class ZipPackage {
 public:
  struct MemoryFile;  // the archive's bytes as minizip reads them
  // Receives the inflated bytes of a part in order; false stops the read.
  using Sink = std::function<bool(std::string_view)>;

  explicit ZipPackage(PackageLimits limits = {});
  ~ZipPackage();
  ZipPackage(const ZipPackage&) = delete;
  ZipPackage& operator=(const ZipPackage&) = delete;

  // Reads the central directory of the archive in bytes, which must outlive
  // this object.
  PackageError Open(std::string_view bytes);
  // Part names without the leading "/", compared without regard to ASCII case.
  bool Contains(std::string_view part) const;
  PackageError Read(std::string_view part, const Sink& sink);
  PackageError ReadWhole(std::string_view part, std::string& out);
  // Inflated bytes of all parts read so far.
  std::uint64_t TotalRead() const { return total_read_; }

 private:
  struct Entry {
    std::uint64_t directory_offset = 0;
    std::uint64_t entry_number = 0;
    std::uint64_t compressed_size = 0;
  };
  struct Closer {
    void operator()(void* file) const;
  };

  PackageLimits limits_;
  std::unique_ptr<MemoryFile> memory_;
  std::unique_ptr<void, Closer> zip_;
  std::unordered_map<std::string, Entry> entries_;
  std::uint64_t total_read_ = 0;
};

// "word/document.xml" for "/word/document.xml", "word\document.xml" or
// "Word/Document.XML": the key parts are looked up by.
std::string NormalizePartName(std::string_view name);

}  // namespace corvane::docx
