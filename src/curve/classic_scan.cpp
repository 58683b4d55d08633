#include "curve/classic_scan.hpp"

#include <cstddef>

#include "arith/prime_table.hpp"
#include "curve/local_classification.hpp"

namespace velrin {

std::optional<int64_t> classicDiscriminant(int64_t a, int64_t b) {
  // |A| <= 2^31 and |B| <= 2^31: |A^3 - 27B| < 2^94 and |D| < 2^125.
  const __int128_t d = static_cast<__int128_t>(b) * (static_cast<__int128_t>(a) * a * a - 27 * b);
  if (d > INT64_MAX || d < INT64_MIN) return std::nullopt;
  return static_cast<int64_t>(d);
}

ClassicScan scanClassic(int64_t a, int64_t b, int64_t d, const CurveFactors& factors,
                        std::span<LocalDatum> badPrimes) {
  ClassicScan scan;
  const uint64_t magnitude = d < 0 ? 0 - static_cast<uint64_t>(d) : static_cast<uint64_t>(d);
  scan.warnings.range = magnitude > kFactorizeRangeLimit;
  // The primes of D, the union of the two increasing lists, in order.
  const std::span<const __uint128_t> fromB = factors.primesOfB;
  const std::span<const __uint128_t> fromF = factors.primesOfF;
  size_t i = 0;
  size_t j = 0;
  __uint128_t largest = 0;
  while (i < fromB.size() || j < fromF.size()) {
    __uint128_t p = 0;
    if (j == fromF.size() || (i < fromB.size() && fromB[i] < fromF[j])) {
      p = fromB[i++];
    } else {
      if (i < fromB.size() && fromB[i] == fromF[j]) ++i;
      p = fromF[j++];
    }
    largest = p;
    if (p > static_cast<__uint128_t>(PrimeTable::kLargestPrime)) continue;
    const auto prime = static_cast<int32_t>(p);
    if (prime == 3) scan.threeDividesD = true;
    const LocalDatum local = classifyClassic(a, b, prime);
    if (local.prime != 0) badPrimes[static_cast<size_t>(scan.badPrimeCount++)] = local;
  }
  // The walk over the table runs out, without |D| divided down below the
  // next prime, exactly when the largest prime of D is the table's last one
  // or lies beyond it.
  scan.warnings.endOfTable = largest >= static_cast<__uint128_t>(PrimeTable::kLargestPrime);
  return scan;
}

}  // namespace velrin
