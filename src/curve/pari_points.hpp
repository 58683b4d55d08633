#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace velrin {

/// The rational points of y^2 + a1 xy + a3 y = x^3 + a2 x^2 + a4 x + a6 whose
/// x has naive height at most `height` on the curve's minimal model, by
/// the PARI library's sieve (ellratpoints), moved back to the model given;
/// each as (x, y), decimal strings "n" or "n/d". Appends to points and
/// returns false when the library failed (its error caught): then points
/// holds what it found before. Thread-safe, as pariPrimeFactors.
bool pariSmallPoints(const std::array<__int128_t, 5>& ainvs, int64_t height,
                     std::vector<std::pair<std::string, std::string>>& points);

/// The same search in a box stretched to the curve's size: on the minimal
/// model the points of small canonical height have x = n/d with |n| about
/// R d, R = max(|a4|^(1/2), |a6|^(1/3)) (after completing the cube), so a
/// box of side `height` misses them where R is large. The box is |n| <= N,
/// 1 <= d <= D with N = max(height, stretch R) and D = max(height^2 / N,
/// minDenominator): the square box of `height` where the model is small,
/// the same area (and about the same cost) stretched along n where it is
/// large, and at least minDenominator deep. height, stretch and
/// minDenominator >= 1, height below 2^31.
bool pariSmallPointsStretched(const std::array<__int128_t, 5>& ainvs, int64_t height,
                              int64_t stretch, int64_t minDenominator,
                              std::vector<std::pair<std::string, std::string>>& points);

/// Replaces points (independent points of infinite order on y^2 + a1 xy +
/// a3 y = x^3 + a2 x^2 + a4 x + a6, as pariSmallPoints writes them) by an
/// LLL-reduced basis of the lattice they span under the canonical height
/// pairing (PARI's ellheightmatrix and lllgram): the same subgroup, by a
/// change with integral inverse, ordered by height. Leaves points as they
/// are and returns false when the library fails or the change it finds is
/// not unimodular. Thread-safe.
bool pariReducePoints(const std::array<__int128_t, 5>& ainvs,
                      std::vector<std::pair<std::string, std::string>>& points);

}  // namespace velrin
