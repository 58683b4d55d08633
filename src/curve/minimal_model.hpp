#pragma once

#include <cstdint>
#include <span>

namespace velrin {

/// The minimal model y^2 + A0 xy + B0 y = x^3 of E: y^2 + Axy + By = x^3,
/// with A0 = A/u and B0 = B/u^3 for the largest u > 0 such that u | A and
/// u^3 | B. The substitution x = u^2 x', y = u^3 y' changes no class modulo
/// cubes, and at every prime p the model (A0, B0) is minimal: p | A0 and
/// p^3 | B0 cannot both hold.
struct MinimalModel {
  int64_t a0 = 0;     ///< A/u; |a0| <= 2^31
  int64_t b0 = 0;     ///< B/u^3; 0 < |b0| <= 2^31
  __int128_t f0 = 0;  ///< a0^3 - 27 b0; |f0| < 2^93 + 2^36, non-zero for a curve
  int32_t scale = 1;  ///< u; u^3 divides B, so u <= 1290
};

/// Returns the minimal model of the curve (A, B); B != 0, primesOfB the
/// distinct primes of |B|.
MinimalModel minimalModel(int32_t a, int32_t b, std::span<const __uint128_t> primesOfB);

/// Returns the largest k with p^k | n, or 0 for n = 0 (callers never ask);
/// any n of magnitude below 2^127, p >= 2.
int32_t valuationWide(__int128_t n, __uint128_t p);

}  // namespace velrin
