#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "curve/curve_factors.hpp"
#include "curve/local_data.hpp"
#include "descent/f3_matrix.hpp"
#include "descent/rules.hpp"

namespace velrin {

/// How far the analysis of a pair (A, B) went.
enum class CurveStatus : uint8_t {
  kSingular,  ///< B = 0 or A^3 = 27B: no elliptic curve
  /// Refused after line [1]: under the classic rules, B(A^3 - 27B) beyond
  /// 64 bits. The true rules analyse every pair of 32-bit coefficients
  /// (A^3 - 27B stays below 2^94, which primeFactors splits completely).
  kTooLarge,
  kAnalysed,  ///< bad primes, Selmer dimensions and the rank bound are known
};

/// Warnings of the classic factorisation, in the order it raises them.
enum class Warning : uint8_t {
  kRangeOfInt64,     ///< |B(A^3 - 27B)| above 2^63 - 1 - 10^13
  kBeyondPrimeTable  ///< a prime factor of 611951 or more
};

/// The whole analysis of E: y^2 + Axy + By = x^3, computed before anything
/// is printed; renderers turn it into the dialogue's text or records.
struct CurveAnalysis {
  /// Enough for every pair of 32-bit coefficients: B has at most 9
  /// distinct primes and A^3 - 27B (below 2^94) at most 20.
  static constexpr int32_t kMaxBadPrimes = 32;

  int32_t a = 0;  ///< the coefficient A as typed
  int32_t b = 0;  ///< the coefficient B as typed
  Rules rules = Rules::kTrue;
  CurveStatus status = CurveStatus::kSingular;
  /// The scale u of the minimal model y^2 + (A/u)xy + (B/u^3)y = x^3: the
  /// largest u > 0 with u | A and u^3 | B (1 under the classic rules).
  int32_t scale = 1;
  std::array<LocalDatum, kMaxBadPrimes> badPrimeSlots{};
  int32_t badPrimeCount = 0;
  std::array<Warning, 2> warningSlots{};
  int32_t warningCount = 0;
  /// dim Sel(E^/Q), the Selmer group of the dual isogeny phihat (d1 of
  /// line [3]); meaningful when status is kAnalysed.
  int32_t dimSelmerEHat = 0;
  /// dim Sel(E/Q), the Selmer group of the isogeny phi (d2 of line [3]);
  /// meaningful when status is kAnalysed.
  int32_t dimSelmerE = 0;
  /// Under the true rules, a basis of Sel(E^/Q), the group of phihat's
  /// Selmer classes in Q^*/Q^*3 that contains delta(E(Q)), delta(P) = y(P)
  /// modulo cubes: dimSelmerEHat exponent vectors over the bad primes (bit
  /// j for badPrimes()[j], exponent 1 in ones, 2 in twos), each the class
  /// of the positive cube-free integer prod p_j^e_j (-1 is a cube). Empty
  /// under the classic rules.
  std::array<F3Matrix::Vector, kMaxBadPrimes> selmerBasisSlots{};
  int32_t selmerBasisCount = 0;

  /// The bad primes in increasing order.
  std::span<const LocalDatum> badPrimes() const {
    return {badPrimeSlots.data(), static_cast<size_t>(badPrimeCount)};
  }
  std::span<const F3Matrix::Vector> selmerBasis() const {
    return {selmerBasisSlots.data(), static_cast<size_t>(selmerBasisCount)};
  }
  std::span<const Warning> warnings() const {
    return {warningSlots.data(), static_cast<size_t>(warningCount)};
  }
  /// The rank of E(Q) is at most this (line [4]'s "rankE(Q) < N" states N).
  int32_t rankBound() const { return dimSelmerEHat + dimSelmerE - 1; }
};

/// Analyses E: y^2 + Axy + By = x^3 under the given rules; prints nothing.
/// Any pair of 32-bit integers; never fails. Runs the stages in order:
/// factorCurve (skipped for a pair that the classic rules refuse), the
/// local data at each prime (classifyMinimal on the minimal model, or
/// scanClassic on the model as typed), the Selmer groups from the local
/// conditions, the bound. Thread-safe; it keeps no state of its own.
CurveAnalysis analyzeCurve(int32_t a, int32_t b, Rules rules = Rules::kTrue);

/// Analyses E: y^2 + Axy + By = x^3 from the primes of B and A^3 - 27B
/// (CurveFactors), running the stages after factorCurve; the result is that
/// of analyzeCurve(a, b, rules). A singular pair needs no factors (B = 0 or
/// A^3 = 27B has none to give), nor does one that the classic rules refuse.
CurveAnalysis analyzeCurve(int32_t a, int32_t b, const CurveFactors& factors,
                           Rules rules = Rules::kTrue);

/// The same into a record that the caller reuses from curve to curve (a
/// scan's rows): every field the result defines is written, and the slots
/// beyond the counts are left as they were, which spares clearing the whole
/// record for each curve. The result reads as analyzeCurve(a, b, factors,
/// rules), except that without `withBasis` (a summary reads only the
/// dimensions) the basis of Sel(E^/Q) is not computed and selmerBasis() is
/// empty.
void analyzeCurve(int32_t a, int32_t b, const CurveFactors& factors, CurveAnalysis& analysis,
                  Rules rules = Rules::kTrue, bool withBasis = true);

}  // namespace velrin
