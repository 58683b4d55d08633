#pragma once

#include <cstdint>
#include <cstdio>

namespace velrin {

/// True when y^2 + Axy + By = x^3 is singular: its discriminant
/// B^3 (A^3 - 27B) vanishes. Exact for every pair of 32-bit integers.
bool isSingular(int64_t a, int64_t b);

/// Writes "\n[1] The curve E is singular.\n\n".
void writeSingularLine(std::FILE* out);

/// Writes line [1], "\n[1] E is an elliptic curve defined by y^2...=x^3\n",
/// in the form that drops coefficients of +-1.
void writeEquationLine(std::FILE* out, int64_t a, int64_t b);

}  // namespace velrin
