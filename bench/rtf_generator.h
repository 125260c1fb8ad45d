// Synthetic RTF documents for the benchmarks: word-processor output with the
// usual header tables, formatted runs, lists, tables, fields, pictures and
// page breaks, so that the engine sees the mix of work a real file gives it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::bench {

inline constexpr std::uint64_t kDefaultSeed = 20240611;

// kMixed: formatted runs here and there, as older writers and simple editors
// leave them. kWordDense: every run of a word or a few in its own group with
// the direction, font and revision words that current Word versions write
// around nearly each one (80 to 90 control words per KB).
enum class RtfStyle { kMixed, kWordDense };

// Returns one complete RTF document of about `target_bytes` bytes (it stops
// at the first block boundary past the target, so it overshoots by at most
// a few kilobytes; a target below the size of the header gives the header
// and one paragraph). The same target and seed give the same bytes on every
// platform and compiler.
std::string GenerateRtf(std::size_t target_bytes, std::uint64_t seed = kDefaultSeed,
                        RtfStyle style = RtfStyle::kMixed);

// Control words ("\" and a letter) per 1024 bytes of rtf: how much of the
// document the engine reads as words rather than as text.
double ControlWordsPerKb(std::string_view rtf);

}  // namespace corvane::bench
