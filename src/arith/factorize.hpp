#pragma once

#include <cstdint>
#include <cstdio>
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

/// Prints the warnings as the factorisation announces them:
/// "\nexceed the range of the type'__int64'!\n" and "\nexceed 50000th prime !\n".
void printFactorizeWarnings(FactorizeWarnings warnings, std::FILE* out);

/// Same primes as factorize, with the warnings returned instead of printed.
FactorizeWarnings factorizeQuietly(int64_t n, std::span<int32_t> primes);

/// Finds the distinct primes of the prime table that divide n, as the
/// original's trial division over the whole table does. Writes them in
/// increasing order into primes[1], primes[2], ... and a 0 behind the last;
/// touches no other slot (primes needs 17 slots). Prints the range warning
/// to `out` when |n| exceeds kFactorizeRangeLimit, and the end-of-table
/// warning when the table runs out before |n| is divided down, that is,
/// when |n| has a prime factor of 611951 or more. Exact for every n, -2^63
/// included. The primes come from primeFactors (trial division by the
/// primes below 1000, then a primality test and Pollard's rho), so a large
/// prime factor costs microseconds instead of a walk over the whole table.
void factorize(int64_t n, std::span<int32_t> primes, std::FILE* out = stdout);

}  // namespace velrin
