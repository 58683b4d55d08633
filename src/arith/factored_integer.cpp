#include "arith/factored_integer.hpp"

#include <cstddef>

#include "arith/modular.hpp"

namespace velrin {

FactoredInteger FactoredInteger::times(int32_t p, int32_t exponent) const {
  FactoredInteger product = *this;
  if (exponent == 0) return product;
  const auto i = static_cast<size_t>(product.count_++);
  product.primes_[i] = p;
  product.exponents_[i] = exponent;
  return product;
}

int32_t FactoredInteger::valuation(int32_t p) const {
  for (int32_t i = 0; i < count_; ++i) {
    if (primes_[static_cast<size_t>(i)] == p) return exponents_[static_cast<size_t>(i)];
  }
  return 0;
}

int64_t FactoredInteger::residue(int32_t m) const { return residueWithout(0, m); }

int64_t FactoredInteger::residueWithout(int32_t p, int32_t m) const {
  const auto modulus = static_cast<uint64_t>(m);
  uint64_t value = 1 % modulus;
  for (int32_t i = 0; i < count_; ++i) {
    const auto slot = static_cast<size_t>(i);
    if (primes_[slot] == p) continue;
    const uint64_t factor = powMod(static_cast<uint64_t>(primes_[slot]),
                                   static_cast<uint64_t>(exponents_[slot]), modulus);
    value = mulMod(value, factor, modulus);
  }
  return static_cast<int64_t>(value);
}

int64_t FactoredInteger::valueIfSmall() const {
  __uint128_t value = 1;
  for (int32_t i = 0; i < count_; ++i) {
    for (int32_t e = 0; e < exponents_[static_cast<size_t>(i)]; ++e) {
      value *= static_cast<uint64_t>(primes_[static_cast<size_t>(i)]);
      if (value > static_cast<uint64_t>(INT64_MAX)) return -1;
    }
  }
  return static_cast<int64_t>(value);
}

}  // namespace velrin
