#pragma once

#include <cstdint>

namespace velrin {

/// True when y^2 + Axy + By = x^3 is singular: its discriminant
/// B^3 (A^3 - 27B) vanishes. Exact for every pair of 32-bit integers.
bool isSingular(int64_t a, int64_t b);

}  // namespace velrin
