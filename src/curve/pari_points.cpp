#include "curve/pari_points.hpp"

#include <pari/pari.h>

#include "arith/pari_factor.hpp"
#include "curve/pari_values.hpp"

namespace velrin {

namespace {

// The numerator and denominator texts of "n" or "n/d".
std::pair<std::string, std::string> split(const std::string& text) {
  const size_t slash = text.find('/');
  if (slash == std::string::npos) return {text, "1"};
  return {text.substr(0, slash), text.substr(slash + 1)};
}

// The curve [a1, a2, a3, a4, a6] on the PARI stack; called inside a
// pari_TRY, which catches what ellinit raises.
GEN curveOf(const std::array<__int128_t, 5>& ainvs) {
  GEN coefficients = cgetg(6, t_VEC);
  for (long i = 0; i < 5; ++i)
    gel(coefficients, i + 1) = pariInteger(ainvs[static_cast<size_t>(i)]);
  return ellinit(coefficients, nullptr, DEFAULTPREC);
}

// The search of pariSmallPoints and pariSmallPointsStretched: stretch 0
// keeps the square box of `height`.
bool smallPoints(const std::array<__int128_t, 5>& ainvs, int64_t height, int64_t stretch,
                 int64_t minDenominator, std::vector<std::pair<std::string, std::string>>& points) {
  enterPariThread();
  const pari_sp top = avma;
  // Written inside the setjmp context and read after a possible longjmp.
  volatile bool ok = false;
  pari_CATCH(CATCH_ALL) { ok = false; }
  pari_TRY {
    GEN curve = curveOf(ainvs);
    GEN change = nullptr;
    GEN minimal = ellminimalmodel(curve, &change);
    GEN box = stoi(static_cast<long>(height));
    if (stretch > 0) {
      // R from the short Weierstrass form y^2 = x^3 - 27 c4 x - 54 c6 of
      // the minimal model, scaled back by 36 (x there is 36 x + 3 b2):
      // R = max(sqrt(27 |c4|), cbrt(54 |c6|)) / 36, rounded up.
      GEN c4 = ell_get_c4(minimal);
      GEN c6 = ell_get_c6(minimal);
      GEN r4 = addiu(sqrti(mulsi(27, absi(c4))), 1);
      GEN r6 = addiu(sqrtnint(mulsi(54, absi(c6)), 3), 1);
      GEN scale = addiu(truedivis(cmpii(r4, r6) > 0 ? r4 : r6, 36), 1);
      GEN numerator = mulsi(static_cast<long>(stretch), scale);
      if (cmpis(numerator, static_cast<long>(height)) < 0)
        numerator = stoi(static_cast<long>(height));
      // height^2 < 2^62; D = max(height^2 / N, minDenominator).
      GEN denominator = truedivii(sqri(stoi(static_cast<long>(height))), numerator);
      if (cmpis(denominator, static_cast<long>(minDenominator)) < 0)
        denominator = stoi(static_cast<long>(minDenominator));
      box = mkvec2(numerator, denominator);
    }
    GEN found = ellratpoints(minimal, box, 0);
    found = ellchangepointinv(found, change);
    for (long i = 1; i < lg(found); ++i) {
      GEN point = gel(found, i);
      if (lg(point) < 3) continue;  // the point at infinity
      points.emplace_back(pariDecimal(gel(point, 1)), pariDecimal(gel(point, 2)));
    }
    ok = true;
  }
  pari_ENDCATCH;
  set_avma(top);
  return ok;
}

}  // namespace

bool pariSmallPoints(const std::array<__int128_t, 5>& ainvs, int64_t height,
                     std::vector<std::pair<std::string, std::string>>& points) {
  return smallPoints(ainvs, height, 0, 1, points);
}

bool pariSmallPointsStretched(const std::array<__int128_t, 5>& ainvs, int64_t height,
                              int64_t stretch, int64_t minDenominator,
                              std::vector<std::pair<std::string, std::string>>& points) {
  return smallPoints(ainvs, height, stretch, minDenominator, points);
}

namespace {

// A decimal integer with an optional minus sign (strtoi reads digits only).
GEN integer(const std::string& text) {
  const bool negative = !text.empty() && text.front() == '-';
  GEN magnitude = strtoi(text.c_str() + (negative ? 1 : 0));
  return negative ? negi(magnitude) : magnitude;
}

// The reduced points of pariReducePoints as a t_VEC on the PARI stack, or
// nullptr when the library failed or the change is not unimodular. Only
// PARI objects live in the setjmp context.
GEN reducedBasis(const std::array<__int128_t, 5>& ainvs,
                 const std::vector<std::array<std::string, 4>>& parts) {
  GEN volatile result = nullptr;
  pari_CATCH(CATCH_ALL) { result = nullptr; }
  pari_TRY {
    GEN curve = curveOf(ainvs);
    const auto n = static_cast<long>(parts.size());
    GEN given = cgetg(n + 1, t_VEC);
    for (long i = 0; i < n; ++i) {
      const std::array<std::string, 4>& p = parts[static_cast<size_t>(i)];
      gel(given, i + 1) =
          mkvec2(gdiv(integer(p[0]), integer(p[1])), gdiv(integer(p[2]), integer(p[3])));
    }
    // The columns of the change: reduced_j = sum_i change[i, j] given_i,
    // unimodular, so the reduced points span the same subgroup.
    GEN gram = ellheightmatrix(curve, given, DEFAULTPREC);
    GEN change = lllgram(gram);
    if (lg(change) == n + 1 && is_pm1(det(change))) {
      // The heights of the new points: the diagonal of change^t gram change.
      GEN reducedGram = qf_apply_RgM(gram, change);
      GEN sums = cgetg(n + 1, t_VEC);
      GEN heights = cgetg(n + 1, t_VEC);
      bool finite = true;
      for (long j = 1; j <= n && finite; ++j) {
        GEN sum = ellinf();
        for (long i = 1; i <= n; ++i)
          sum = elladd(curve, sum, ellmul(curve, gel(given, i), gcoeff(change, i, j)));
        finite = !ell_is_inf(sum);
        gel(sums, j) = sum;
        gel(heights, j) = gcoeff(reducedGram, j, j);
      }
      if (finite) result = vecpermute(sums, indexsort(heights));
    }
  }
  pari_ENDCATCH;
  return result;
}

}  // namespace

bool pariReducePoints(const std::array<__int128_t, 5>& ainvs,
                      std::vector<std::pair<std::string, std::string>>& points) {
  if (points.size() < 2) return true;
  std::vector<std::array<std::string, 4>> parts;
  for (const auto& [x, y] : points) {
    auto [xn, xd] = split(x);
    auto [yn, yd] = split(y);
    parts.push_back({std::move(xn), std::move(xd), std::move(yn), std::move(yd)});
  }
  enterPariThread();
  const pari_sp top = avma;
  GEN result = reducedBasis(ainvs, parts);
  if (result != nullptr) {
    std::vector<std::pair<std::string, std::string>> reduced;
    for (long j = 1; j < lg(result); ++j) {
      GEN sum = gel(result, j);
      reduced.emplace_back(pariDecimal(gel(sum, 1)), pariDecimal(gel(sum, 2)));
    }
    points = std::move(reduced);
  }
  set_avma(top);
  return result != nullptr;
}

}  // namespace velrin
