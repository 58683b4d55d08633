#pragma once

#include <cstdint>

#include "arith/primality.hpp"

namespace velrin {

/// Returns a proper divisor of n, found by Pollard's rho method with
/// Brent's cycle search; n is odd, composite, below 2^64 and no perfect
/// power of a prime below 2^32 (which rho splits slowly, not wrongly).
/// Always succeeds: a failed walk is retried with another polynomial.
uint64_t findDivisor(uint64_t n);

/// Returns a proper divisor of n found by Pollard-Brent within about
/// maxSteps squarings modulo n, or 0 when none was found; n is odd,
/// composite, 2^64 <= n < 2^127. A divisor near d costs about sqrt(d) steps.
__uint128_t findDivisorWide(__uint128_t n, uint64_t maxSteps);

/// Returns r > 1 with r^k = n for the first k of 2, 3, 5, 7, 11 that fits,
/// or 0 when there is none; n < 2^127 with no prime factor below 1000, so
/// that no higher prime exponent can occur.
__uint128_t perfectPowerRoot(__uint128_t n);

}  // namespace velrin
