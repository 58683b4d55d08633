#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "curve/local_data.hpp"
#include "curve/paths.hpp"
#include "descent/f3_matrix.hpp"

namespace velrin {

/// Which local rules the analysis follows.
/// kTrue: the local data of the minimal model at every prime of bad
/// reduction, whatever its size, 3 included; every report is a theorem.
/// kClassic: the original program's rules (the model as typed, the primes
/// of the table up to 611951, the seeds 3 and 9 for a good prime 3), with
/// exact arithmetic, reproduced byte for byte for comparison with it.
enum class Rules : uint8_t { kTrue, kClassic };

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
  /// dim Sel(E^/Q) and dim Sel(E/Q), from the dual isogeny's and the
  /// isogeny's descent; meaningful when status is kAnalysed.
  std::array<int32_t, 2> selmerDims{};
  /// Under the true rules, a basis of Sel(E^/Q), the group of phihat's
  /// Selmer classes in Q^*/Q^*3 that contains delta(E(Q)), delta(P) = y(P)
  /// modulo cubes: selmerDims[0] exponent vectors over the bad primes (bit
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
  int32_t rankBound() const { return selmerDims[0] + selmerDims[1] - 1; }
};

/// Analyses E: y^2 + Axy + By = x^3 under the given rules; prints nothing.
/// Any pair of 32-bit integers; never fails. Thread-safe: it keeps no
/// state but a per-thread record for the classic rules.
CurveAnalysis analyzeCurve(int32_t a, int32_t b, Rules rules = Rules::kTrue);

/// The distinct primes of |B| and of |A^3 - 27B| of a pair, each list in
/// increasing order, as a caller that has already factored them (a scan's
/// row sieve) hands them to the analysis. The lists are the caller's and
/// must outlive the call. primesOfF may instead hold the primes of
/// A0^3 - 27B0 of the minimal model, which are among those of A^3 - 27B
/// (A0^3 - 27B0 = (A^3 - 27B) / u^6); any prime that divides neither B0 nor
/// A0^3 - 27B0 is passed over.
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

/// Analyses E: y^2 + Axy + By = x^3 under the true rules from the primes
/// of B and A^3 - 27B; the result is that of analyzeCurve(a, b), which
/// runs the same stages after factoring. A singular pair needs no factors
/// (B = 0 or A^3 = 27B has none to give).
CurveAnalysis analyzeCurve(int32_t a, int32_t b, const CurveFactors& factors);

/// The same into a record that the caller reuses from curve to curve (a
/// scan's rows): every field the result defines is written, and the slots
/// beyond the counts are left as they were, which spares clearing the whole
/// record for each curve. The result reads as analyzeCurve(a, b, factors),
/// except that without `withBasis` (a summary reads only the dimensions)
/// the basis of Sel(E^/Q) is not computed and selmerBasis() is empty.
void analyzeCurve(int32_t a, int32_t b, const CurveFactors& factors, CurveAnalysis& analysis,
                  bool withBasis = true);

/// The same by the plain reference algorithms or the fast ones, for the
/// tests and benchmarks that compare them; the result is the same.
CurveAnalysis analyzeCurve(int32_t a, int32_t b, Rules rules, Paths paths);

}  // namespace velrin
