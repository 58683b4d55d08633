#include <array>
#include <cstddef>

#include "arith/integer_primitives.hpp"
#include "descent/local_images.hpp"
#include "descent/selmer.hpp"
#include "reference/plain_paths.hpp"

namespace velrin {

int32_t inLocalImagesPlain(const Curve& curve, const FactoredInteger& m) {
  const int64_t b = curve.b;
  for (const BadPrimeNode* node = curve.head; node->prime != 0; node = node->next) {
    const int32_t p = node->prime;
    bool passes = true;
    if (node->imageKind == LocalImage::kTrivial) {
      // m must be a cube in Q_p^*: a unit that is a cube modulo 9 at 3,
      // modulo p when p = 1 (mod 3); any unit for the other primes.
      if (p == 3) {
        passes = cubeRootMod(m.residue(9), 9) > 0;
      } else if ((p - 1) % 3 == 0) {
        passes = cubeRootMod(m.residue(p), p) > 0;
      } else {
        passes = m.residue(p) != 0;
      }
    } else if (node->imageKind == LocalImage::kUnits) {
      // Units times cubes: the candidates carry p to at most the square.
      passes = cubeRootMod(m.residue(p), p) != 0;
    } else if (node->imageKind == LocalImage::kGeneratedByB) {
      // m lies in <B> Q_p^*3 when one of m, mB, mB^2 is a cube in Q_p^*:
      // its valuation a multiple of 3 and its unit part a cube modulo p.
      const int32_t v = m.valuation(p);
      const int32_t w = valuation(b, p);
      const int64_t unitOfM = m.residueWithout(p, p);
      const int64_t unitOfB = residue(b / power(p, w), static_cast<int64_t>(p));
      passes = false;
      int64_t unit = unitOfM;
      for (int32_t k = 0; k < 3; ++k, unit = unit * unitOfB % p) {
        if ((v + k * w) % 3 == 0 && cubeRootMod(unit, p) > 0) passes = true;
      }
    }
    if (!passes) return 0;
  }
  return 1;
}

int32_t inLocalImages(const Curve& curve, const FactoredInteger& m, Paths paths) {
  return paths == Paths::kPlain ? inLocalImagesPlain(curve, m) : inLocalImages(curve, m);
}

namespace {

// Adds to the count the accepted candidates m * r, r over the products of
// the primes from node on (depth first, as countSelmerElements).
void countPlain(const Curve& curve, const FactoredInteger& m, const BadPrimeNode* node,
                int32_t& count) {
  if (node->prime == 0) {
    if (inLocalImagesPlain(curve, m) != 0) ++count;
    return;
  }
  for (int32_t exponent = 0; exponent < 3; ++exponent) {
    countPlain(curve, m.times(node->prime, exponent), node->next, count);
  }
}

}  // namespace

const std::array<int32_t, 2>& selmerDimensionsByEnumeration(Curve& curve) {
  std::array<int32_t, 2>& dims = curve.selmerDims;
  countPlain(curve, FactoredInteger(), curve.head, dims[0]);
  if (curve.threeIsBad == 0) {
    countPlain(curve, FactoredInteger().times(3, 1), curve.head, dims[0]);
    countPlain(curve, FactoredInteger().times(3, 2), curve.head, dims[0]);
  }
  dims[0] = valuation(dims[0], 3);
  dims[1] = dims[0];
  for (const BadPrimeNode* node = curve.head; node->prime != 0; node = node->next) {
    dims[1] += node->dimDelta;
  }
  return dims;
}

const std::array<int32_t, 2>& selmerDimensions(Curve& curve, Paths paths) {
  return paths == Paths::kPlain ? selmerDimensionsByEnumeration(curve) : selmerDimensions(curve);
}

namespace {

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

CurveAnalysis analyzeByEnumeration(int32_t a, int32_t b) {
  CurveAnalysis analysis = analyzeCurve(a, b);
  if (analysis.status != CurveStatus::kAnalysed) return analysis;
  bool enumerable = analysis.badPrimeCount <= 12;
  for (const LocalDatum& local : analysis.badPrimes()) {
    enumerable = enumerable && local.prime >> 31U == 0;
  }
  if (!enumerable) return analysis;
  const FactoredCurve factored = factorCurve(a, b);
  const int32_t d1 = minimalSelmerDimensionByEnumeration(analysis.badPrimes(), factored.model.b0);
  int32_t d2 = d1;
  for (const LocalDatum& local : analysis.badPrimes()) d2 += local.term;
  analysis.dimSelmerEHat = d1;
  analysis.dimSelmerE = d2;
  return analysis;
}

}  // namespace velrin
