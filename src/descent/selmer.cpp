#include "descent/selmer.hpp"

#include <array>
#include <cstddef>
#include <vector>

#include "arith/integer_primitives.hpp"
#include "curve/curve.hpp"
#include "descent/f3_matrix.hpp"
#include "descent/local_images.hpp"

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

// Dimension of Sel(E^/Q) from the local conditions as linear forms over F_3
// on the exponents of the candidates, without enumerating them.
int32_t selmerDimensionByElimination(const Curve& curve) {
  // The candidates are the products of the generators to exponents 0, 1, 2,
  // that is F_3^n; the accepted ones form the common kernel of the local
  // conditions, so their count is 3^(n - rank).
  std::vector<int32_t> generators;
  if (curve.threeIsBad == 0) generators.push_back(3);
  for (const BadPrimeNode* node = curve.head; node->prime != 0; node = node->next) {
    generators.push_back(node->prime);
  }
  F3Matrix conditions;
  for (const BadPrimeNode* node = curve.head; node->prime != 0; node = node->next) {
    appendLocalConditions(*node, curve.b, generators, conditions);
  }
  return static_cast<int32_t>(generators.size()) - conditions.rank();
}

}  // namespace

const std::array<int32_t, 2>& selmerDimensions(Curve& curve) {
  std::array<int32_t, 2>& dims = curve.selmerDims;
  if (curve.paths() == Paths::kPlain) {
    // Every candidate s * p1^e1 * ... * pk^ek, exact, with the seeds s = 3
    // and 9 standing for the prime 3 when no node of the list holds it.
    countSelmerElements(curve, FactoredInteger(), curve.head);
    if (curve.threeIsBad == 0) {
      countSelmerElements(curve, FactoredInteger().times(3, 1), curve.head);
      countSelmerElements(curve, FactoredInteger().times(3, 2), curve.head);
    }
    dims[0] = valuation(dims[0], 3);
  } else {
    dims[0] += selmerDimensionByElimination(curve);
  }
  dims[1] = dims[0];
  for (const BadPrimeNode* node = curve.head; node->prime != 0; node = node->next) {
    dims[1] += node->dimDelta;
  }
  return dims;
}

}  // namespace velrin

namespace velrin {

namespace {

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

namespace {

// True when m = p^v w (w a unit, w = unit mod modulus) is a cube in Q_p^*:
// 3 | v and w a cube modulo p, or modulo 9 at 3, by the plain root search.
bool isLocalCube(int32_t v, int64_t unit, int32_t p) {
  if (v % 3 != 0) return false;
  const int32_t modulus = p == 3 ? 9 : p;
  return cubeRootMod(unit, modulus) >= 0;
}

// Whether the candidate with the given exponents lies in the image at the
// i-th bad prime.
bool inMinimalImage(std::span<const LocalDatum> badPrimes, std::span<const int32_t> exponents,
                    size_t i, int64_t b0) {
  const LocalDatum& local = badPrimes[i];
  const auto p = static_cast<int32_t>(local.prime);
  const int64_t modulus = p == 3 ? 9 : p;
  int64_t unit = 1;
  for (size_t j = 0; j < badPrimes.size(); ++j) {
    if (j == i) continue;
    const auto g = static_cast<int64_t>(badPrimes[j].prime % static_cast<uint64_t>(modulus));
    for (int32_t e = 0; e < exponents[j]; ++e) unit = unit * g % modulus;
  }
  const int32_t v = exponents[i];
  switch (local.image) {
    case LocalImage::kWholeGroup:
      return true;
    case LocalImage::kUnits:
      return v % 3 == 0;
    case LocalImage::kTrivial:
      return isLocalCube(v, unit, p);
    case LocalImage::kGeneratedByB:
      break;
  }
  const int32_t w = valuation(b0, p);
  const int64_t unitOfB = residue(b0 / power(p, w), modulus);
  for (int32_t k = 0; k < 3; ++k, unit = unit * unitOfB % modulus) {
    if (isLocalCube(v + k * w, unit, p)) return true;
  }
  return false;
}

}  // namespace

int32_t minimalSelmerDimensionByEnumeration(std::span<const LocalDatum> badPrimes, int64_t b0) {
  std::array<int32_t, 16> exponents{};
  const std::span<int32_t> used(exponents.data(), badPrimes.size());
  int64_t accepted = 0;
  for (;;) {
    bool passes = true;
    for (size_t i = 0; i < badPrimes.size() && passes; ++i) {
      passes = inMinimalImage(badPrimes, used, i, b0);
    }
    if (passes) ++accepted;
    // The next exponent vector in base 3.
    size_t j = 0;
    while (j < used.size() && used[j] == 2) used[j++] = 0;
    if (j == used.size()) break;
    ++used[j];
  }
  return valuation(accepted, 3);
}

}  // namespace velrin
