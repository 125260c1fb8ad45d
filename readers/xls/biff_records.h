// The record layer of a BIFF stream ([MS-XLS] 2.1.4): a record is a type, a
// length and that many bytes. Every length is checked against the stream,
// and a budget shared by all substreams keeps sheets whose offsets overlap
// from being read over and over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace corvane::xls {

// Record types, by the names [MS-XLS] and the older BIFF versions use.
namespace record {
inline constexpr std::uint16_t kBof2 = 0x0009, kBof3 = 0x0209, kBof4 = 0x0409, kBof = 0x0809;
inline constexpr std::uint16_t kEof = 0x000A;
inline constexpr std::uint16_t kContinue = 0x003C;
inline constexpr std::uint16_t kFilePass = 0x002F;
inline constexpr std::uint16_t kCodePage = 0x0042;
inline constexpr std::uint16_t kDateMode = 0x0022;
inline constexpr std::uint16_t kBoundSheet = 0x0085;
inline constexpr std::uint16_t kSst = 0x00FC;
inline constexpr std::uint16_t kFormat2 = 0x001E, kFormat = 0x041E;
inline constexpr std::uint16_t kXf3 = 0x0243, kXf4 = 0x0443, kXf = 0x00E0;
inline constexpr std::uint16_t kIxfe2 = 0x0044;
// Cells, BIFF2 forms first (their attributes are 3 bytes instead of an XF index).
inline constexpr std::uint16_t kInteger2 = 0x0002, kNumber2 = 0x0003, kLabel2 = 0x0004,
                               kBoolErr2 = 0x0005, kFormula2 = 0x0006, kString2 = 0x0007;
inline constexpr std::uint16_t kNumber = 0x0203, kLabel = 0x0204, kBoolErr = 0x0205,
                               kString = 0x0207, kRk = 0x027E, kMulRk = 0x00BD, kRString = 0x00D6,
                               kLabelSst = 0x00FD, kMergedCells = 0x00E5;
// FORMULA: BIFF5 and later use the BIFF2 type, with BIFF5's layout.
inline constexpr std::uint16_t kFormula = 0x0006, kFormula3 = 0x0206, kFormula4 = 0x0406;
}  // namespace record

struct Record {
  std::uint16_t type = 0;
  std::string_view data;
};

class RecordCursor {
 public:
  // Reads `stream` from `offset`; each record read takes its size from
  // `budget`, which the caller shares between the substreams of one stream.
  RecordCursor(std::string_view stream, std::size_t offset, std::size_t& budget)
      : stream_(stream), position_(offset), budget_(budget) {}

  // The next record; false at the end of the stream or on a fault (Failed()).
  bool Next(Record& out);
  // The bodies of the CONTINUE records right after the last one read,
  // appended to `segments` (which the caller starts with that record's body).
  void TakeContinues(std::vector<std::string_view>& segments);

  bool CutShort() const { return cut_short_; }
  bool OverBudget() const { return over_budget_; }

 private:
  bool Peek(Record& out, std::size_t& next) const;

  std::string_view stream_;
  std::size_t position_;
  std::size_t& budget_;
  bool cut_short_ = false;
  bool over_budget_ = false;
};

// Little-endian reads within one record body; 0 past its end.
std::uint16_t U16(std::string_view data, std::size_t at);
std::uint32_t U32(std::string_view data, std::size_t at);
double F64(std::string_view data, std::size_t at);

}  // namespace corvane::xls
