#pragma once

#include <cstdint>

#include "arith/prime_factors.hpp"

namespace velrin {

/// Every prime below this is removed by trial division before any search.
inline constexpr uint32_t kTrialBound = 1000;

/// Adds to `found` each prime below kTrialBound that divides n and returns
/// n with those primes removed; 1 <= n < 2^128. When the cofactor is below
/// kTrialBound^2 it is 1 or a prime (the caller adds it). Divisibility by p
/// is tested as n * p^-1 mod 2^w <= (2^w - 1) / p, which is exact for odd
/// p and needs no division.
__uint128_t removeSmallPrimes(__uint128_t n, PrimeFactors& found);

}  // namespace velrin
