#pragma once

#include <cstdint>
#include <span>

namespace velrin {

/// Magnitudes above this, (2^63 - 1) - 10^13, draw the range warning.
inline constexpr uint64_t kFactorizeRangeLimit = 9223362036854775807ULL;

/// The two warnings that the table's factorisation can raise, in the order
/// it raises them.
struct FactorizeWarnings {
  bool range = false;       ///< |n| exceeds kFactorizeRangeLimit
  bool endOfTable = false;  ///< |n| has a prime factor of 611951 or more
};

/// Finds the distinct primes of the prime table that divide n, as the
/// original's trial division over the whole table does. Writes them in
/// increasing order into primes[1], primes[2], ... and a 0 behind the last;
/// touches no other slot (primes needs 17 slots). Returns the range warning
/// when |n| exceeds kFactorizeRangeLimit, and the end-of-table warning when
/// the table runs out before |n| is divided down, that is, when |n| has a
/// prime factor of 611951 or more; the report prints them
/// (render/text_report.hpp). Exact for every n, -2^63 included. The primes
/// come from primeFactors (trial division by the primes below 1000, then a
/// primality test and Pollard's rho), so a large prime factor costs
/// microseconds instead of a walk over the whole table.
FactorizeWarnings factorize(int64_t n, std::span<int32_t> primes);

}  // namespace velrin
