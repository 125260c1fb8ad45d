// The compound file container as [MS-CFB] describes it. Every number read
// from the file is checked against the file's own size before use, every
// chain is followed with a record of the sectors already seen, and nothing
// is allocated beyond what the file's bytes could hold.
#include "readers/doc/compound_file.h"

#include <algorithm>
#include <cstring>

namespace corvane::doc {
namespace {

constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::uint64_t kWholeChain = ~std::uint64_t{0};
constexpr std::size_t kHeaderSize = 512;
constexpr std::size_t kHeaderDifatOffset = 76;
constexpr std::size_t kHeaderDifatEntries = 109;
constexpr std::size_t kDirectoryEntrySize = 128;
constexpr std::size_t kMaxNameUnits = 32;
constexpr std::uint32_t kMiniSectorSize = 64;
constexpr std::uint64_t kMiniStreamCutoff = 4096;
constexpr std::uint8_t kStorage = 1, kStream = 2, kRoot = 5;
constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

// Little-endian reads; the caller has checked the bounds.
std::uint16_t Read16(std::string_view bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                                    static_cast<unsigned char>(bytes[offset + 1]) << 8);
}

std::uint32_t Read32(std::string_view bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(Read16(bytes, offset)) |
         static_cast<std::uint32_t>(Read16(bytes, offset + 2)) << 16;
}

std::uint64_t Read64(std::string_view bytes, std::size_t offset) {
  return static_cast<std::uint64_t>(Read32(bytes, offset)) |
         static_cast<std::uint64_t>(Read32(bytes, offset + 4)) << 32;
}

std::uint64_t CeilDiv(std::uint64_t value, std::uint64_t divisor) {
  return value / divisor + (value % divisor != 0 ? 1 : 0);
}

// The format compares names upper-cased; ASCII and Latin-1 cover the names
// Office writes.
char16_t FoldCase(char16_t unit) {
  if ((unit >= u'a' && unit <= u'z') || (unit >= 0xE0 && unit <= 0xFE && unit != 0xF7)) {
    return static_cast<char16_t>(unit - 0x20);
  }
  if (unit == 0xFF) return 0x178;
  return unit;
}

// The caller's UTF-8 name as UTF-16 units; a byte that starts no valid
// sequence stands for itself (Latin-1).
std::u16string NameUnits(std::string_view name) {
  std::u16string units;
  for (std::size_t i = 0; i < name.size();) {
    const auto lead = static_cast<unsigned char>(name[i]);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                                                             : 0;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    bool valid = length != 0 && i + length <= name.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(name[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = code << 6 | (next & 0x3F);
    }
    if (!valid || code > 0x10FFFF) {
      units.push_back(lead);
      ++i;
      continue;
    }
    if (code >= 0x10000) {
      units.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(code));
    }
    i += length;
  }
  return units;
}

// A stream name for an error message, without the control characters that
// start names such as "\005SummaryInformation".
std::string Printable(std::string_view name) {
  std::string printable;
  for (const char c : name) {
    if (static_cast<unsigned char>(c) >= 0x20) printable.push_back(c);
  }
  return printable;
}

}  // namespace

bool HasCompoundFileSignature(std::string_view bytes) {
  return bytes.size() >= sizeof kSignature &&
         std::memcmp(bytes.data(), kSignature, sizeof kSignature) == 0;
}

bool CompoundFile::Open(std::string_view bytes, std::string& error) {
  *this = CompoundFile();
  bytes_ = bytes;
  if (!ReadHeader(error) || !ReadFat(error) || !ReadDirectory(error) ||
      !CollectRootChildren(error)) {
    *this = CompoundFile();
    return false;
  }
  ReadMiniStream();
  return true;
}

bool CompoundFile::ReadHeader(std::string& error) {
  if (bytes_.size() < kHeaderSize) {
    error = "the compound file's header is truncated";
    return false;
  }
  if (!HasCompoundFileSignature(bytes_)) {
    error = "the compound file's signature is wrong";
    return false;
  }
  const std::uint16_t major_version = Read16(bytes_, 26);
  sector_shift_ = Read16(bytes_, 30);
  const bool known_layout =
      (major_version == 3 && sector_shift_ == 9) || (major_version == 4 && sector_shift_ == 12);
  if (Read16(bytes_, 28) != 0xFFFE || !known_layout || Read16(bytes_, 32) != 6 ||
      Read32(bytes_, 56) != kMiniStreamCutoff) {
    error = "the compound file's header is invalid";
    return false;
  }
  version3_ = major_version == 3;
  sector_size_ = std::uint32_t{1} << sector_shift_;
  // The header fills sector -1; a short last sector still counts.
  const std::uint64_t after_header =
      bytes_.size() > sector_size_ ? bytes_.size() - sector_size_ : 0;
  sector_count_ = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(CeilDiv(after_header, sector_size_), kMaxRegularSector));
  layout_.fat_sectors = Read32(bytes_, 44);
  layout_.first_directory_sector = Read32(bytes_, 48);
  layout_.first_mini_fat_sector = Read32(bytes_, 60);
  layout_.first_difat_sector = Read32(bytes_, 68);
  if (layout_.fat_sectors == 0 || layout_.fat_sectors > sector_count_) {
    error = "the compound file's FAT sector count is impossible";
    return false;
  }
  return true;
}

bool CompoundFile::ReadFat(std::string& error) {
  // A sector may serve once, as a FAT or as a DIFAT sector: that also ends
  // a looping DIFAT chain.
  std::vector<bool> used(sector_count_);
  std::vector<std::uint32_t> fat_sectors;
  fat_sectors.reserve(layout_.fat_sectors);
  const auto add = [&](std::uint32_t sector) {
    if (sector >= sector_count_) {
      error = "the compound file's DIFAT points beyond the end of the file";
      return false;
    }
    if (used[sector]) {
      error = "the compound file's DIFAT lists a sector twice";
      return false;
    }
    used[sector] = true;
    fat_sectors.push_back(sector);
    return true;
  };
  for (std::size_t i = 0; i < kHeaderDifatEntries && fat_sectors.size() < layout_.fat_sectors;
       ++i) {
    if (!add(Read32(bytes_, kHeaderDifatOffset + 4 * i))) return false;
  }
  // Each DIFAT sector lists FAT sectors and ends with the next DIFAT sector.
  const std::size_t per_difat_sector = sector_size_ / 4 - 1;
  std::uint32_t difat_sector = layout_.first_difat_sector;
  while (fat_sectors.size() < layout_.fat_sectors) {
    if (difat_sector >= sector_count_ || used[difat_sector]) {
      error = "the compound file's DIFAT chain is broken";
      return false;
    }
    used[difat_sector] = true;
    const std::string entries = ReadSectors({difat_sector}, sector_size_);
    for (std::size_t i = 0; i < per_difat_sector && fat_sectors.size() < layout_.fat_sectors; ++i) {
      if (!add(Read32(entries, 4 * i))) return false;
    }
    difat_sector = Read32(entries, 4 * per_difat_sector);
  }
  const std::string table =
      ReadSectors(fat_sectors, std::uint64_t{fat_sectors.size()} << sector_shift_);
  fat_.resize(table.size() / 4);
  for (std::size_t i = 0; i < fat_.size(); ++i) fat_[i] = Read32(table, 4 * i);
  return true;
}

bool CompoundFile::FollowChain(const std::vector<std::uint32_t>& table, std::uint32_t sector_count,
                               std::uint32_t start, std::uint64_t wanted, std::string_view subject,
                               std::vector<std::uint32_t>& chain, std::string& error) {
  const auto fail = [&](std::string_view what) {
    error = "the compound file's ";
    error.append(subject).append(" ").append(what);
    return false;
  };
  chain.clear();
  std::vector<bool> visited(sector_count);
  for (std::uint32_t sector = start; chain.size() < wanted && sector != kEndOfChain;) {
    if (sector > kMaxRegularSector) return fail("is broken");
    if (sector >= sector_count) return fail("points past the last sector");
    if (visited[sector]) return fail("loops");
    if (sector >= table.size()) return fail("runs past its table");
    visited[sector] = true;
    chain.push_back(sector);
    sector = table[sector];
  }
  return true;
}

std::string CompoundFile::ReadSectors(const std::vector<std::uint32_t>& chain,
                                      std::uint64_t size) const {
  std::string out;
  out.reserve(static_cast<std::size_t>(std::uint64_t{chain.size()} << sector_shift_));
  for (const std::uint32_t sector : chain) {
    // sector < sector_count_, so the sector starts inside the file.
    const auto offset = static_cast<std::size_t>((std::uint64_t{sector} + 1) << sector_shift_);
    const std::size_t present = std::min<std::size_t>(sector_size_, bytes_.size() - offset);
    out.append(bytes_.substr(offset, present));
    out.append(sector_size_ - present, '\0');
  }
  out.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, out.size())));
  return out;
}

bool CompoundFile::ReadDirectory(std::string& error) {
  std::vector<std::uint32_t> chain;
  if (!FollowChain(fat_, sector_count_, layout_.first_directory_sector, kWholeChain,
                   "directory chain", chain, error)) {
    return false;
  }
  const std::string directory = ReadSectors(chain, std::uint64_t{chain.size()} << sector_shift_);
  entries_.resize(directory.size() / kDirectoryEntrySize);
  for (std::size_t id = 0; id < entries_.size(); ++id) {
    const std::string_view raw = std::string_view(directory).substr(id * kDirectoryEntrySize);
    Entry& entry = entries_[id];
    // The stored length counts bytes and the terminating NUL; trust it only
    // as far as the 32 units there are room for.
    const std::size_t units = std::min<std::size_t>(Read16(raw, 64) / 2, kMaxNameUnits);
    for (std::size_t i = 0; i < units; ++i) {
      const auto unit = static_cast<char16_t>(Read16(raw, 2 * i));
      if (unit == 0) break;
      entry.name.push_back(unit);
    }
    entry.type = static_cast<std::uint8_t>(raw[66]);
    entry.left = Read32(raw, 68);
    entry.right = Read32(raw, 72);
    entry.child = Read32(raw, 76);
    entry.start = Read32(raw, 116);
    // Version 3 writers may leave garbage in the high half of the size.
    entry.size = version3_ ? Read32(raw, 120) : Read64(raw, 120);
  }
  if (entries_.empty() || entries_[0].type != kRoot) {
    error = "the compound file's directory has no root entry";
    return false;
  }
  return true;
}

bool CompoundFile::CollectRootChildren(std::string& error) {
  // The root's children form a tree through their left and right links;
  // walked with a stack of its own and a record of entries seen, so that
  // neither depth nor a cycle can hurt.
  std::vector<bool> seen(entries_.size());
  seen[0] = true;
  std::vector<std::uint32_t> pending{entries_[0].child};
  while (!pending.empty()) {
    const std::uint32_t id = pending.back();
    pending.pop_back();
    if (id == kNoStream) continue;
    if (id >= entries_.size()) {
      error = "the compound file's directory links an entry that does not exist";
      return false;
    }
    if (seen[id]) {
      error = "the compound file's directory tree loops";
      return false;
    }
    seen[id] = true;
    const Entry& entry = entries_[id];
    if (entry.type != kStorage && entry.type != kStream) {
      error = "the compound file's directory links an unused entry";
      return false;
    }
    root_children_.push_back(id);
    pending.push_back(entry.left);
    pending.push_back(entry.right);
  }
  return true;
}

void CompoundFile::ReadMiniStream() {
  const Entry& root = entries_[0];
  if (root.size == 0) return;
  if (root.size > std::uint64_t{sector_count_} << sector_shift_) {
    mini_error_ = "the compound file's mini stream is larger than the file";
    return;
  }
  std::vector<std::uint32_t> chain;
  if (!FollowChain(fat_, sector_count_, layout_.first_mini_fat_sector, kWholeChain,
                   "mini FAT's chain", chain, mini_error_)) {
    return;
  }
  const std::string table = ReadSectors(chain, std::uint64_t{chain.size()} << sector_shift_);
  mini_fat_.resize(table.size() / 4);
  for (std::size_t i = 0; i < mini_fat_.size(); ++i) mini_fat_[i] = Read32(table, 4 * i);
  const std::uint64_t wanted = CeilDiv(root.size, sector_size_);
  if (!FollowChain(fat_, sector_count_, root.start, wanted, "mini stream's chain", chain,
                   mini_error_)) {
    return;
  }
  if (chain.size() < wanted) {
    mini_error_ = "the compound file's mini stream is shorter than its size";
    return;
  }
  mini_stream_ = ReadSectors(chain, root.size);
}

const CompoundFile::Entry* CompoundFile::FindChild(std::string_view name) const {
  std::u16string wanted = NameUnits(name);
  std::transform(wanted.begin(), wanted.end(), wanted.begin(), FoldCase);
  for (const std::uint32_t id : root_children_) {
    const std::u16string& candidate = entries_[id].name;
    if (candidate.size() == wanted.size() &&
        std::equal(candidate.begin(), candidate.end(), wanted.begin(),
                   [](char16_t a, char16_t b) { return FoldCase(a) == b; })) {
      return &entries_[id];
    }
  }
  return nullptr;
}

bool CompoundFile::HasStream(std::string_view name) const {
  const Entry* entry = FindChild(name);
  return entry != nullptr && entry->type == kStream;
}

CompoundFile::StreamStatus CompoundFile::ReadStream(std::string_view name, std::string& out,
                                                    std::string& error) const {
  out.clear();
  const Entry* entry = FindChild(name);
  if (entry == nullptr || entry->type != kStream) return StreamStatus::kMissing;
  const std::string quoted = "\"" + Printable(name) + "\"";
  const auto corrupt = [&](std::string message) {
    error = std::move(message);
    out.clear();
    return StreamStatus::kCorrupt;
  };
  if (entry->size == 0) return StreamStatus::kFound;
  std::vector<std::uint32_t> chain;
  if (entry->size < kMiniStreamCutoff) {
    if (!mini_error_.empty()) return corrupt(mini_error_);
    const auto mini_sectors =
        static_cast<std::uint32_t>(CeilDiv(mini_stream_.size(), kMiniSectorSize));
    const std::uint64_t wanted = CeilDiv(entry->size, kMiniSectorSize);
    if (!FollowChain(mini_fat_, mini_sectors, entry->start, wanted, "mini FAT chain for " + quoted,
                     chain, error)) {
      return corrupt(error);
    }
    if (chain.size() < wanted) {
      return corrupt("the compound file's stream " + quoted + " is shorter than its size");
    }
    for (const std::uint32_t sector : chain) {
      const std::size_t offset = std::size_t{sector} * kMiniSectorSize;
      const std::size_t present =
          std::min<std::size_t>(kMiniSectorSize, mini_stream_.size() - offset);
      out.append(mini_stream_, offset, present);
      out.append(kMiniSectorSize - present, '\0');
    }
    out.resize(static_cast<std::size_t>(entry->size));
    return StreamStatus::kFound;
  }
  if (entry->size > std::uint64_t{sector_count_} << sector_shift_) {
    return corrupt("the compound file's stream " + quoted + " is larger than the file");
  }
  const std::uint64_t wanted = CeilDiv(entry->size, sector_size_);
  if (!FollowChain(fat_, sector_count_, entry->start, wanted, "FAT chain for " + quoted, chain,
                   error)) {
    return corrupt(error);
  }
  if (chain.size() < wanted) {
    return corrupt("the compound file's stream " + quoted + " is shorter than its size");
  }
  out = ReadSectors(chain, entry->size);
  return StreamStatus::kFound;
}

}  // namespace corvane::doc
