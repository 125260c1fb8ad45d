// Synthetic RTF documents for the benchmarks: word-processor output with the
// usual header tables, formatted runs, lists, tables, fields, pictures and
// page breaks, so that the engine sees the mix of work a real file gives it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane::bench {

inline constexpr std::uint64_t kDefaultSeed = 20240611;

// Returns one complete RTF document of about `target_bytes` bytes (it stops
// at the first block boundary past the target, so it overshoots by at most
// a few kilobytes; a target below the size of the header gives the header
// and one paragraph). The same target and seed give the same bytes on every
// platform and compiler.
std::string GenerateRtf(std::size_t target_bytes, std::uint64_t seed = kDefaultSeed);

}  // namespace corvane::bench
