// The compound file container (the "structured storage" of the old Office
// formats): a file system of sectors with a FAT, a mini stream for small
// streams, and a directory of storages and streams. Read-only, over bytes
// in memory; every chain, sector number and size is checked before use.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::doc {

// The eight bytes every compound file starts with.
bool HasCompoundFileSignature(std::string_view bytes);

class CompoundFile {
 public:
  enum class StreamStatus { kFound, kMissing, kCorrupt };

  // Reads the header, the FAT (through the DIFAT), the mini FAT and the
  // directory. False, with a sentence in error naming the bad structure
  // ("the compound file's FAT chain loops"), when the container is broken.
  // The bytes must outlive the object.
  bool Open(std::string_view bytes, std::string& error);

  // A stream directly below the root storage, found by name as the format
  // compares names (case-insensitively). kMissing when there is none;
  // kCorrupt, with error set, when its chain or size is bad.
  StreamStatus ReadStream(std::string_view name, std::string& out, std::string& error) const;

  // True when the root storage holds a stream of that name.
  bool HasStream(std::string_view name) const;

 private:
  struct Entry {
    std::u16string name;    // as stored, up to 31 units
    std::uint8_t type = 0;  // 1 storage, 2 stream, 5 root
    std::uint32_t left = 0, right = 0, child = 0;
    std::uint32_t start = 0;
    std::uint64_t size = 0;  // version 3: the low 32 bits only
  };

  bool ReadHeader(std::string& error);
  bool ReadFat(std::string& error);
  bool ReadDirectory(std::string& error);
  bool CollectRootChildren(std::string& error);
  // The mini FAT and the mini stream; a fault there only breaks the small
  // streams, so it is kept in mini_error_ instead of failing Open.
  void ReadMiniStream();

  // Follows a chain through `table` (the FAT or the mini FAT, whose sectors
  // number `sector_count`) from `start` until its end or until it holds
  // `wanted` sectors. `subject` names the chain in errors.
  static bool FollowChain(const std::vector<std::uint32_t>& table, std::uint32_t sector_count,
                          std::uint32_t start, std::uint64_t wanted, std::string_view subject,
                          std::vector<std::uint32_t>& chain, std::string& error);
  // The regular sectors of `chain`, concatenated and cut to `size` bytes; a
  // file's last sector may be short and reads as padded with zeros.
  std::string ReadSectors(const std::vector<std::uint32_t>& chain, std::uint64_t size) const;
  // An entry directly below the root with that name, or nullptr.
  const Entry* FindChild(std::string_view name) const;

  // The header fields read after the header itself.
  struct Layout {
    std::uint32_t fat_sectors = 0;
    std::uint32_t first_directory_sector = 0;
    std::uint32_t first_mini_fat_sector = 0;
    std::uint32_t first_difat_sector = 0;
  };

  std::string_view bytes_;
  Layout layout_;
  std::uint32_t sector_shift_ = 9;
  std::uint32_t sector_size_ = 512;
  std::uint32_t sector_count_ = 0;  // whole or partial sectors after the header
  bool version3_ = true;
  std::vector<std::uint32_t> fat_;
  std::vector<std::uint32_t> mini_fat_;
  std::vector<Entry> entries_;
  std::vector<std::uint32_t> root_children_;  // the root's tree, in no order
  std::string mini_stream_;
  std::string mini_error_;
};

}  // namespace corvane::doc
