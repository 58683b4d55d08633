#pragma once

#include <cstdint>
#include <span>

#include "curve/local_data.hpp"

namespace velrin {

/// dim Sel(E^/Q) under the true rules: the classes m in Q^*/Q^*3 that lie
/// in the local image at every prime. m is a unit (modulo cubes) at every
/// good prime, 3 included, so the candidates are the products of the bad
/// primes to exponents 0, 1, 2, that is F_3^n; the accepted ones form the
/// kernel of the local conditions, of dimension n - rank. badPrimes hold
/// the minimal model's local data, b0 its coefficient B0.
int32_t minimalSelmerDimension(std::span<const LocalDatum> badPrimes, int64_t b0);

}  // namespace velrin
