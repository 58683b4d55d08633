#include "curve/curve_factors.hpp"

namespace velrin {

namespace {

__uint128_t magnitudeOf(__int128_t n) {
  return n < 0 ? 0 - static_cast<__uint128_t>(n) : static_cast<__uint128_t>(n);
}

}  // namespace

FactoredCurve factorCurve(int32_t a, int32_t b) {
  FactoredCurve factored;
  factored.ofB = primeFactors(magnitudeOf(b));
  factored.model = minimalModel(a, b, factored.ofB.primes());
  factored.ofF = primeFactors(magnitudeOf(factored.model.f0));
  return factored;
}

}  // namespace velrin
