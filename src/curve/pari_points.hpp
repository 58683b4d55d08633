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

}  // namespace velrin
