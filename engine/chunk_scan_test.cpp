#include "engine/chunk_scan.h"

#include <gtest/gtest.h>

#include <cstring>

namespace corvane::engine::chunk {
namespace {

// Every byte value at every place of a chunk, its neighbours the byte
// itself and its complement, against the plain comparison: a carry or a
// borrow crossing into a neighbour would show as a wrong mark there.
TEST(ChunkScan, InRangeMarksExactlyTheBytesInRange) {
  struct Range {
    unsigned char low;
    unsigned char high;
  };
  const Range kRanges[] = {{'a', 'z'}, {'0', '9'}, {' ', ' '}, {'<', '<'},
                           {'>', '>'}, {0, 0x1F},  {0, 0x7F},  {0x7F, 0x7F}};
  for (const Range& range : kRanges) {
    for (int value = 0; value < 256; ++value) {
      for (std::size_t place = 0; place < kBytes; ++place) {
        for (int neighbour : {value, value ^ 0xFF}) {
          char bytes[kBytes];
          std::memset(bytes, neighbour, kBytes);
          bytes[place] = static_cast<char>(value);
          const Chunk marks = InRange(Load(bytes), range.low, range.high);
          for (std::size_t i = 0; i < kBytes; ++i) {
            const unsigned char byte = static_cast<unsigned char>(bytes[i]);
            const bool in_range = byte >= range.low && byte <= range.high;
            const Chunk mark = (marks >> (8 * i)) & 0xFF;
            ASSERT_EQ(mark, in_range ? 0x80u : 0u)
                << "byte " << int(byte) << " at " << i << " in [" << int(range.low) << ", "
                << int(range.high) << "]";
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace corvane::engine::chunk
