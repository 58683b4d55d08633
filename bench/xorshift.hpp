#pragma once

#include <cstdint>

namespace velrin {

/// Marsaglia's 64-bit xorshift: a fixed, cheap sequence for drawing
/// coefficients, the same on every machine.
class XorShift {
 public:
  explicit XorShift(uint64_t seed) : x_(seed) {}

  uint64_t operator()() {
    x_ ^= x_ << 13U;
    x_ ^= x_ >> 7U;
    x_ ^= x_ << 17U;
    return x_;
  }

 private:
  uint64_t x_;
};

}  // namespace velrin
