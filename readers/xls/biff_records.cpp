#include "readers/xls/biff_records.h"

#include <bit>

namespace corvane::xls {

bool RecordCursor::Peek(Record& out, std::size_t& next) const {
  if (position_ >= stream_.size() || stream_.size() - position_ < 4) return false;
  const std::uint16_t length = U16(stream_, position_ + 2);
  if (stream_.size() - position_ - 4 < length) return false;
  out.type = U16(stream_, position_);
  out.data = stream_.substr(position_ + 4, length);
  next = position_ + 4 + length;
  return true;
}

bool RecordCursor::Next(Record& out) {
  std::size_t next = 0;
  if (!Peek(out, next)) {
    // A few bytes of padding after the last record are no fault; a record
    // whose header or body runs past the end is.
    if (position_ < stream_.size() && stream_.size() - position_ >= 4) cut_short_ = true;
    return false;
  }
  const std::size_t size = next - position_;
  if (size > budget_) {
    over_budget_ = true;
    return false;
  }
  budget_ -= size;
  position_ = next;
  return true;
}

void RecordCursor::TakeContinues(std::vector<std::string_view>& segments) {
  Record record;
  std::size_t next = 0;
  while (Peek(record, next) && record.type == record::kContinue) {
    Next(record);
    if (over_budget_) return;
    segments.push_back(record.data);
  }
}

std::uint16_t U16(std::string_view data, std::size_t at) {
  if (at > data.size() || data.size() - at < 2) return 0;
  return static_cast<std::uint16_t>(static_cast<unsigned char>(data[at]) |
                                    (static_cast<unsigned char>(data[at + 1]) << 8));
}

std::uint32_t U32(std::string_view data, std::size_t at) {
  if (at > data.size() || data.size() - at < 4) return 0;
  return U16(data, at) | (static_cast<std::uint32_t>(U16(data, at + 2)) << 16);
}

double F64(std::string_view data, std::size_t at) {
  const std::uint64_t bits = U32(data, at) | (static_cast<std::uint64_t>(U32(data, at + 4)) << 32);
  return std::bit_cast<double>(bits);
}

}  // namespace corvane::xls
