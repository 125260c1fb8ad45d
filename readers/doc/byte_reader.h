// Little-endian reads from a stream whose every offset comes from the file:
// an out-of-range read gives 0 and Has() says beforehand whether it fits, so
// no pointer arithmetic on untrusted numbers happens anywhere else.
#pragma once

#include <cstdint>
#include <string_view>

namespace corvane::doc {

class ByteReader {
 public:
  ByteReader() = default;
  explicit ByteReader(std::string_view data) : data_(data) {}

  std::uint64_t size() const { return data_.size(); }
  bool Has(std::uint64_t offset, std::uint64_t length) const {
    return offset <= data_.size() && length <= data_.size() - offset;
  }
  std::uint8_t U8(std::uint64_t offset) const {
    return Has(offset, 1) ? static_cast<std::uint8_t>(data_[offset]) : 0;
  }
  std::uint16_t U16(std::uint64_t offset) const {
    return Has(offset, 2) ? static_cast<std::uint16_t>(U8(offset) | (U8(offset + 1) << 8)) : 0;
  }
  std::uint32_t U32(std::uint64_t offset) const {
    return Has(offset, 4) ? static_cast<std::uint32_t>(U16(offset)) |
                                (static_cast<std::uint32_t>(U16(offset + 2)) << 16)
                          : 0;
  }
  std::int32_t I32(std::uint64_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
  // The bytes [offset, offset + length), or empty when they are not all there.
  std::string_view Slice(std::uint64_t offset, std::uint64_t length) const {
    return Has(offset, length) ? data_.substr(offset, length) : std::string_view();
  }

 private:
  std::string_view data_;
};

// A PLC: n + 1 positions (4 bytes each) then n data elements of a fixed
// size. Count() is 0 when the structure cannot be one.
class PlcReader {
 public:
  PlcReader(ByteReader bytes, std::uint32_t offset, std::uint32_t length, std::uint32_t data_size)
      : bytes_(bytes), offset_(offset) {
    if (length >= 4 && bytes.Has(offset, length) && (length - 4) % (4 + data_size) == 0) {
      count_ = (length - 4) / (4 + data_size);
    }
    data_size_ = data_size;
  }
  std::uint32_t Count() const { return count_; }
  std::uint32_t Position(std::uint32_t i) const { return bytes_.U32(offset_ + 4ull * i); }
  std::uint64_t DataOffset(std::uint32_t i) const {
    return offset_ + 4ull * (count_ + 1) + static_cast<std::uint64_t>(data_size_) * i;
  }
  const ByteReader& Bytes() const { return bytes_; }

 private:
  ByteReader bytes_;
  std::uint64_t offset_ = 0;
  std::uint32_t count_ = 0;
  std::uint32_t data_size_ = 0;
};

}  // namespace corvane::doc
