// A small deterministic generator for the benchmarks' inputs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane::bench {

// splitmix64 with plain modulo: the standard distributions differ between
// library vendors, and the inputs must be the same bytes everywhere.
class SplitMix {
 public:
  explicit SplitMix(std::uint64_t seed) : state_(seed) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
  std::size_t Between(std::size_t lo, std::size_t hi) { return lo + Below(hi - lo + 1); }
  bool Percent(std::size_t p) { return Below(100) < p; }
  // Any indexable collection: arrays, vectors.
  template <typename Items>
  const auto& Pick(const Items& items) {
    return items[Below(std::size(items))];
  }

 private:
  std::uint64_t state_;
};

}  // namespace corvane::bench
