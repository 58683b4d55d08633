#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace velrin {

/// A Weierstrass model [a1, a2, a3, a4, a6] with integral coefficients.
using WeierstrassModel = std::array<int64_t, 5>;

/// What became of a model on the way to y^2 + Axy + By = x^3.
enum class FormStatus : uint8_t {
  kConverted,       ///< (A, B) and the change of variables are set
  kSingular,        ///< the discriminant of the model is 0
  kNoThreeTorsion,  ///< E(Q) has no point of order 3
  kBeyond32Bits,    ///< A or B lies outside the signed 32-bit range
  kNotFactored,     ///< the smallest scale needs a factorisation not attempted
  kFailed,          ///< the PARI library failed (its error caught)
};

/// A curve moved to the form y^2 + Axy + By = x^3, its point of order 3 at
/// (0,0) with the tangent y = 0 there.
struct ThreeTorsionForm {
  FormStatus status = FormStatus::kFailed;
  int32_t a = 0;
  int32_t b = 0;
  /// The change of variables [u, r, s, t] from the model to (A, B): x =
  /// u^2 x' + r, y = u^3 y' + u^2 s x' + t, each a rational "n" or "n/d"
  /// in lowest terms (PARI's ellchangecurve takes it as it stands).
  std::array<std::string, 4> change;
};

/// Finds the rational points of order 3 of the model (the rational roots x
/// of its 3-division polynomial 3x^4 + b2 x^3 + 3 b4 x^2 + 3 b6 x + b8
/// with a rational y above them), moves one to (0,0), shears so that its
/// tangent (an inflexion tangent, since 3P = 0) is y = 0, which clears a2,
/// a4 and a6, and scales to the integral (A, B) with the largest |u|: no d
/// > 1 with d | A and d^3 | B. E(Q)[3] has order 3 at most (two
/// independent points would put the cube roots of unity in Q), so the
/// subgroup is unique; P and -P give (A, B) and (-A, -B) with the same
/// u > 0, and the point that gives B > 0 is the one moved to (0,0). Exact rational arithmetic in
/// the PARI library; every 64-bit model. Thread-safe.
ThreeTorsionForm toThreeTorsionForm(const WeierstrassModel& model);

}  // namespace velrin
