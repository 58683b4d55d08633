#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "arith/factored_integer.hpp"
#include "curve/curve.hpp"
#include "curve/local_data.hpp"
#include "descent/f3_matrix.hpp"

namespace velrin {

/// Classic rules: adds to curve.selmerDims[0] the number of accepted
/// candidates m * r, with r running over the products of the primes from
/// node on, each to the exponent 0, 1 or 2 (depth first, the exponent of
/// the first prime changing slowest).
void countSelmerElements(Curve& curve, const FactoredInteger& m, const BadPrimeNode* node);

/// Classic rules: computes dim Sel(E^/Q) and dim Sel(E/Q) into
/// curve.selmerDims (cleared by setCoefficients) and returns them; the
/// candidates are the products of the listed primes and, when 3 is not
/// among them, of the seeds 3 and 9. The first dimension is
/// classicSelmerDimension's, by elimination over F_3; counting the accepted
/// candidates one by one (countSelmerElements) gives 3 to that power.
const std::array<int32_t, 2>& selmerDimensions(Curve& curve);

/// dim Sel(E^/Q) under the classic rules: the candidates are the products
/// of the bad primes and, when seedThree (3 does not divide B(A^3 - 27B)),
/// of 3, each to the exponents 0, 1, 2, that is F_3^n; the accepted ones
/// form the kernel of the local conditions (appendLocalConditions under
/// Rules::kClassic), of dimension n - rank. b is B as typed.
int32_t classicSelmerDimension(std::span<const LocalDatum> badPrimes, int64_t b, bool seedThree);

/// dim Sel(E^/Q) under the true rules: the classes m in Q^*/Q^*3 that lie
/// in the local image at every prime. m is a unit (modulo cubes) at every
/// good prime, 3 included, so the candidates are the products of the bad
/// primes to exponents 0, 1, 2, that is F_3^n; the accepted ones form the
/// kernel of the local conditions, of dimension n - rank. badPrimes hold
/// the minimal model's local data, b0 its coefficient B0.
int32_t minimalSelmerDimension(std::span<const LocalDatum> badPrimes, int64_t b0);

/// A basis of Sel(E^/Q) under the true rules, from the same elimination:
/// writes into basis the exponent vectors over the bad primes (bit j for
/// the j-th bad prime: exponent 1 in ones, 2 in twos) of the reduced basis
/// of the kernel, and returns its size, minimalSelmerDimension's value.
int32_t minimalSelmerBasis(std::span<const LocalDatum> badPrimes, int64_t b0,
                           std::array<F3Matrix::Vector, F3Matrix::kMaxColumns>& basis);

/// dim Sel(E/Q) from dim Sel(E^/Q) under either rules: the first dimension
/// plus the term of every bad prime (Cassels' formula).
int32_t isogenySelmerDimension(int32_t dualDimension, std::span<const LocalDatum> badPrimes);

}  // namespace velrin
