// The compound file reader over files the test writer makes, over those
// files patched into every kind of damage the reader guards against, and
// over the real .doc and .xls files of the shared corpus; and the summary
// information title in the code pages documents declare.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "os/code_pages.h"
#include "readers/doc/compound_file.h"
#include "readers/doc/compound_file_writer.h"
#include "readers/doc/summary_information.h"

namespace corvane::doc {
namespace {

using Streams = std::vector<std::pair<std::string, std::string>>;
using Status = CompoundFile::StreamStatus;

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFree = 0xFFFFFFFF;

// Bytes that differ from sector to sector, so that a misplaced sector shows.
std::string Pattern(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>((i * 7 + i / 512 * 13 + seed * 31) & 0xFF);
  }
  return bytes;
}

std::uint32_t Get32(const std::string& file, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t i = 4; i-- > 0;)
    value = value << 8 | static_cast<unsigned char>(file[offset + i]);
  return value;
}

void Put32(std::string& file, std::size_t offset, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) file[offset + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

// Where things are in a file of the writer, whose chains are contiguous.
std::size_t SectorSize(const std::string& file) {
  return std::size_t{1} << (static_cast<unsigned char>(file[30]));
}
std::size_t SectorOffset(const std::string& file, std::uint32_t sector) {
  return (std::size_t{sector} + 1) * SectorSize(file);
}
std::size_t EntryOffset(const std::string& file, std::uint32_t id) {
  return SectorOffset(file, Get32(file, 48)) + 128 * std::size_t{id};
}
std::uint32_t StartOf(const std::string& file, std::uint32_t id) {
  return Get32(file, EntryOffset(file, id) + 116);
}
std::size_t FatEntryOffset(const std::string& file, std::uint32_t sector) {
  const std::size_t per_sector = SectorSize(file) / 4;
  const std::uint32_t fat_sector = Get32(file, 76 + 4 * (sector / per_sector));
  return SectorOffset(file, fat_sector) + 4 * (sector % per_sector);
}
std::size_t MiniFatEntryOffset(const std::string& file, std::uint32_t mini_sector) {
  return SectorOffset(file, Get32(file, 60)) + 4 * std::size_t{mini_sector};
}

void ExpectReadsBack(const std::string& file, const Streams& streams) {
  CompoundFile container;
  std::string error;
  ASSERT_TRUE(container.Open(file, error)) << error;
  for (const auto& [name, bytes] : streams) {
    SCOPED_TRACE(name);
    std::string out;
    EXPECT_TRUE(container.HasStream(name));
    ASSERT_EQ(container.ReadStream(name, out, error), Status::kFound) << error;
    EXPECT_EQ(out.size(), bytes.size());
    EXPECT_TRUE(out == bytes);
  }
}

TEST(CompoundFile, SignatureIsTheFirstEightBytes) {
  const std::string file = WriteCompoundFile({});
  EXPECT_TRUE(HasCompoundFileSignature(file));
  EXPECT_TRUE(HasCompoundFileSignature(file.substr(0, 8)));
  EXPECT_FALSE(HasCompoundFileSignature(file.substr(0, 7)));
  EXPECT_FALSE(HasCompoundFileSignature("PK\3\4 not a compound file"));
}

// Streams either side of the 4096-byte cutoff between the mini stream and
// regular sectors, an empty one, in both sector sizes.
TEST(CompoundFile, ReadsSmallAndLargeStreamsBack) {
  const Streams streams = {{"WordDocument", Pattern(70000, 1)},
                           {"1Table", Pattern(300, 2)},
                           {"Cutoff", Pattern(4096, 3)},
                           {"JustBelow", Pattern(4095, 4)},
                           {"Empty", ""},
                           {"Odd", Pattern(4097, 5)},
                           {"\005SummaryInformation", SummaryInformationStream("Title", 1252)}};
  for (const unsigned version : {3u, 4u}) {
    SCOPED_TRACE(version);
    ExpectReadsBack(WriteCompoundFile(streams, version), streams);
  }
}

// A directory, mini FAT and FAT over several sectors each.
TEST(CompoundFile, ReadsManyStreamsBack) {
  Streams streams;
  for (unsigned i = 0; i < 300; ++i) {
    streams.emplace_back("Stream " + std::to_string(i), Pattern(i * 37 % 9000, i));
  }
  ExpectReadsBack(WriteCompoundFile(streams), streams);
}

// Past 109 FAT sectors the header's DIFAT runs out and a DIFAT sector
// lists the rest.
const std::string& FileWithDifatSectors() {
  static const std::string file = WriteCompoundFile({{"Large", Pattern(7'500'000, 9)}});
  return file;
}

TEST(CompoundFile, ReadsFatSectorsListedInDifatSectors) {
  ASSERT_GT(Get32(FileWithDifatSectors(), 72), 0u) << "the file needs no DIFAT sector";
  ExpectReadsBack(FileWithDifatSectors(), {{"Large", Pattern(7'500'000, 9)}});
}

TEST(CompoundFile, DifatChainMustListEveryFatSector) {
  std::string file = FileWithDifatSectors();
  Put32(file, 68, kEndOfChain);
  CompoundFile container;
  std::string error;
  EXPECT_FALSE(container.Open(file, error));
  EXPECT_EQ(error, "the compound file's DIFAT chain is broken");
}

TEST(CompoundFile, MissingStreamIsNotAnError) {
  const std::string file = WriteCompoundFile({{"WordDocument", "text"}});
  CompoundFile container;
  std::string error;
  ASSERT_TRUE(container.Open(file, error)) << error;
  std::string out = "stale";
  error.clear();
  EXPECT_EQ(container.ReadStream("Workbook", out, error), Status::kMissing);
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(error.empty());
  EXPECT_FALSE(container.HasStream("Workbook"));
  EXPECT_FALSE(container.HasStream("WordDocumen"));
  EXPECT_FALSE(container.HasStream("Root Entry"));
}

// Names compare ignoring case, Latin-1 letters included; the caller's name
// is UTF-8, the stored one UTF-16.
TEST(CompoundFile, FindsStreamsIgnoringCase) {
  const std::string file =
      WriteCompoundFile({{"WordDocument", "w"}, {"\xC4rger", "a"}, {"book", "b"}});
  CompoundFile container;
  std::string error;
  ASSERT_TRUE(container.Open(file, error)) << error;
  std::string out;
  for (const char* name : {"worddocument", "WORDDOCUMENT", "WordDocument"}) {
    EXPECT_EQ(container.ReadStream(name, out, error), Status::kFound) << name;
    EXPECT_EQ(out, "w");
  }
  EXPECT_EQ(container.ReadStream("\xC3\xA4RGER", out, error), Status::kFound);  // "äRGER"
  EXPECT_EQ(out, "a");
  EXPECT_EQ(container.ReadStream("BOOK", out, error), Status::kFound);
  EXPECT_EQ(out, "b");
}

// Real files are often a few bytes short: the last sector reads as padded.
// A whole missing sector is damage.
TEST(CompoundFile, AcceptsAShortLastSectorButNotAMissingOne) {
  const Streams streams = {{"WordDocument", Pattern(9000, 1)}, {"1Table", Pattern(100, 2)}};
  std::string file = WriteCompoundFile(streams);
  file.resize(file.size() - 8);
  ExpectReadsBack(file, streams);
  file.resize(file.size() - 504);
  CompoundFile container;
  std::string error;
  EXPECT_FALSE(container.Open(file, error));
  EXPECT_EQ(error, "the compound file's DIFAT points beyond the end of the file");
}

// Version 3 sizes are 32 bits; writers leave garbage in the other half.
TEST(CompoundFile, IgnoresTheHighHalfOfVersion3Sizes) {
  const Streams streams = {{"Large", Pattern(5000, 1)}, {"Small", Pattern(100, 2)}};
  std::string file = WriteCompoundFile(streams);
  for (const std::uint32_t id : {0u, 1u, 2u}) Put32(file, EntryOffset(file, id) + 124, 0xDEADBEEF);
  ExpectReadsBack(file, streams);
}

// A broken mini stream spoils the small streams only.
TEST(CompoundFile, BrokenMiniStreamSparesRegularStreams) {
  std::string file = WriteCompoundFile({{"Large", Pattern(5000, 1)}, {"Small", "small"}});
  Put32(file, EntryOffset(file, 0) + 116, 100000);
  CompoundFile container;
  std::string error;
  ASSERT_TRUE(container.Open(file, error)) << error;
  std::string out;
  EXPECT_EQ(container.ReadStream("Large", out, error), Status::kFound) << error;
  EXPECT_EQ(container.ReadStream("Small", out, error), Status::kCorrupt);
  EXPECT_EQ(error, "the compound file's mini stream's chain points past the last sector");
}

// Damage made by patching the writer's file of three streams: "Big" (ten
// sectors, id 1), "Small" (four mini sectors, id 2) and "Other" (id 3). The
// tree is Big -> Other -> Small through right siblings.
struct Damage {
  const char* what;
  std::function<void(std::string&)> patch;
  const char* stream;  // nullptr: Open itself must fail
  const char* error;   // what the message contains
  unsigned version = 3;
};

const Streams kDamagedStreams = {
    {"Big", Pattern(5000, 1)}, {"Small", Pattern(200, 2)}, {"Other", Pattern(6000, 3)}};

std::vector<Damage> Damages() {
  const auto big_fat_entry = [](std::string& file, std::uint32_t index) {
    return FatEntryOffset(file, StartOf(file, 1) + index);
  };
  return {
      {"truncated header", [](std::string& f) { f.resize(300); }, nullptr,
       "the compound file's header is truncated"},
      {"wrong signature", [](std::string& f) { f[0] = 'X'; }, nullptr,
       "the compound file's signature is wrong"},
      {"unknown version", [](std::string& f) { f[26] = 5; }, nullptr,
       "the compound file's header is invalid"},
      {"sector size of the other version", [](std::string& f) { f[30] = 12; }, nullptr,
       "the compound file's header is invalid"},
      {"huge FAT sector count", [](std::string& f) { Put32(f, 44, 0x7FFFFFFF); }, nullptr,
       "the compound file's FAT sector count is impossible"},
      {"no FAT sector", [](std::string& f) { Put32(f, 44, 0); }, nullptr,
       "the compound file's FAT sector count is impossible"},
      {"FAT sector beyond the file", [](std::string& f) { Put32(f, 76, 100000); }, nullptr,
       "the compound file's DIFAT points beyond the end of the file"},
      {"FAT sector listed twice",
       [](std::string& f) {
         Put32(f, 44, 2);
         Put32(f, 80, Get32(f, 76));
       },
       nullptr, "the compound file's DIFAT lists a sector twice"},
      {"more FAT sectors than the DIFAT lists", [](std::string& f) { Put32(f, 44, 3); }, nullptr,
       "the compound file's DIFAT"},
      {"directory chain loops",
       [](std::string& f) { Put32(f, FatEntryOffset(f, Get32(f, 48)), Get32(f, 48)); }, nullptr,
       "the compound file's directory chain loops"},
      {"directory beyond the file", [](std::string& f) { Put32(f, 48, 5000); }, nullptr,
       "the compound file's directory chain points past the last sector"},
      {"no root entry", [](std::string& f) { f[EntryOffset(f, 0) + 66] = 1; }, nullptr,
       "the compound file's directory has no root entry"},
      {"root's child out of range", [](std::string& f) { Put32(f, EntryOffset(f, 0) + 76, 999); },
       nullptr, "the compound file's directory links an entry that does not exist"},
      {"left sibling out of range", [](std::string& f) { Put32(f, EntryOffset(f, 2) + 68, 4); },
       nullptr, "the compound file's directory links an entry that does not exist"},
      {"directory cycle", [](std::string& f) { Put32(f, EntryOffset(f, 2) + 72, 1); }, nullptr,
       "the compound file's directory tree loops"},
      {"sibling is the root", [](std::string& f) { Put32(f, EntryOffset(f, 2) + 68, 0); }, nullptr,
       "the compound file's directory tree loops"},
      {"sibling is an unused entry", [](std::string& f) { f[EntryOffset(f, 3) + 66] = 0; }, nullptr,
       "the compound file's directory links an unused entry"},
      {"loop in a FAT chain",
       [=](std::string& f) { Put32(f, big_fat_entry(f, 5), StartOf(f, 1) + 2); }, "Big",
       "the compound file's FAT chain for \"Big\" loops"},
      {"FAT chain ends early", [=](std::string& f) { Put32(f, big_fat_entry(f, 5), kEndOfChain); },
       "Big", "the compound file's stream \"Big\" is shorter than its size"},
      {"free sector in a FAT chain", [=](std::string& f) { Put32(f, big_fat_entry(f, 3), kFree); },
       "Big", "the compound file's FAT chain for \"Big\" is broken"},
      {"sector beyond the file", [](std::string& f) { Put32(f, EntryOffset(f, 1) + 116, 100000); },
       "Big", "the compound file's FAT chain for \"Big\" points past the last sector"},
      {"stream size beyond its chain",
       [](std::string& f) { Put32(f, EntryOffset(f, 1) + 120, 6000); }, "Big",
       "the compound file's stream \"Big\" is shorter than its size"},
      {"stream size beyond the file",
       [](std::string& f) { Put32(f, EntryOffset(f, 1) + 120, 0x7FFFFFFF); }, "Big",
       "the compound file's stream \"Big\" is larger than the file"},
      {"version 4 size beyond the file",
       [](std::string& f) { Put32(f, EntryOffset(f, 1) + 124, 1); }, "Big",
       "the compound file's stream \"Big\" is larger than the file", 4},
      {"loop in a mini FAT chain", [](std::string& f) { Put32(f, MiniFatEntryOffset(f, 2), 1); },
       "Small", "the compound file's mini FAT chain for \"Small\" loops"},
      {"mini sector beyond the mini stream",
       [](std::string& f) { Put32(f, EntryOffset(f, 2) + 116, 4); }, "Small",
       "the compound file's mini FAT chain for \"Small\" points past the last sector"},
      {"mini stream size beyond the file",
       [](std::string& f) { Put32(f, EntryOffset(f, 0) + 120, 0x7FFFFFFF); }, "Small",
       "the compound file's mini stream is larger than the file"},
      {"mini stream size beyond its chain",
       [](std::string& f) { Put32(f, EntryOffset(f, 0) + 120, 5000); }, "Small",
       "the compound file's mini stream is shorter than its size"},
      {"mini FAT beyond the file", [](std::string& f) { Put32(f, 60, 100000); }, "Small",
       "the compound file's mini FAT's chain points past the last sector"},
  };
}

TEST(CompoundFile, DamageFailsWithASentence) {
  for (const Damage& damage : Damages()) {
    SCOPED_TRACE(damage.what);
    std::string file = WriteCompoundFile(kDamagedStreams, damage.version);
    damage.patch(file);
    CompoundFile container;
    std::string error;
    const bool opened = container.Open(file, error);
    if (damage.stream == nullptr) {
      EXPECT_FALSE(opened);
      EXPECT_NE(error.find(damage.error), std::string::npos) << error;
      continue;
    }
    ASSERT_TRUE(opened) << error;
    std::string out;
    EXPECT_EQ(container.ReadStream(damage.stream, out, error), Status::kCorrupt);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(error, damage.error);
  }
}

// Every single byte of a small file set to each of a few values: the
// reader opens and reads, or says why not, and never reads out of bounds
// (the sanitizer build checks that).
TEST(CompoundFile, AnyDamagedByteOpensOrFailsWithASentence) {
  const std::string original = WriteCompoundFile(kDamagedStreams);
  for (std::size_t offset = 0; offset < original.size(); ++offset) {
    for (const char value : {'\x00', '\x01', '\x7F', '\xFF'}) {
      std::string file = original;
      file[offset] = value;
      CompoundFile container;
      std::string error;
      if (!container.Open(file, error)) {
        ASSERT_FALSE(error.empty()) << "byte " << offset;
        continue;
      }
      for (const auto& [name, bytes] : kDamagedStreams) {
        std::string out;
        if (container.ReadStream(name, out, error) == Status::kCorrupt) {
          ASSERT_FALSE(error.empty()) << "byte " << offset;
        }
        ASSERT_LE(out.size(), file.size());
      }
    }
  }
}

// A decoder that knows no code page, as on a system without the tables.
class NoCodePages final : public CodePageDecoder {
 public:
  bool Decode(unsigned, std::string_view, std::u32string&) const override { return false; }
};

std::string Utf16(std::u16string_view text) {
  std::string bytes;
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

TEST(SummaryTitle, DecodesTheDeclaredCodePage) {
  const CodePageDecoder& system = os::SystemCodePageDecoder();
  const NoCodePages none;
  struct Case {
    const char* what;
    std::string title;
    std::uint16_t code_page;
    const CodePageDecoder& decoder;
    std::string expected;
  };
  const Case cases[] = {
      {"Windows-1252", "Caf\xE9 \x80 \x93quoted\x94", 1252, system,
       "Caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cquoted\xE2\x80\x9D"},
      {"Windows-1252 built in", "Caf\xE9 \x81", 1252, none, "Caf\xC3\xA9 \xEF\xBF\xBD"},
      {"Windows-1251", "\xCF\xF0\xE8\xE2\xE5\xF2", 1251, system,
       "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
      {"unknown page read as Windows-1252", "\xCF\xF0", 1251, none, "\xC3\x8F\xC3\xB0"},
      {"UTF-16", Utf16(u"\u00DCber \u2713 \U0001F600"), 1200, system,
       "\xC3\x9C"
       "ber \xE2\x9C\x93 \xF0\x9F\x98\x80"},
      {"UTF-16 lone surrogate", Utf16(u"a\xD800z"), 1200, system, "a\xEF\xBF\xBDz"},
      {"UTF-8", "\xC3\xA9t\xC3\xA9", 65001, none, "\xC3\xA9t\xC3\xA9"},
      {"UTF-8 with a bad byte",
       "a\xFF"
       "b\xC3",
       65001, none,
       "a\xEF\xBF\xBD"
       "b\xEF\xBF\xBD"},
      {"trailing NULs", std::string("Title\0\0\0", 8), 1252, system, "Title"},
      {"empty", "", 1252, system, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ReadSummaryTitle(SummaryInformationStream(c.title, c.code_page), c.decoder),
              c.expected);
  }
}

// The writer's stream: the set at 48, its code page value at 48 + 24 and
// the title value (type, count, characters) at 48 + 32.
constexpr std::size_t kTitleValue = 80;

TEST(SummaryTitle, ReadsAUnicodeStringValue) {
  std::string stream = SummaryInformationStream(Utf16(u"Wide"), 1252);
  Put32(stream, kTitleValue, 0x1F);
  Put32(stream, kTitleValue + 4, 5);
  EXPECT_EQ(ReadSummaryTitle(stream, os::SystemCodePageDecoder()), "Wide");
}

// Some Mac writers stored the set's format id with its first three fields
// big-endian.
TEST(SummaryTitle, AcceptsAByteSwappedFormatId) {
  std::string stream = SummaryInformationStream("Swapped", 1252);
  const std::string swapped = "\xF2\x9F\x85\xE0\x4F\xF9\x10\x68";
  stream.replace(28, swapped.size(), swapped);
  EXPECT_EQ(ReadSummaryTitle(stream, os::SystemCodePageDecoder()), "Swapped");
}

TEST(SummaryTitle, AbsentOrMalformedGivesNothing) {
  const std::string good = SummaryInformationStream("A title", 1252);
  struct Case {
    const char* what;
    std::function<void(std::string&)> patch;
  };
  const Case cases[] = {
      {"no title property", [](std::string& s) { Put32(s, 48 + 16, 5); }},
      {"wrong byte order", [](std::string& s) { s[0] = 0; }},
      {"another property set", [](std::string& s) { s[28] ^= 1; }},
      {"no property set", [](std::string& s) { Put32(s, 24, 0); }},
      {"set beyond the stream", [](std::string& s) { Put32(s, 44, 0xFFFFFFF0); }},
      {"set size too small", [](std::string& s) { Put32(s, 48, 4); }},
      {"set cut short of the title", [](std::string& s) { Put32(s, 48, 40); }},
      {"title offset beyond the set", [](std::string& s) { Put32(s, 48 + 20, 0xFFFFFFFE); }},
      {"title longer than the stream",
       [](std::string& s) { Put32(s, kTitleValue + 4, 0xFFFFFFFF); }},
      {"title of another type", [](std::string& s) { Put32(s, kTitleValue, 0x03); }},
      {"wide title longer than the stream",
       [](std::string& s) {
         Put32(s, kTitleValue, 0x1F);
         Put32(s, kTitleValue + 4, 0x80000001);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string stream = good;
    c.patch(stream);
    EXPECT_EQ(ReadSummaryTitle(stream, os::SystemCodePageDecoder()), "");
  }
  // Cut anywhere: the whole title or nothing, and no read past the end.
  for (std::size_t size = 0; size < good.size(); ++size) {
    const std::string title =
        ReadSummaryTitle(std::string_view(good).substr(0, size), os::SystemCodePageDecoder());
    EXPECT_TRUE(title.empty() || title == "A title") << size;
  }
}

TEST(SummaryTitle, ReadsThroughTheContainer) {
  const std::string file =
      WriteCompoundFile({{"WordDocument", "x"},
                         {"\005SummaryInformation", SummaryInformationStream("Report", 1252)}});
  CompoundFile container;
  std::string error, stream;
  ASSERT_TRUE(container.Open(file, error)) << error;
  ASSERT_EQ(container.ReadStream("\005SummaryInformation", stream, error), Status::kFound);
  EXPECT_EQ(ReadSummaryTitle(stream, os::SystemCodePageDecoder()), "Report");
}

// The real files of the shared corpus, when it is there: each opens or
// fails with a sentence; the counts are printed for the record.
std::vector<std::filesystem::path> CorpusFiles(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

void ReadCorpusFolder(const char* folder, const std::vector<const char*>& main_streams) {
  const std::vector<std::filesystem::path> files =
      CorpusFiles(std::filesystem::path(CORVANE_LEGACY_CORPUS_DIR) / folder);
  if (files.empty()) GTEST_SKIP() << "no shared corpus at " << CORVANE_LEGACY_CORPUS_DIR;
  int not_compound = 0, opened = 0, with_main_stream = 0, titled = 0, corrupt_streams = 0;
  std::map<std::string, int> failures;
  for (const std::filesystem::path& path : files) {
    SCOPED_TRACE(path.filename().string());
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!HasCompoundFileSignature(bytes)) {
      ++not_compound;
      continue;
    }
    CompoundFile container;
    std::string error;
    if (!container.Open(bytes, error)) {
      EXPECT_FALSE(error.empty());
      ++failures[error];
      std::printf("not opened: %s: %s\n", path.filename().string().c_str(), error.c_str());
      continue;
    }
    ++opened;
    std::string out;
    for (const char* name : main_streams) {
      const Status status = container.ReadStream(name, out, error);
      if (status == Status::kMissing) continue;
      if (status == Status::kFound) {
        ++with_main_stream;
      } else {
        EXPECT_FALSE(error.empty());
        ++corrupt_streams;
        std::printf("stream not read: %s: %s\n", path.filename().string().c_str(), error.c_str());
      }
      break;
    }
    if (container.ReadStream("\005SummaryInformation", out, error) == Status::kFound &&
        !ReadSummaryTitle(out, os::SystemCodePageDecoder()).empty()) {
      ++titled;
    }
  }
  std::printf(
      "%s: %zu files, %d not compound files, %d opened (%d with a main stream read, %d "
      "main streams corrupt, %d titled)\n",
      folder, files.size(), not_compound, opened, with_main_stream, corrupt_streams, titled);
  for (const auto& [reason, count] : failures) std::printf("  %d: %s\n", count, reason.c_str());
  EXPECT_GT(with_main_stream, opened / 2);
}

TEST(CompoundFileCorpus, WordFilesOpenOrFailWithASentence) {
  ReadCorpusFolder("doc", {"WordDocument"});
}

TEST(CompoundFileCorpus, ExcelFilesOpenOrFailWithASentence) {
  ReadCorpusFolder("xls", {"Workbook", "Book"});
}

}  // namespace
}  // namespace corvane::doc
