#include <cstddef>

#include "arith/prime_table.hpp"
#include "reference/plain_paths.hpp"

namespace velrin {

FactorizeWarnings factorizeByTable(int64_t n, std::span<int32_t> primes) {
  FactorizeWarnings warnings;
  uint64_t remaining = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
  warnings.range = remaining > kFactorizeRangeLimit;
  const PrimeTable& table = PrimeTable::instance();
  size_t count = 0;
  bool stopped = false;
  for (int32_t slot = 1; slot < PrimeTable::kSlots; ++slot) {
    const auto p = static_cast<uint64_t>(table[slot]);
    if (remaining < p) {
      stopped = true;
      break;
    }
    if (remaining % p != 0) continue;
    primes[++count] = table[slot];
    while (remaining % p == 0) remaining /= p;
  }
  warnings.endOfTable = !stopped;
  primes[count + 1] = 0;
  return warnings;
}

}  // namespace velrin
