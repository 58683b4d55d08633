#include "descent/covering_curve.hpp"

#include <gmpxx.h>

#include <cmath>
#include <cstddef>

namespace velrin {

namespace {

constexpr __uint128_t kCoefficientLimit = __uint128_t{1} << 62U;

mpz_class toMpz(__int128_t n) {
  const bool negative = n < 0;
  const __uint128_t magnitude =
      negative ? 0 - static_cast<__uint128_t>(n) : static_cast<__uint128_t>(n);
  mpz_class high(static_cast<unsigned long>(magnitude >> 64U));
  mpz_class low(static_cast<unsigned long>(magnitude & ~uint64_t{0}));
  mpz_class result = (high << 64) + low;
  return negative ? mpz_class(-result) : result;
}

std::string text(const mpq_class& q) { return q.get_str(10); }

bool parse(const std::string& s, mpq_class& q) {
  if (q.set_str(s, 10) != 0) return false;
  q.canonicalize();
  return true;
}

// Whether (x, y) lies on y^2 + Axy + By = x^3, exactly.
bool satisfies(const mpq_class& x, const mpq_class& y, const mpz_class& a, const mpz_class& b) {
  return y * y + a * x * y + b * y == x * x * x;
}

// P + Q on y^2 + a1 xy + a3 y = x^3 (a2 = a4 = a6 = 0),
// by the chord and tangent; false where the sum is O.
bool add(const mpq_class& x1, const mpq_class& y1, const mpq_class& x2, const mpq_class& y2,
         const mpz_class& a1, const mpz_class& a3, mpq_class& x3, mpq_class& y3) {
  mpq_class lambda;
  mpq_class nu;
  if (x1 == x2) {
    const mpq_class denominator = 2 * y1 + a1 * x1 + a3;
    if (y1 != y2 || denominator == 0) return false;
    lambda = (3 * x1 * x1 - a1 * y1) / denominator;
  } else {
    lambda = (y2 - y1) / (x2 - x1);
  }
  nu = y1 - lambda * x1;
  x3 = lambda * lambda + a1 * lambda - x1 - x2;
  y3 = -(lambda + a1) * x3 - nu - a3;
  return true;
}

}  // namespace

std::optional<CoveringCurve> coveringCurve(int64_t a0, int64_t b0, __uint128_t m1, __uint128_t m2) {
  // m1 m2^2 < 2^62 and m1^2 m2 < 2^62 are tested factor by factor, so no
  // product leaves 128 bits: each factor is checked below 2^62 first.
  if (m1 == 0 || m2 == 0 || m1 >= kCoefficientLimit || m2 >= kCoefficientLimit) return {};
  const __uint128_t m1m2 = m1 * m2;  // below 2^124
  if (m1m2 >= kCoefficientLimit) return {};
  const __uint128_t u3 = m1m2 * m2;  // below 2^124
  const __uint128_t v3 = m1m2 * m1;
  if (u3 >= kCoefficientLimit || v3 >= kCoefficientLimit) return {};
  CoveringCurve cover;
  cover.u3 = static_cast<__int128_t>(u3);
  cover.v3 = -static_cast<__int128_t>(v3);
  // |a0| <= 2^31 and m1 m2 < 2^62: below 2^93.
  cover.uvw = static_cast<__int128_t>(a0) * static_cast<__int128_t>(m1m2);
  cover.w3 = b0;
  cover.m1m2 = static_cast<__int128_t>(m1m2);
  return cover;
}

std::optional<__int128_t> coverValue(const CoveringCurve& cover, __int128_t u, __int128_t v,
                                     __int128_t w) {
  __int128_t total = 0;
  const auto term = [&total](__int128_t c, __int128_t x, __int128_t y, __int128_t z) {
    __int128_t t = 0;
    return !__builtin_mul_overflow(c, x, &t) && !__builtin_mul_overflow(t, y, &t) &&
           !__builtin_mul_overflow(t, z, &t) && !__builtin_add_overflow(total, t, &total);
  };
  if (!term(cover.u3, u, u, u) || !term(cover.v3, v, v, v) || !term(cover.uvw, u, v, w) ||
      !term(cover.w3, w, w, w)) {
    return {};
  }
  return total;
}

std::optional<RationalPoint> coverPointOnCurve(const CoveringCurve& cover, int64_t a, int64_t b,
                                               int64_t scale, __int128_t u, __int128_t v,
                                               __int128_t w) {
  if (w == 0) return {};
  const mpz_class bigU = toMpz(u);
  const mpz_class bigV = toMpz(v);
  const mpz_class bigW = toMpz(w);
  const mpz_class value =
      toMpz(cover.u3) * bigU * bigU * bigU + toMpz(cover.v3) * bigV * bigV * bigV +
      toMpz(cover.uvw) * bigU * bigV * bigW + toMpz(cover.w3) * bigW * bigW * bigW;
  if (value != 0) return {};
  // On the minimal model x0 = m1 m2 UV/W^2, y0 = m1 m2^2 U^3/W^3; on the
  // model as typed x = u^2 x0, y = u^3 y0.
  const mpz_class s(static_cast<long>(scale));
  mpq_class x(toMpz(cover.m1m2) * bigU * bigV * s * s, bigW * bigW);
  mpq_class y(toMpz(cover.u3) * bigU * bigU * bigU * s * s * s, bigW * bigW * bigW);
  x.canonicalize();
  y.canonicalize();
  if (!satisfies(x, y, mpz_class(static_cast<long>(a)), mpz_class(static_cast<long>(b)))) return {};
  return RationalPoint{text(x), text(y)};
}

bool onCurve(const RationalPoint& point, int64_t a, int64_t b) {
  mpq_class x;
  mpq_class y;
  if (!parse(point.x, x) || !parse(point.y, y)) return false;
  return satisfies(x, y, mpz_class(static_cast<long>(a)), mpz_class(static_cast<long>(b)));
}

bool triplesToTorsion(const RationalPoint& point, int64_t a, int64_t b) {
  mpq_class x;
  mpq_class y;
  if (!parse(point.x, x) || !parse(point.y, y)) return false;
  const mpz_class a1(static_cast<long>(a));
  const mpz_class a3(static_cast<long>(b));
  mpq_class x2;
  mpq_class y2;
  mpq_class x3;
  mpq_class y3;
  if (!add(x, y, x, y, a1, a3, x2, y2)) return false;
  if (!add(x, y, x2, y2, a1, a3, x3, y3)) return false;
  return x3 == 0;
}

std::optional<RationalPoint> sumOnCurve(const RationalPoint& p, const RationalPoint& q, int64_t a,
                                        int64_t b, bool subtract) {
  mpq_class x1;
  mpq_class y1;
  mpq_class x2;
  mpq_class y2;
  if (!parse(p.x, x1) || !parse(p.y, y1) || !parse(q.x, x2) || !parse(q.y, y2)) return {};
  const mpz_class a1(static_cast<long>(a));
  const mpz_class a3(static_cast<long>(b));
  // -Q = (x, -y - A x - B).
  if (subtract) y2 = -y2 - a1 * x2 - a3;
  mpq_class x3;
  mpq_class y3;
  if (!add(x1, y1, x2, y2, a1, a3, x3, y3)) return {};
  return RationalPoint{text(x3), text(y3)};
}

double naiveHeight(const RationalPoint& point) {
  mpq_class x;
  if (!parse(point.x, x)) return 0;
  const mpz_class n = abs(x.get_num());
  const mpz_class& d = x.get_den();
  const mpz_class& larger = n > d ? n : d;
  long exponent = 0;
  const double mantissa = mpz_get_d_2exp(&exponent, larger.get_mpz_t());
  return std::log(mantissa) + static_cast<double>(exponent) * std::log(2.0);
}

}  // namespace velrin
