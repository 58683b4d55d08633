#include "curve/curve_factors.hpp"

namespace velrin {

namespace {

__uint128_t magnitudeOf(__int128_t n) {
  return n < 0 ? 0 - static_cast<__uint128_t>(n) : static_cast<__uint128_t>(n);
}

}  // namespace

FactoredCurve::FactoredCurve(int32_t a, int32_t b)
    : ofB(primeFactors(magnitudeOf(b))),
      model(minimalModel(a, b, ofB.primes())),
      ofF(primeFactors(magnitudeOf(model.f0))) {}

}  // namespace velrin
