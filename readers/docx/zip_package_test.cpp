// The archive limits, each met with small limits injected: the count of
// entries, a part's size, the total read, the ratio and the compressed size
// a directory may claim.
#include "readers/docx/zip_package.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "readers/docx/docx_fixture.h"

namespace corvane::docx {
namespace {

using testing::BuildZip;
using testing::ZipEntry;

// A directory that claims a compressed size far beyond the archive, so that
// an unclamped ratio would look harmless. The stored part after it gives
// the reader's first block of input something to read.
std::string ClaimingHugeCompressedSize() {
  std::string archive =
      BuildZip({{"a", std::string(1 << 20, '\0')}, {"padding", std::string(20000, 'p'), false}});
  // The local header and the directory must agree, or the part is damaged.
  for (const std::size_t size_field :
       {archive.find("PK\x03\x04") + 18, archive.find("PK\x01\x02") + 20}) {
    for (int byte = 0; byte < 4; ++byte) archive[size_field + byte] = '\x7F';
  }
  return archive;
}

struct LimitCase {
  const char* name;
  PackageLimits limits;
  std::string archive;
  std::vector<std::string> parts;  // read in order
  ReadStatus status;               // of the open, else of the last read
  const char* message;             // a part of it; "" when all is well
};

void PrintTo(const LimitCase& c, std::ostream* out) { *out << c.name; }

PackageLimits With(std::uint64_t entries, std::uint64_t part, std::uint64_t total,
                   std::uint64_t ratio_floor = 1u << 20, std::uint64_t ratio = 500) {
  PackageLimits limits;
  limits.max_entries = entries;
  limits.max_part_bytes = part;
  limits.max_total_bytes = total;
  limits.ratio_floor_bytes = ratio_floor;
  limits.max_ratio = ratio;
  return limits;
}

const std::string kZeros(100000, '\0');

class ZipPackageLimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(ZipPackageLimitTest, RefusesWhatPassesALimitAndNothingElse) {
  const LimitCase& c = GetParam();
  ZipPackage package(c.limits);
  PackageError error = package.Open(c.archive);
  for (const std::string& part : c.parts) {
    if (error.Failed()) break;
    std::string content;
    error = package.ReadWhole(part, content);
  }
  EXPECT_EQ(error.status, c.status) << error.message;
  EXPECT_NE(error.message.find(c.message), std::string::npos) << error.message;
}

INSTANTIATE_TEST_SUITE_P(
    Limits, ZipPackageLimitTest,
    ::testing::Values(LimitCase{"EntriesAtTheLimit",
                                With(2, 1000, 1000),
                                BuildZip({{"a", "x"}, {"b", "y"}}),
                                {"a", "b"},
                                ReadStatus::kOk,
                                ""},
                      LimitCase{"OneEntryTooMany",
                                With(2, 1000, 1000),
                                BuildZip({{"a", "x"}, {"b", "y"}, {"c", "z"}}),
                                {},
                                ReadStatus::kTooLarge,
                                "more parts"},
                      LimitCase{"PartAtItsLimit",
                                With(10, 100, 1000),
                                BuildZip({{"a", std::string(100, 'x')}}),
                                {"a"},
                                ReadStatus::kOk,
                                ""},
                      LimitCase{"PartPastItsLimit",
                                With(10, 100, 1000),
                                BuildZip({{"a", std::string(101, 'x'), false}}),
                                {"a"},
                                ReadStatus::kTooLarge,
                                "ZIP bomb"},
                      LimitCase{
                          "PartsPastTheTotal",
                          With(10, 100, 150),
                          BuildZip({{"a", std::string(80, 'x')}, {"b", std::string(80, 'y')}}),
                          {"a", "b"},
                          ReadStatus::kTooLarge,
                          "the part b"},
                      LimitCase{"HighRatioUnderItsFloor",
                                With(10, 1u << 20, 1u << 20, 200000, 10),
                                BuildZip({{"a", kZeros}}),
                                {"a"},
                                ReadStatus::kOk,
                                ""},
                      LimitCase{"HighRatioPastItsFloor",
                                With(10, 1u << 20, 1u << 20, 50000, 10),
                                BuildZip({{"a", kZeros}}),
                                {"a"},
                                ReadStatus::kTooLarge,
                                "ZIP bomb"},
                      LimitCase{"StoredPartHasNoRatio",
                                With(10, 1u << 20, 1u << 20, 50000, 10),
                                BuildZip({{"a", kZeros, false}}),
                                {"a"},
                                ReadStatus::kOk,
                                ""},
                      LimitCase{"ClaimedCompressedSizeIsClampedToTheArchive",
                                With(10, 2u << 20, 2u << 20, 50000, 10),
                                ClaimingHugeCompressedSize(),
                                {"a"},
                                ReadStatus::kTooLarge,
                                "ZIP bomb"}),
    [](const ::testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvane::docx
