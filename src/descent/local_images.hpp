#pragma once

#include <cstdint>
#include <span>

#include "curve/bad_prime_node.hpp"
#include "descent/f3_matrix.hpp"

namespace velrin {

/// Appends to conditions the linear forms over F_3 whose common kernel is
/// the set of candidates that lie in the local image at the bad prime of
/// node. A candidate is the product of the generators, the j-th raised to
/// the j-th exponent (0, 1 or 2); the forms act on those exponents. b is
/// the coefficient B; generators holds the node's prime and are distinct
/// primes, at most F3Matrix::kMaxColumns of them.
void appendLocalConditions(const BadPrimeNode& node, int64_t b, std::span<const int32_t> generators,
                           F3Matrix& conditions);

}  // namespace velrin
