#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "arith/factorize.hpp"
#include "curve/classic_scan.hpp"
#include "curve/curve.hpp"
#include "curve/curve_factors.hpp"
#include "curve/local_classification.hpp"

namespace velrin {

namespace {

// Writes a datum into a node; the prime only for a bad one, which leaves a
// good prime's node open.
void fillNode(const LocalDatum& local, int32_t p, BadPrimeNode& node) {
  node.kodaira = kodairaText(local.kodaira);
  node.imageKind = local.image;
  node.dimDelta = local.term;
  if (local.prime != 0) node.prime = p;
}

}  // namespace

void Curve::scanBadPrimes() {
  // A D beyond 64 bits is refused rather than factorised in a wrapped form
  // that has nothing to do with the curve.
  const std::optional<int64_t> d = classicDiscriminant(a, b);
  if (!d) {
    tooLarge = true;
    return;
  }
  // setCoefficients took A and B as 32-bit integers.
  const FactoredCurve factored = factorCurve(static_cast<int32_t>(a), static_cast<int32_t>(b));
  std::array<LocalDatum, ClassicScan::kMaxBadPrimes> badPrimes{};
  const ClassicScan scan = scanClassic(a, b, *d, factored.factors(), badPrimes);
  warnings = scan.warnings;
  threeIsBad = scan.threeDividesD ? 1 : 0;
  BadPrimeNode* current = head;
  for (size_t i = 0; i < static_cast<size_t>(scan.badPrimeCount); ++i) {
    const LocalDatum& local = badPrimes[i];
    fillNode(local, static_cast<int32_t>(local.prime), *current);
    current->next = new BadPrimeNode;
    current = current->next;
  }
}

void Curve::classifyPrime(int32_t p, BadPrimeNode& node) {
  fillNode(classifyClassic(a, b, p), p, node);
}

}  // namespace velrin
