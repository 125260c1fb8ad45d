#include "batch/allocation_count.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::int64_t> g_allocations{0};

void* CountedAllocate(std::size_t size) noexcept {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}

void* CountedAllocateOrThrow(std::size_t size) {
  void* block = CountedAllocate(size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

}  // namespace

namespace corvane::batch::testing {

std::int64_t AllocationCount() { return g_allocations.load(std::memory_order_relaxed); }

}  // namespace corvane::batch::testing

// The program's replacements of the global allocation functions; the
// aligned forms keep their own allocator and are not counted.
void* operator new(std::size_t size) { return CountedAllocateOrThrow(size); }
void* operator new[](std::size_t size) { return CountedAllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return CountedAllocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return CountedAllocate(size);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
