// Bytes tested a register's width at a time, for searches whose targets
// are so frequent that a library search would stop, return and be called
// again every few bytes.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace corvane::engine::chunk {

// Four bytes on the 32-bit build, eight on the 64-bit one.
using Chunk = std::uintptr_t;
constexpr std::size_t kBytes = sizeof(Chunk);
static_assert(std::endian::native == std::endian::little, "the first byte is the lowest");

constexpr Chunk Repeat(unsigned char byte) { return (~Chunk{0} / 0xFF) * byte; }
constexpr Chunk kHighBits = Repeat(0x80);
constexpr Chunk kLowBits = Repeat(0x7F);

inline Chunk Load(const char* at) {
  Chunk chunk;
  std::memcpy(&chunk, at, sizeof chunk);
  return chunk;
}

// The high bit of every byte of chunk whose value is in [low, high], where
// high < 0x80; no other bit. Exact: no carry crosses from byte to byte.
constexpr Chunk InRange(Chunk chunk, unsigned char low, unsigned char high) {
  const Chunk seven_bits = chunk & kLowBits;
  const Chunk at_least_low = seven_bits + Repeat(static_cast<unsigned char>(0x80 - low));
  const Chunk above_high = seven_bits + Repeat(static_cast<unsigned char>(0x7F - high));
  return at_least_low & ~above_high & ~chunk & kHighBits;
}

constexpr Chunk Equal(Chunk chunk, unsigned char byte) { return InRange(chunk, byte, byte); }

}  // namespace corvane::engine::chunk
