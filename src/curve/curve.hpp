#pragma once

#include <array>
#include <cstdint>

#include "arith/factored_integer.hpp"
#include "arith/factorize.hpp"
#include "curve/bad_prime_node.hpp"

namespace velrin {

/// The curve E: y^2 + Axy + By = x^3 under the original program's rules,
/// its list of bad primes and the results of the 3-isogeny descent, which
/// the functions of descent/ (inLocalImages, countSelmerElements,
/// selmerDimensions) compute on it. It is the original program's interface
/// to the analysis, filled by the same stages as analyzeCurve under the
/// classic rules (factorCurve, scanClassic, the shared local conditions).
/// One Curve serves every pass; setCoefficients resets it for each new pair
/// of coefficients. It prints nothing: the operations that print (line [1],
/// the warnings, the refusal and printReport) are ReportingCurve's, above
/// the render layer (dialogue/reporting_curve.hpp).
class Curve {
 public:
  Curve();
  ~Curve();
  Curve(const Curve&) = delete;
  Curve& operator=(const Curve&) = delete;

  /// Stores A and B, resets the previous results and, for a nonsingular
  /// curve, scans its bad primes. Returns 1 for a nonsingular curve, 0 for
  /// a singular one.
  int32_t setCoefficients(const int32_t& A, const int32_t& B);

  /// Factorises D = B(A^3 - 27B) and classifies each prime of the table
  /// that divides it, appending a node for each bad prime, and keeps the
  /// factorisation's warnings in `warnings`. Refuses (tooLarge) a curve
  /// whose D does not fit in 64 bits. Runs factorCurve and scanClassic.
  void scanBadPrimes();

  /// Finds the reduction type of E at p: writes the Kodaira symbol, the
  /// local image and the local term into node, and records p there unless
  /// E has good reduction at p (after scaling), which leaves node open.
  void classifyPrime(int32_t p, BadPrimeNode& node);

  int64_t a = 0;                        ///< the coefficient A
  int64_t b = 0;                        ///< the coefficient B
  BadPrimeNode* head;                   ///< first node of the list of bad primes, never null
  std::array<int32_t, 2> selmerDims{};  ///< dim Sel(E^/Q), dim Sel(E/Q)
  int32_t threeIsBad = 0;               ///< 1 when 3 divides B(A^3 - 27B)
  /// True when B(A^3 - 27B) left the 64-bit range and the curve was refused
  /// after line [1]: there is no list and no report for it.
  bool tooLarge = false;
  FactorizeWarnings warnings;  ///< raised by the last scan's factorisation
};

}  // namespace velrin
