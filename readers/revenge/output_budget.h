// How much RTF one document may make: a small multiple of its own size.
// Past it the conversion stops at once, by an exception that unwinds
// through the import library; the budget remembers it, in case the library
// catches everything on its way out.
#pragma once

#include <cstddef>

namespace corvane::revenge {

struct OutputTooLarge {};

class OutputBudget {
 public:
  explicit OutputBudget(std::size_t input_size)
      : limit_(16 * input_size + (std::size_t{1} << 20)) {}

  void Check(std::size_t bytes) {
    if (bytes <= limit_) return;
    exceeded_ = true;
    throw OutputTooLarge{};
  }
  bool Exceeded() const { return exceeded_; }
  std::size_t Limit() const { return limit_; }

 private:
  std::size_t limit_;
  bool exceeded_ = false;
};

}  // namespace corvane::revenge
