#pragma once

#include <cstdint>

namespace velrin {

/// Returns n reduced into [0, m); 1 <= m < 2^128, any signed 128-bit n.
__uint128_t residueWide(__int128_t n, __uint128_t m);

/// Returns a * b mod m; any a and b, 1 <= m < 2^128; no overflow (moduli of
/// 64 bits or more go by doubling and adding, about 0.5 us).
__uint128_t mulModWide(__uint128_t a, __uint128_t b, __uint128_t m);

/// Returns base^exp mod m; any base and exp, 1 <= m < 2^128; no overflow.
/// Odd moduli below 2^127 use Montgomery multiplication.
__uint128_t powModWide(__uint128_t base, __uint128_t exp, __uint128_t m);

/// Returns gcd(a, b), with gcd(0, 0) = 0; any a and b.
__uint128_t gcdWide(__uint128_t a, __uint128_t b);

/// Returns the integer part of the square root of n; any n below 2^128.
__uint128_t squareRootFloor(__uint128_t n);

}  // namespace velrin
