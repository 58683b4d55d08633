#pragma once

#include <cstdint>

#include "cli/scan_box.hpp"

namespace velrin::cli {

/// A pair (A, B) as d * (A0, B0) = (d A0, d^3 B0): the substitution
/// x = d^2 x', y = d^3 y' takes y^2 + A0 xy + B0 y = x^3 to the curve of
/// (A, B), and every pair in its class is (d A0, d^3 B0) for a non-zero
/// integer d. (A0, B0) is minimal: no prime p has p | A0 and p^3 | B0.
struct PairClass {
  int64_t a0 = 0;
  int64_t b0 = 0;
  /// d > 0, the largest with d | A and d^3 | B: at most 1290 when B != 0,
  /// |A| when B = 0 (the class of (1, 0) or (-1, 0)), 1 for (0, 0).
  uint64_t scale = 1;
};

/// Returns the class of (a, b) with its scale d > 0; any pair.
PairClass pairClass(int32_t a, int32_t b);

/// Whether (a, b), a pair of box, is the first pair of its class that the
/// box meets in scan order (A outer, B inner, both increasing). Two curves
/// y^2 + Axy + By = x^3 are isomorphic exactly when their pairs are of one
/// class, so a scan that writes these pairs alone writes each curve of the
/// box once. Costs a gcd and trial division below 1290, no memory: the
/// answer depends on the pair and the box alone, so shards, threads and
/// resumed runs agree on it.
bool firstOfClassInBox(const Box& box, int32_t a, int32_t b);

}  // namespace velrin::cli
