#pragma once

#include <cstdint>
#include <span>

#include "arith/factored_integer.hpp"
#include "curve/curve.hpp"
#include "curve/local_data.hpp"
#include "descent/f3_matrix.hpp"
#include "descent/rules.hpp"

namespace velrin {

/// Classic rules: returns 1 when m lies, modulo cubes, in the local image at
/// every bad prime of the curve's list, else 0. m is a candidate of the
/// descent, exact. The cube tests are Euler's criterion (cubeRootSign).
int32_t inLocalImages(const Curve& curve, const FactoredInteger& m);

/// Appends to conditions the linear forms over F_3 whose common kernel is
/// the set of candidates that lie in the local image at the prime of local,
/// read in Q_p^*/Q_p^*3 through the coordinates (v_p mod 3, class of the
/// unit part): the unit part's cubic character modulo p for p = 1 (mod 3),
/// its class modulo +-1 and cubes in (Z/9)^* at 3, none for the other
/// primes. A candidate is the product of the generators, the j-th raised to
/// the j-th exponent (0, 1 or 2); the forms act on those exponents. b is
/// the model's B (B0 of the minimal model under the true rules, B as typed
/// under the classic ones); generators are distinct primes, local's prime
/// among them, at most F3Matrix::kMaxColumns.
///
/// The forms leave 0 in the columns of `settled` (bit j for generator j)
/// where they would need a cubic character: the caller has put, or will
/// put, the unit row of each such column into the matrix (the valuation row
/// of a prime with image {e} or the units), and a row minus multiples of
/// unit rows has the same rank. Characters not needed are not computed.
///
/// The classic rules differ at 3 alone: for the image <B> only the
/// valuation counts there, as the original takes the cube test at 3 modulo
/// 3, where every unit is a cube.
void appendLocalConditions(const LocalDatum& local, int64_t b,
                           std::span<const __uint128_t> generators, F3Matrix& conditions,
                           uint32_t settled = 0, Rules rules = Rules::kTrue);

/// True rules, the form the analysis runs (by columns over the bad primes,
/// which are the generators, with no search for a prime among them): the
/// same for the local image of the minimal model at the bad prime
/// badPrimes[column], read in Q_p^*/Q_p^*3 through the coordinates (v_p mod 3, class of the unit
/// part): the unit part's cubic character modulo p for p = 1 (mod 3), its class modulo +-1 and
/// cubes in (Z/9)^* at 3, none for the other primes. b0 is the minimal model's B0; the generators
/// are the bad primes. The columns of `settled` (bit j for generator j) are those of the primes
/// with image {e} or the units, whose valuation rows are unit vectors: those rows are left to the
/// caller, who puts them into the matrix or counts them, and the forms leave 0 in those columns
/// where they would need a cubic character (a row minus multiples of unit rows has the same rank
/// and kernel). Characters not needed are not computed: none for the units' image, none for settled
/// columns.
void appendMinimalConditions(std::span<const LocalDatum> badPrimes, uint32_t column, int64_t b0,
                             F3Matrix& conditions, uint32_t settled);

}  // namespace velrin
