#pragma once

#include <cstdint>
#include <span>

#include "arith/prime_factors.hpp"
#include "curve/minimal_model.hpp"

namespace velrin {

/// The distinct primes of |B| and of |A^3 - 27B| of a pair, each list in
/// increasing order, as the first stage of the analysis finds them or as a
/// caller that has already factored them (a scan's row sieve) hands them
/// in. The lists are the caller's and must outlive the call. primesOfF may
/// instead hold the primes of A0^3 - 27B0 of the minimal model, which are
/// among those of A^3 - 27B (A0^3 - 27B0 = (A^3 - 27B) / u^6); any prime
/// that divides neither B0 nor A0^3 - 27B0 is passed over. Either way the
/// two lists together hold the primes of B(A^3 - 27B): a prime of A^3 - 27B
/// that u^6 takes away divides u, hence B.
struct CurveFactors {
  std::span<const __uint128_t> primesOfB;
  std::span<const __uint128_t> primesOfF;
  /// The exponent of each prime of primesOfB in |B| and of primesOfF in
  /// |A^3 - 27B|, in the same order, when the caller has them (the row
  /// sieve finds them as it divides), each as long as its list; otherwise
  /// empty, and the analysis takes the valuations it needs itself. Given,
  /// they are those of B and A^3 - 27B themselves, not of the minimal
  /// model's.
  std::span<const uint8_t> exponentsOfB{};
  std::span<const uint8_t> exponentsOfF{};
};

/// The first stage of the analysis under either rules: the primes of |B|,
/// the minimal model that they give, and the primes of |F0| =
/// |A0^3 - 27B0|, which is smaller than |A^3 - 27B| by u^6.
struct FactoredCurve {
  /// Factors E: y^2 + Axy + By = x^3; B != 0 and A^3 != 27B. Each member is
  /// built in place from the stage before it, with nothing copied.
  FactoredCurve(int32_t a, int32_t b);

  PrimeFactors ofB;
  MinimalModel model;
  PrimeFactors ofF;

  /// False when a factor of F0 could not be split (F0 beyond 2^127, which
  /// 32-bit coefficients never reach).
  bool complete() const { return ofB.complete() && ofF.complete(); }
  CurveFactors factors() const { return {ofB.primes(), ofF.primes()}; }
};

/// Factors E: y^2 + Axy + By = x^3; B != 0 and A^3 != 27B.
inline FactoredCurve factorCurve(int32_t a, int32_t b) { return FactoredCurve(a, b); }

}  // namespace velrin
