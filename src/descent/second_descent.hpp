#pragma once

#include <gmpxx.h>

#include <array>
#include <cstdint>
#include <vector>

#include "descent/covering_curve.hpp"

namespace velrin {

/// The bounds of the second descent on one cover (second_descent.cpp).
struct SecondDescentLimits {
  /// Fields Q(cuberoot(n)) with |n| above this are not built: the class
  /// group's cost grows with the discriminant -27 n^2.
  double maxRadicand = 1e13;
  /// At most this many coverings D_delta per cover; a cover with more
  /// candidate classes delta is left (its points are not searched).
  int32_t maxCoverings = 81;
  /// D_delta's points (z0 : z1 : z2) with max(|z1|, |z2|) up to this.
  int32_t height = 60;
};

/// A cubic form in (z0, z1, z2): coefficient of z0^i z1^j z2^(3-i-j) at
/// index i * 4 + j (entries with i + j > 3 are zero).
using CubicForm = std::array<mpz_class, 16>;

/// A 3-covering D_delta -> C_m of a cover: the plane cubic equation(z) = 0
/// and the map z -> (U : V : W) = (u(z) : v(z) : w(z)), integral forms.
/// Every rational point z of D_delta maps to a point of C_m (the cover's
/// form vanishes on the image identically modulo the equation).
struct ThreeCovering {
  CubicForm equation;
  std::array<CubicForm, 3> map;
};

/// The 3-coverings D_delta of the cover (a U^3 + b V^3 + c UVW + d W^3 with
/// a = m1 m2^2, b = -m1^2 m2, c = a0 m1 m2, d = b0) through the tangent at
/// a flex over T, with delta in the 3-Selmer group of the field of that
/// flex (its S-units: the class group's part is left out), each with its
/// model reduced, and those without points modulo a small prime left out.
/// Empty when the flexes over T are rational, the field is beyond the
/// limits, or the library fails (its error caught). Thread-safe.
std::vector<ThreeCovering> threeCoverings(const CoveringCurve& cover, int64_t a0, int64_t b0,
                                          const SecondDescentLimits& limits);

/// The points (U, V, W) of the cover, primitive, U and W nonzero, that are
/// images of points (z0 : z1 : z2) of the covering with max(|z1|, |z2|) up
/// to height and z0 an integer below 10^15; each checked on the cover
/// exactly (coverValue), and only those within 128 bits kept.
std::vector<std::array<__int128_t, 3>> threeCoveringPoints(const ThreeCovering& covering,
                                                           const CoveringCurve& cover,
                                                           int32_t height);

}  // namespace velrin
