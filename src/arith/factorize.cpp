#include "arith/factorize.hpp"

#include <cstddef>

#include "arith/prime_factors.hpp"
#include "arith/prime_table.hpp"

namespace velrin {

FactorizeWarnings factorize(int64_t n, std::span<int32_t> primes) {
  FactorizeWarnings warnings;
  const uint64_t magnitude = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
  warnings.range = magnitude > kFactorizeRangeLimit;
  // 0 has no finite factorisation and the table walk finds no prime of it.
  const PrimeFactors found = primeFactors(magnitude);
  size_t count = 0;
  for (const __uint128_t p : found.primes()) {
    if (p <= static_cast<__uint128_t>(PrimeTable::kLargestPrime)) {
      primes[++count] = static_cast<int32_t>(p);
    }
  }
  // The table walk records the primes of the table and runs out exactly
  // when the largest prime factor is 611951 or beyond the table.
  const std::span<const __uint128_t> all = found.primes();
  warnings.endOfTable =
      !all.empty() && all.back() >= static_cast<__uint128_t>(PrimeTable::kLargestPrime);
  primes[count + 1] = 0;
  return warnings;
}

}  // namespace velrin
