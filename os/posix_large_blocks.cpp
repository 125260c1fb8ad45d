// Replaces the program's global operator new so that blocks of a megabyte
// and more (a document, its output) start on a 2 MB boundary and ask for
// large pages. A fresh block is faulted in a page at a time as it is first
// written, and on a virtual machine each fault of a 4 KB page can cost ten
// microseconds (measured on the machines we test on): for the megabytes of
// one document that is more than the conversion itself. In large pages the
// same block is a handful of faults. Linked into programs, not into the OS
// library, so that tests keep the standard allocator.
//
// Only operator new(size_t) is replaced: the array and nothrow forms call
// it, and the standard operator delete frees with free(), which takes back
// what aligned_alloc gives.
#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kLargePage = std::size_t{1} << 21;
constexpr std::size_t kLargeBlock = std::size_t{1} << 20;

void* Allocate(std::size_t size) {
  if (size < kLargeBlock) return std::malloc(size == 0 ? 1 : size);
  const std::size_t rounded = (size + kLargePage - 1) & ~(kLargePage - 1);
  if (rounded < size) return nullptr;  // wrapped around
  void* const block = std::aligned_alloc(kLargePage, rounded);
  // Only a hint, given before the block is touched; where the system
  // refuses, small pages serve the same.
  if (block != nullptr) ::madvise(block, rounded, MADV_HUGEPAGE);
  return block;
}

}  // namespace

void* operator new(std::size_t size) {
  for (;;) {
    if (void* const block = Allocate(size)) return block;
    const std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}
