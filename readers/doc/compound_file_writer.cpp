// Writes the simplest compound file [MS-CFB] allows: every chain contiguous,
// the root's children as a right-leaning chain of black entries (a valid
// binary search tree in the format's name order).
#include "readers/doc/compound_file_writer.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace corvane::doc {
namespace {

constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFree = 0xFFFFFFFF;
constexpr std::size_t kHeaderDifatEntries = 109;
constexpr std::size_t kEntrySize = 128;
constexpr std::size_t kMiniSectorSize = 64;
constexpr std::size_t kMiniStreamCutoff = 4096;

void Put16(std::string& out, std::size_t offset, std::uint32_t value) {
  out[offset] = static_cast<char>(value & 0xFF);
  out[offset + 1] = static_cast<char>(value >> 8 & 0xFF);
}

void Put32(std::string& out, std::size_t offset, std::uint32_t value) {
  Put16(out, offset, value & 0xFFFF);
  Put16(out, offset + 2, value >> 16);
}

void Put64(std::string& out, std::size_t offset, std::uint64_t value) {
  Put32(out, offset, static_cast<std::uint32_t>(value));
  Put32(out, offset + 4, static_cast<std::uint32_t>(value >> 32));
}

void Append32(std::string& out, std::uint32_t value) {
  out.append(4, '\0');
  Put32(out, out.size() - 4, value);
}

std::size_t CeilDiv(std::size_t value, std::size_t divisor) {
  return (value + divisor - 1) / divisor;
}

unsigned char Upper(char c) {
  const auto unit = static_cast<unsigned char>(c);
  return (unit >= 'a' && unit <= 'z') || (unit >= 0xE0 && unit <= 0xFE && unit != 0xF7)
             ? static_cast<unsigned char>(unit - 0x20)
             : unit;
}

// The format's name order: shorter names first, then by upper-cased units.
bool NameLess(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return a.size() < b.size();
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return Upper(x) < Upper(y); });
}

// One 128-byte directory entry; ids are kFree for "none".
std::string DirectoryEntry(std::string_view name, std::uint8_t type, std::uint32_t right,
                           std::uint32_t child, std::uint32_t start, std::uint64_t size) {
  std::string entry(kEntrySize, '\0');
  for (std::size_t i = 0; i < name.size(); ++i) {
    Put16(entry, 2 * i, static_cast<unsigned char>(name[i]));
  }
  if (type != 0) Put16(entry, 64, static_cast<std::uint32_t>(2 * (name.size() + 1)));
  entry[66] = static_cast<char>(type);
  entry[67] = 1;  // black
  Put32(entry, 68, kFree);
  Put32(entry, 72, right);
  Put32(entry, 76, child);
  Put32(entry, 116, start);
  Put64(entry, 120, size);
  return entry;
}

// Appends `data` to `area` padded to whole units and chains those units in
// `table`. Gives the chain's start, or kEndOfChain when `data` is empty.
std::uint32_t AppendChain(std::string& area, std::vector<std::uint32_t>& table,
                          std::string_view data, std::size_t unit) {
  if (data.empty()) return kEndOfChain;
  const auto first = static_cast<std::uint32_t>(table.size());
  const std::size_t count = CeilDiv(data.size(), unit);
  for (std::size_t i = 1; i < count; ++i) table.push_back(first + static_cast<std::uint32_t>(i));
  table.push_back(kEndOfChain);
  area.append(data);
  area.append(count * unit - data.size(), '\0');
  return first;
}

}  // namespace

std::string WriteCompoundFile(const std::vector<std::pair<std::string, std::string>>& streams,
                              unsigned major_version) {
  const std::size_t sector_size = major_version == 4 ? 4096 : 512;
  const std::size_t per_fat_sector = sector_size / 4;
  std::vector<std::size_t> order(streams.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return NameLess(streams[a].first, streams[b].first);
  });
  for (std::size_t i = 0; i < order.size(); ++i) {
    const std::string& name = streams[order[i]].first;
    const bool duplicate = i > 0 && !NameLess(streams[order[i - 1]].first, name);
    if (name.empty() || name.size() > 31 || duplicate) {
      throw std::invalid_argument("bad compound file stream name: " + name);
    }
  }

  // The sectors after the header, and their FAT entries.
  std::string sectors;
  std::vector<std::uint32_t> fat;
  std::string mini_stream;
  std::vector<std::uint32_t> mini_fat;
  std::vector<std::uint32_t> starts(streams.size());
  for (std::size_t i = 0; i < streams.size(); ++i) {
    const std::string& data = streams[i].second;
    starts[i] = data.size() >= kMiniStreamCutoff
                    ? AppendChain(sectors, fat, data, sector_size)
                    : AppendChain(mini_stream, mini_fat, data, kMiniSectorSize);
  }
  const std::uint32_t mini_stream_start = AppendChain(sectors, fat, mini_stream, sector_size);
  std::string mini_fat_bytes;
  for (const std::uint32_t next : mini_fat) Append32(mini_fat_bytes, next);
  const std::uint32_t mini_fat_start = AppendChain(sectors, fat, mini_fat_bytes, sector_size);
  const std::size_t mini_fat_sectors = CeilDiv(mini_fat_bytes.size(), sector_size);

  std::vector<std::uint32_t> next_sibling(streams.size(), kFree);
  for (std::size_t i = 0; i + 1 < order.size(); ++i) {
    next_sibling[order[i]] = static_cast<std::uint32_t>(order[i + 1] + 1);
  }
  const std::uint32_t root_child = order.empty() ? kFree : static_cast<std::uint32_t>(order[0] + 1);
  std::string directory =
      DirectoryEntry("Root Entry", 5, kFree, root_child, mini_stream_start, mini_stream.size());
  for (std::size_t i = 0; i < streams.size(); ++i) {
    directory += DirectoryEntry(streams[i].first, 2, next_sibling[i], kFree, starts[i],
                                streams[i].second.size());
  }
  while (directory.size() % sector_size != 0) {
    directory += DirectoryEntry("", 0, kFree, kFree, 0, 0);
  }
  const auto directory_start = static_cast<std::uint32_t>(fat.size());
  AppendChain(sectors, fat, directory, sector_size);
  const std::size_t directory_sectors = directory.size() / sector_size;

  // The FAT covers itself and the DIFAT: grow both until they agree.
  std::size_t fat_sectors = 1, difat_sectors = 0;
  for (;;) {
    const std::size_t needed = CeilDiv(fat.size() + fat_sectors + difat_sectors, per_fat_sector);
    const std::size_t difat_needed = needed > kHeaderDifatEntries
                                         ? CeilDiv(needed - kHeaderDifatEntries, per_fat_sector - 1)
                                         : 0;
    if (needed == fat_sectors && difat_needed == difat_sectors) break;
    fat_sectors = std::max(fat_sectors, needed);
    difat_sectors = std::max(difat_sectors, difat_needed);
  }
  const auto fat_start = static_cast<std::uint32_t>(fat.size());
  fat.insert(fat.end(), fat_sectors, kFatSector);
  const auto difat_start = static_cast<std::uint32_t>(fat.size());
  fat.insert(fat.end(), difat_sectors, kDifatSector);
  fat.resize(fat_sectors * per_fat_sector, kFree);
  for (const std::uint32_t next : fat) Append32(sectors, next);

  std::vector<std::uint32_t> difat(kHeaderDifatEntries + difat_sectors * (per_fat_sector - 1),
                                   kFree);
  for (std::size_t i = 0; i < fat_sectors; ++i)
    difat[i] = fat_start + static_cast<std::uint32_t>(i);
  for (std::size_t d = 0; d < difat_sectors; ++d) {
    for (std::size_t i = 0; i < per_fat_sector - 1; ++i) {
      Append32(sectors, difat[kHeaderDifatEntries + d * (per_fat_sector - 1) + i]);
    }
    Append32(sectors,
             d + 1 < difat_sectors ? difat_start + static_cast<std::uint32_t>(d + 1) : kEndOfChain);
  }

  std::string header(sector_size, '\0');
  const unsigned char signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::copy(std::begin(signature), std::end(signature), header.begin());
  Put16(header, 24, 0x3E);
  Put16(header, 26, major_version == 4 ? 4 : 3);
  Put16(header, 28, 0xFFFE);
  Put16(header, 30, major_version == 4 ? 12 : 9);
  Put16(header, 32, 6);
  Put32(header, 40, major_version == 4 ? static_cast<std::uint32_t>(directory_sectors) : 0);
  Put32(header, 44, static_cast<std::uint32_t>(fat_sectors));
  Put32(header, 48, directory_start);
  Put32(header, 56, kMiniStreamCutoff);
  Put32(header, 60, mini_fat_start);
  Put32(header, 64, static_cast<std::uint32_t>(mini_fat_sectors));
  Put32(header, 68, difat_sectors > 0 ? difat_start : kEndOfChain);
  Put32(header, 72, static_cast<std::uint32_t>(difat_sectors));
  for (std::size_t i = 0; i < kHeaderDifatEntries; ++i) Put32(header, 76 + 4 * i, difat[i]);
  return header + sectors;
}

std::string SummaryInformationStream(std::string_view title, std::uint16_t code_page) {
  // FMTID_SummaryInformation, F29F85E0-4FF9-1068-AB91-08002B27B3D9.
  const unsigned char format_id[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                       0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
  std::string title_value;
  Append32(title_value, 0x1E);  // VT_LPSTR
  const std::size_t terminator = code_page == 1200 ? 2 : 1;
  Append32(title_value, static_cast<std::uint32_t>(title.size() + terminator));
  title_value.append(title);
  title_value.append(terminator, '\0');
  title_value.append((4 - title_value.size() % 4) % 4, '\0');

  std::string set;
  Append32(set, 0);  // the set's size, filled in below
  Append32(set, 2);
  Append32(set, 1);   // PID_CODEPAGE
  Append32(set, 24);  // after the two id/offset pairs
  Append32(set, 2);   // PIDSI_TITLE
  Append32(set, 32);
  Append32(set, 2);  // VT_I2
  Append32(set, code_page);
  set += title_value;
  Put32(set, 0, static_cast<std::uint32_t>(set.size()));

  std::string stream(48, '\0');
  Put16(stream, 0, 0xFFFE);
  Put32(stream, 4, 0x00020006);  // written on Windows
  Put32(stream, 24, 1);
  std::copy(std::begin(format_id), std::end(format_id), stream.begin() + 28);
  Put32(stream, 44, 48);
  return stream + set;
}

}  // namespace corvane::doc
