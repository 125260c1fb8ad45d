// A hint for blocks of megabytes that are about to be filled once.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>

namespace corvane::os {

// A fresh block is faulted in a page at a time as it is first written, and
// on a virtual machine each fault costs microseconds: for the megabytes of
// one document, large pages make that a handful. Only a hint, given before
// the block is touched; where the system refuses, small pages serve the same.
inline void PreferLargePages([[maybe_unused]] void* block, [[maybe_unused]] std::size_t size) {
#ifdef MADV_HUGEPAGE
  constexpr std::uintptr_t kLargePage = std::uintptr_t{1} << 21;
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t begin = (start + kLargePage - 1) & ~(kLargePage - 1);
  const std::uintptr_t end = (start + size) & ~(kLargePage - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

}  // namespace corvane::os
