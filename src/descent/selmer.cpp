#include <array>
#include <cstddef>
#include <vector>

#include "arith/integer_primitives.hpp"
#include "curve/curve.hpp"
#include "descent/f3_matrix.hpp"
#include "descent/local_images.hpp"
#include "descent/selmer.hpp"

namespace velrin {

void Curve::countSelmerElements(const FactoredInteger& m, const BadPrimeNode* node) {
  const int32_t p = node->prime;
  if (p == 0) {
    if (inLocalImages(m) != 0) ++selmerDims[0];
    return;
  }
  // Depth first: the exponent of the head's prime changes slowest.
  for (int32_t exponent = 0; exponent < 3; ++exponent) {
    countSelmerElements(m.times(p, exponent), node->next);
  }
}

int32_t Curve::selmerDimensionByElimination() const {
  // The candidates are the products of the generators to exponents 0, 1, 2,
  // that is F_3^n; the accepted ones form the common kernel of the local
  // conditions, so their count is 3^(n - rank).
  std::vector<int32_t> generators;
  if (threeIsBad == 0) generators.push_back(3);
  for (const BadPrimeNode* node = head; node->prime != 0; node = node->next) {
    generators.push_back(node->prime);
  }
  F3Matrix conditions;
  for (const BadPrimeNode* node = head; node->prime != 0; node = node->next) {
    appendLocalConditions(*node, b, generators, conditions);
  }
  return static_cast<int32_t>(generators.size()) - conditions.rank();
}

const std::array<int32_t, 2>& Curve::selmerDimensions() {
  if (paths_ == Paths::kPlain) {
    // Every candidate s * p1^e1 * ... * pk^ek, exact, with the seeds s = 3
    // and 9 standing for the prime 3 when no node of the list holds it.
    countSelmerElements(FactoredInteger(), head);
    if (threeIsBad == 0) {
      countSelmerElements(FactoredInteger().times(3, 1), head);
      countSelmerElements(FactoredInteger().times(3, 2), head);
    }
    selmerDims[0] = valuation(selmerDims[0], 3);
  } else {
    selmerDims[0] += selmerDimensionByElimination();
  }
  selmerDims[1] = selmerDims[0];
  for (const BadPrimeNode* node = head; node->prime != 0; node = node->next) {
    selmerDims[1] += node->dimDelta;
  }
  return selmerDims;
}

}  // namespace velrin

namespace velrin {

int32_t minimalSelmerDimension(std::span<const LocalDatum> badPrimes, int64_t b0) {
  std::array<__uint128_t, F3Matrix::kMaxColumns> generators{};
  for (size_t j = 0; j < badPrimes.size(); ++j) generators[j] = badPrimes[j].prime;
  const std::span<const __uint128_t> used(generators.data(), badPrimes.size());
  F3Matrix conditions;
  for (const LocalDatum& local : badPrimes) {
    appendMinimalConditions(local, b0, used, conditions);
  }
  return static_cast<int32_t>(badPrimes.size()) - conditions.rank();
}

}  // namespace velrin
