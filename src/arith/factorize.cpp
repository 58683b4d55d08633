#include "arith/factorize.hpp"

#include <algorithm>
#include <array>
#include <cstddef>

#include "arith/factor_search.hpp"
#include "arith/prime_table.hpp"

namespace velrin {

namespace {

uint64_t magnitudeOf(int64_t n) {
  return n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
}

FactorizeWarnings factorizeByTable(int64_t n, std::span<int32_t> primes) {
  FactorizeWarnings warnings;
  uint64_t remaining = magnitudeOf(n);
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

FactorizeWarnings factorizeBySearch(int64_t n, std::span<int32_t> primes) {
  FactorizeWarnings warnings;
  uint64_t remaining = magnitudeOf(n);
  warnings.range = remaining > kFactorizeRangeLimit;
  // Every distinct prime factor of |n|, in no particular order (at most 15).
  std::array<uint64_t, 64> found{};
  size_t foundCount = 0;
  const PrimeTable& table = PrimeTable::instance();
  constexpr uint64_t kTrialBound = 1000;
  for (int32_t slot = 1; remaining > 1; ++slot) {
    const auto p = static_cast<uint64_t>(table[slot]);
    if (p >= kTrialBound) break;
    if (p * p > remaining) {
      found[foundCount++] = remaining;  // no factor up to its square root
      remaining = 1;
      break;
    }
    if (remaining % p != 0) continue;
    found[foundCount++] = p;
    while (remaining % p == 0) remaining /= p;
  }
  // What is left has no prime factor below 1000: split it into primes.
  std::array<uint64_t, 64> pending{};
  size_t pendingCount = 0;
  if (remaining > 1) pending[pendingCount++] = remaining;
  while (pendingCount > 0) {
    const uint64_t m = pending[--pendingCount];
    if (isPrime(m)) {
      if (std::find(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(foundCount), m) ==
          found.begin() + static_cast<std::ptrdiff_t>(foundCount)) {
        found[foundCount++] = m;
      }
      continue;
    }
    const uint64_t d = findDivisor(m);
    pending[pendingCount++] = d;
    pending[pendingCount++] = m / d;
  }
  std::sort(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(foundCount));
  // The table walk records the primes of the table and runs out exactly
  // when the largest prime factor is 611951 or beyond the table.
  size_t count = 0;
  for (size_t i = 0; i < foundCount; ++i) {
    if (found[i] <= PrimeTable::kLargestPrime) primes[++count] = static_cast<int32_t>(found[i]);
  }
  warnings.endOfTable = foundCount > 0 && found[foundCount - 1] >= PrimeTable::kLargestPrime;
  primes[count + 1] = 0;
  return warnings;
}

}  // namespace

FactorizeWarnings factorizeQuietly(int64_t n, std::span<int32_t> primes, bool fast) {
  return fast ? factorizeBySearch(n, primes) : factorizeByTable(n, primes);
}

FactorizeWarnings factorize(int64_t n, std::span<int32_t> primes) {
  return factorizeByTable(n, primes);
}

FactorizeWarnings factorizeFast(int64_t n, std::span<int32_t> primes) {
  return factorizeBySearch(n, primes);
}

}  // namespace velrin
