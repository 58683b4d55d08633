#include "descent/selmer.hpp"

#include <array>
#include <cstddef>

#include "curve/curve.hpp"
#include "descent/f3_matrix.hpp"
#include "descent/local_images.hpp"
#include "descent/rules.hpp"

namespace velrin {

void countSelmerElements(Curve& curve, const FactoredInteger& m, const BadPrimeNode* node) {
  const int32_t p = node->prime;
  if (p == 0) {
    if (inLocalImages(curve, m) != 0) ++curve.selmerDims[0];
    return;
  }
  // Depth first: the exponent of the head's prime changes slowest.
  for (int32_t exponent = 0; exponent < 3; ++exponent) {
    countSelmerElements(curve, m.times(p, exponent), node->next);
  }
}

namespace {

// The local conditions of the classic rules at every bad prime over the
// generators, the bad primes from column `first` on (and before them, when
// 3 divides no coefficient, the seed 3). A prime with image {e} or the units puts its valuation
// row, a unit vector, into the matrix; the other forms' entries in its column are multiples of that
// row, so leaving them out changes neither the row space (the rank, and the kernel, which is the
// Selmer group) nor anything else, and their characters are never computed.
F3Matrix localConditions(std::span<const LocalDatum> badPrimes, int64_t b, Rules rules,
                         bool seedThree) {
  std::array<__uint128_t, F3Matrix::kMaxColumns> generators;  // only the first size are read
  const size_t first = seedThree ? 1 : 0;
  if (seedThree) generators[0] = 3;
  for (size_t j = 0; j < badPrimes.size(); ++j) generators[first + j] = badPrimes[j].prime;
  const std::span<const __uint128_t> used(generators.data(), first + badPrimes.size());
  uint32_t settled = 0;
  for (size_t j = 0; j < badPrimes.size(); ++j) {
    const LocalImage image = badPrimes[j].image;
    if (image == LocalImage::kTrivial || image == LocalImage::kUnits) settled |= 1U << (first + j);
  }
  F3Matrix conditions;
  for (const LocalDatum& local : badPrimes) {
    appendLocalConditions(local, b, used, conditions, settled, rules);
  }
  return conditions;
}

// The columns of the primes with image {e} or the units: each puts its
// valuation row, a unit vector, into the conditions.
uint32_t settledColumns(std::span<const LocalDatum> badPrimes, int32_t& count) {
  uint32_t settled = 0;
  count = 0;
  for (size_t j = 0; j < badPrimes.size(); ++j) {
    const LocalImage image = badPrimes[j].image;
    if (image == LocalImage::kTrivial || image == LocalImage::kUnits) {
      settled |= 1U << j;
      ++count;
    }
  }
  return settled;
}

// The local conditions of the true rules at every bad prime, over the bad
// primes as generators, but for the unit rows of the settled columns. The
// other forms' entries in a settled column are multiples of its unit row,
// so they are left out, and their characters are never computed: with the
// unit rows the matrix has the row space (the rank, and the kernel, which
// is the Selmer group) of all the conditions; without them, it holds the
// conditions on the open columns alone, of the rank that the conditions
// have beyond the unit rows.
F3Matrix openConditions(std::span<const LocalDatum> badPrimes, int64_t b0, uint32_t settled) {
  F3Matrix conditions;
  for (size_t j = 0; j < badPrimes.size(); ++j) {
    // The whole group and the units put no form beyond the unit rows.
    const LocalImage image = badPrimes[j].image;
    if (image == LocalImage::kWholeGroup || image == LocalImage::kUnits) continue;
    appendMinimalConditions(badPrimes, static_cast<uint32_t>(j), b0, conditions, settled);
  }
  return conditions;
}

}  // namespace

int32_t classicSelmerDimension(std::span<const LocalDatum> badPrimes, int64_t b, bool seedThree) {
  const auto columns = static_cast<int32_t>(badPrimes.size() + (seedThree ? 1 : 0));
  return columns - localConditions(badPrimes, b, Rules::kClassic, seedThree).rank();
}

int32_t minimalSelmerDimension(std::span<const LocalDatum> badPrimes, int64_t b0) {
  int32_t settledCount = 0;
  const uint32_t settled = settledColumns(badPrimes, settledCount);
  // Each settled column takes one dimension off; with every column
  // settled no condition is left to build.
  const int32_t open = static_cast<int32_t>(badPrimes.size()) - settledCount;
  if (open == 0) return 0;
  return open - openConditions(badPrimes, b0, settled).rank();
}

int32_t minimalSelmerBasis(std::span<const LocalDatum> badPrimes, int64_t b0,
                           std::array<F3Matrix::Vector, F3Matrix::kMaxColumns>& basis) {
  int32_t settledCount = 0;
  const uint32_t settled = settledColumns(badPrimes, settledCount);
  F3Matrix conditions = openConditions(badPrimes, b0, settled);
  for (uint32_t rest = settled; rest != 0; rest &= rest - 1U)
    conditions.addRow(rest & (0U - rest), 0);
  return conditions.kernel(static_cast<int32_t>(badPrimes.size()), basis);
}

int32_t isogenySelmerDimension(int32_t dualDimension, std::span<const LocalDatum> badPrimes) {
  int32_t dimension = dualDimension;
  for (const LocalDatum& local : badPrimes) dimension += local.term;
  return dimension;
}

const std::array<int32_t, 2>& selmerDimensions(Curve& curve) {
  // The list's data in the stages' form; D < 2^63 has at most 15 primes.
  std::array<LocalDatum, 15> badPrimes{};
  size_t count = 0;
  for (const BadPrimeNode* node = curve.head; node->prime != 0; node = node->next) {
    LocalDatum& local = badPrimes[count++];
    local.prime = static_cast<__uint128_t>(node->prime);
    local.image = node->imageKind;
    local.term = node->dimDelta;
  }
  const std::span<const LocalDatum> listed(badPrimes.data(), count);
  std::array<int32_t, 2>& dims = curve.selmerDims;
  dims[0] += classicSelmerDimension(listed, curve.b, curve.threeIsBad == 0);
  dims[1] = isogenySelmerDimension(dims[0], listed);
  return dims;
}

}  // namespace velrin
