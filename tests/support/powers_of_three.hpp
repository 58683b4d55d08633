#pragma once

#include <cstdint>

namespace velrin {

/// True when n is 3^k for some k >= 0: the size of every subgroup of
/// Q^*/Q^*3 that a Selmer count can find.
inline bool isPowerOfThree(int64_t n) {
  if (n <= 0) return false;
  while (n % 3 == 0) n /= 3;
  return n == 1;
}

}  // namespace velrin
