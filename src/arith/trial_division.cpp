#include "arith/trial_division.hpp"

#include <array>
#include <cstddef>

namespace velrin {

namespace {

/// An odd prime with its inverses modulo 2^64 and 2^128 and the largest
/// quotients, (2^64 - 1) / p and (2^128 - 1) / p, that multiples map to.
struct TrialPrime {
  uint64_t p;
  uint64_t inverse64;
  uint64_t limit64;
  __uint128_t inverse128;
  __uint128_t limit128;
};

constexpr size_t kOddPrimesBelowBound = 167;  // 168 primes below 1000, less 2

constexpr std::array<TrialPrime, kOddPrimesBelowBound> makeTable() {
  std::array<TrialPrime, kOddPrimesBelowBound> table{};
  size_t count = 0;
  for (uint64_t n = 3; n < kTrialBound; n += 2) {
    bool prime = true;
    for (uint64_t d = 3; d * d <= n; d += 2) prime = prime && n % d != 0;
    if (!prime) continue;
    // Newton's iteration doubles the correct low bits of the inverse.
    __uint128_t inverse = n;
    for (int i = 0; i < 7; ++i) inverse *= 2 - n * inverse;
    table[count++] = {n, static_cast<uint64_t>(inverse), UINT64_MAX / n, inverse,
                      ~__uint128_t{0} / n};
  }
  return table;
}

constexpr std::array<TrialPrime, kOddPrimesBelowBound> kTable = makeTable();

}  // namespace

__uint128_t removeSmallPrimes(__uint128_t n, PrimeFactors& found) {
  if ((n & 1U) == 0 && n != 0) {
    found.add(2);
    while ((n & 1U) == 0) n >>= 1U;
  }
  // The wide loop runs until n fits a word; a 64-bit product is cheaper.
  size_t i = 0;
  for (; i < kTable.size() && n >> 64U != 0; ++i) {
    const TrialPrime& t = kTable[i];
    if (n * t.inverse128 > t.limit128) continue;
    found.add(t.p);
    do n *= t.inverse128;  // exact quotient: n is a multiple of p
    while (n * t.inverse128 <= t.limit128);
  }
  auto small = static_cast<uint64_t>(n);
  if (n >> 64U != 0) return n;
  for (; i < kTable.size(); ++i) {
    const TrialPrime& t = kTable[i];
    if (small < t.p * t.p) break;  // no factor up to its square root
    if (small * t.inverse64 > t.limit64) continue;
    found.add(t.p);
    do small *= t.inverse64;
    while (small * t.inverse64 <= t.limit64);
  }
  return small;
}

}  // namespace velrin
