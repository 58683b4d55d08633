#include "arith/prime_table.hpp"

#include <cstddef>
#include <vector>

namespace velrin {

const PrimeTable& PrimeTable::instance() {
  static const PrimeTable table;
  return table;
}

PrimeTable::PrimeTable() {
  // Sieve of Eratosthenes up to the 49,999th prime.
  std::vector<bool> composite(kLargestPrime + 1, false);
  int32_t slot = 1;
  for (int32_t n = 2; n <= kLargestPrime; ++n) {
    if (composite[static_cast<size_t>(n)]) continue;
    slots_[static_cast<size_t>(slot++)] = n;
    for (int64_t multiple = static_cast<int64_t>(n) * n; multiple <= kLargestPrime; multiple += n) {
      composite[static_cast<size_t>(multiple)] = true;
    }
  }
}

}  // namespace velrin
