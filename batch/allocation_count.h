// Counts the test program's allocations: a measure of work that, unlike
// time, does not depend on the machine or its load. A test compares the
// count for one input size against ten times that size.
#pragma once

#include <cstdint>

namespace corvane::batch::testing {

// Allocations through operator new so far, on every thread.
std::int64_t AllocationCount();

}  // namespace corvane::batch::testing
