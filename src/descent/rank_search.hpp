#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "descent/covering_curve.hpp"
#include "descent/curve_analysis.hpp"

namespace velrin {

/// The search height when the user sets none: covers' points (U:V:W) with
/// max(|V|, W) up to it are tried. The smallest height that proves the rank
/// on 97% of the curves with |A|, |B| <= 40 whose bound is sharp (97.2%;
/// 28 gives 97.1%, 24 gives 96.8%, 40 gives 97.8% at a third more time).
inline constexpr int32_t kDefaultSearchHeight = 30;
/// The largest height the search accepts.
inline constexpr int32_t kMaxSearchHeight = 100000;

/// What the point search on the covering curves proves about the rank.
struct RankSearch {
  bool searched = false;  ///< false under the classic rules or without an analysis
  int32_t height = 0;     ///< the search height used
  int32_t lower = 0;      ///< a proven lower bound on the rank of E(Q)
  int32_t upper = 0;      ///< d1 + d2 - 1, the descent's upper bound
  /// Independent points of infinite order on the curve as typed, `lower`
  /// of them: the smallest found (by the naive height of x) whose images
  /// raise the span, reduced (rank_search.cpp, reduceGenerators): an LLL
  /// basis under the canonical height pairing from three points on, a pair
  /// reduced by the naive height.
  std::vector<RationalPoint> points;
  /// Every Selmer class was searched (none had a cover too large); when
  /// false the search stops short of its height on some class.
  bool allCoversSearched = true;
  bool proven() const { return searched && lower == upper; }
};

/// The cube-free integer m1 m2^2 of a Selmer class (exponent vector over
/// the bad primes), in decimal: exact for every class.
std::string selmerClassText(const CurveAnalysis& analysis, const F3Matrix::Vector& element);

/// The class m = m1 m2^2 of an exponent vector: m1 the product of the
/// primes to exponent 1, m2 of those to exponent 2; false when a product
/// leaves 128 bits.
bool selmerClassFactors(const CurveAnalysis& analysis, const F3Matrix::Vector& element,
                        __uint128_t& m1, __uint128_t& m2);

/// delta(P), the Kummer map of phihat: y(P) modulo cubes (1/(y + Ax + B)
/// where y = 0) as an exponent vector over the bad primes, for a point P of
/// E(Q) on the curve as typed (x, y as coverPointOnCurve writes them); none
/// when P is not on E or its class is not supported on the bad primes
/// (which would contradict the descent). Exact.
std::optional<F3Matrix::Vector> kummerClass(const CurveAnalysis& analysis,
                                            const RationalPoint& point);

/// Searches the covering curves of Sel(E^/Q) for points up to the height
/// and proves what it can: see rank_search.cpp for the argument. An
/// analysis under the true rules; height in [1, kMaxSearchHeight].
/// Thread-safe.
/// With secondDescent, where the covers and E^ leave the rank open, the
/// covers are searched through their 3-coverings too (second_descent.hpp):
/// generators of far larger height, at milliseconds to seconds a curve.
RankSearch searchRank(const CurveAnalysis& analysis, int32_t height = kDefaultSearchHeight,
                      bool secondDescent = false);

}  // namespace velrin
