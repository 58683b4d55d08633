#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace velrin {

/// The covering curve of a Selmer class m = m1 m2^2 of phihat (m1, m2
/// squarefree and coprime) on the minimal model y^2 + A0 xy + B0 y = x^3:
/// a point P of E(Q) with y(P) = m modulo cubes has y = m1 m2^2 u^3,
/// y + A0 x + B0 = m1^2 m2 v^3 (the cube-free representative of m^2, since
/// y (y + A0 x + B0) = x^3) and x = m1 m2 u v, so that with u = U/W and
/// v = V/W
///   C_m: m1 m2^2 U^3 - m1^2 m2 V^3 + A0 m1 m2 UVW + B0 W^3 = 0,
/// and (U:V:W) -> (m1 m2 UV/W^2, m1 m2^2 U^3/W^3) maps C_m(Q) onto the
/// points P of E(Q) with delta(P) = m, one to one (cube roots in Q are
/// unique); W = 0 only on C_1, whose point (1:1:0) goes to O. C_1 is a
/// model of E^ and its points are the images phihat(E^(Q)); C_m and C_(m^2)
/// hold the points P and -P.
struct CoveringCurve {
  // The coefficients of U^3, V^3 (with its sign: -m1^2 m2), UVW and W^3.
  // A cover is built only when |m1 m2^2| and |m1^2 m2| are below 2^62; then
  // m1 m2 < 2^42 and |A0 m1 m2| < 2^73.
  __int128_t u3 = 0;
  __int128_t v3 = 0;
  __int128_t uvw = 0;
  __int128_t w3 = 0;
  __int128_t m1m2 = 0;  ///< m1 m2, the factor of x
};

/// The cover of m = m1 m2^2 on the minimal model (a0, b0), or none when
/// m1 m2^2 or m1^2 m2 reaches 2^62 (too large to search). m1, m2 >= 1.
std::optional<CoveringCurve> coveringCurve(int64_t a0, int64_t b0, __uint128_t m1, __uint128_t m2);

/// The value of the cover's form at (U, V, W), exactly, or none when a term
/// leaves the 128-bit range (then (U, V, W) is no small point).
std::optional<__int128_t> coverValue(const CoveringCurve& cover, __int128_t u, __int128_t v,
                                     __int128_t w);

/// A rational point (x, y) in lowest terms, as decimal strings "n" or
/// "n/d" (d > 0).
struct RationalPoint {
  std::string x;
  std::string y;
};

/// The image on E: y^2 + Axy + By = x^3 (the model as typed, scale u: the
/// minimal model is A0 = A/u, B0 = B/u^3) of the cover's point (U:V:W),
/// W != 0, checked on E in exact rational arithmetic; none when the point
/// is not on the cover or its image fails the check (which would be a
/// fault). Exact for every 128-bit U, V, W.
std::optional<RationalPoint> coverPointOnCurve(const CoveringCurve& cover, int64_t a, int64_t b,
                                               int64_t scale, __int128_t u, __int128_t v,
                                               __int128_t w);

/// True when (x, y), given as coverPointOnCurve writes it, lies on
/// y^2 + Axy + By = x^3; exact. For the tests and the records' readers.
bool onCurve(const RationalPoint& point, int64_t a, int64_t b);

/// True when 3P = T or -T, that is x(3P) = 0, for P on y^2 + Axy + By = x^3:
/// P has order 9. Exact.
bool triplesToTorsion(const RationalPoint& point, int64_t a, int64_t b);

/// P + Q, or P - Q when subtract, on y^2 + Axy + By = x^3, exactly; none
/// when the result is O or a point does not parse.
std::optional<RationalPoint> sumOnCurve(const RationalPoint& p, const RationalPoint& q, int64_t a,
                                        int64_t b, bool subtract);

/// The naive height of the point's x: log of max(|numerator|, denominator),
/// for choosing small generators.
double naiveHeight(const RationalPoint& point);

}  // namespace velrin
