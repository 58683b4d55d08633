#pragma once

#include <cstdint>

namespace velrin {

/// The valuation that stands for v_p(0) = infinity; it exceeds every true
/// valuation of a non-zero 64-bit value (at most 63), and three times it
/// still fits in 32 bits.
inline constexpr int32_t kValuationOfZero = 10000000;

/// Returns the largest k with p^k | n, or kValuationOfZero for n = 0;
/// p >= 2, any n (the sign of n plays no part; -2^63 has 63 at 2).
int32_t valuation(int64_t n, int32_t p);

/// Returns base^exp reduced modulo 2^64 into the signed range; exp >= 0.
int64_t power(int32_t base, int32_t exp);

/// Returns the least i in [0, m) with i^3 = n (mod m), or -1 when n is no
/// cube modulo m; m >= 1, any n. Plain linear search, exact for every n.
int32_t cubeRootMod(int64_t n, int32_t m);

/// Returns the least i in [0, m) with i^2 = n (mod m), or -1 when n is no
/// square modulo m; m >= 1, any n. Plain linear search, exact for every n.
int32_t squareRootMod(int64_t n, int32_t m);

/// Returns n reduced into [0, m); m >= 1, exact for every n.
int64_t residue(int64_t n, int64_t m);

/// Returns n reduced into [0, m); m >= 1, exact for every 128-bit n.
int64_t residue(__int128_t n, int64_t m);

/// Returns the low 64 bits of a * b as a signed value; never overflows.
inline int64_t wrappingMul(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) * static_cast<uint64_t>(b));
}

/// Returns a - b modulo 2^64 as a signed value; never overflows.
inline int64_t wrappingSub(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}

}  // namespace velrin
