#include "arith/factor_search.hpp"

#include <numeric>

#include "arith/modular.hpp"

namespace velrin {

namespace {

// Montgomery arithmetic modulo an odd n < 2^63: values are kept as x * 2^64
// mod n, and a product costs two multiplications instead of a division.
class Montgomery {
 public:
  explicit Montgomery(uint64_t n) : n_(n), inverse_(n) {
    // Newton's iteration doubles the correct low bits of n^-1 mod 2^64.
    for (int i = 0; i < 5; ++i) inverse_ *= 2 - n_ * inverse_;
  }

  uint64_t multiply(uint64_t a, uint64_t b) const {
    const __uint128_t t = static_cast<__uint128_t>(a) * b;
    const uint64_t m = static_cast<uint64_t>(t) * (0 - inverse_);
    const auto reduced = static_cast<uint64_t>((t + static_cast<__uint128_t>(m) * n_) >> 64U);
    return reduced >= n_ ? reduced - n_ : reduced;
  }

  uint64_t add(uint64_t a, uint64_t b) const {
    const uint64_t sum = a + b;  // a, b < n < 2^63: no carry out
    return sum >= n_ ? sum - n_ : sum;
  }

 private:
  uint64_t n_;
  uint64_t inverse_;
};

bool isStrongProbablePrime(uint64_t n, uint64_t base, uint64_t odd, int32_t twos) {
  uint64_t x = powMod(base, odd, n);
  if (x == 1 || x == n - 1) return true;
  for (int32_t i = 1; i < twos; ++i) {
    x = mulMod(x, x, n);
    if (x == n - 1) return true;
  }
  return false;
}

uint64_t distance(uint64_t a, uint64_t b) { return a > b ? a - b : b - a; }

}  // namespace

bool isPrime(uint64_t n) {
  static constexpr uint64_t kBases[] = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37};
  if (n < 2) return false;
  for (const uint64_t p : kBases) {
    if (n % p == 0) return n == p;
  }
  uint64_t odd = n - 1;
  int32_t twos = 0;
  while ((odd & 1U) == 0) {
    odd >>= 1U;
    ++twos;
  }
  for (const uint64_t base : kBases) {
    if (!isStrongProbablePrime(n, base, odd, twos)) return false;
  }
  return true;
}

uint64_t findDivisor(uint64_t n) {
  const Montgomery field(n);
  constexpr uint64_t kBatch = 128;
  for (uint64_t c = 1;; ++c) {
    // Brent: y runs ahead of the saved x by doubling stretches; the
    // differences are multiplied together so that one gcd serves a batch.
    uint64_t y = 2;
    uint64_t x = y;
    uint64_t saved = y;
    uint64_t product = 1;
    uint64_t g = 1;
    for (uint64_t stretch = 1; g == 1; stretch *= 2) {
      x = y;
      for (uint64_t i = 0; i < stretch; ++i) y = field.add(field.multiply(y, y), c);
      for (uint64_t done = 0; done < stretch && g == 1; done += kBatch) {
        saved = y;
        const uint64_t steps = stretch - done < kBatch ? stretch - done : kBatch;
        for (uint64_t i = 0; i < steps; ++i) {
          y = field.add(field.multiply(y, y), c);
          product = field.multiply(product, distance(x, y));
        }
        g = std::gcd(product, n);
      }
    }
    if (g == n) {
      // The batch overshot: step again one at a time from its start.
      do {
        saved = field.add(field.multiply(saved, saved), c);
        g = std::gcd(distance(x, saved), n);
      } while (g == 1);
    }
    if (g != n) return g;
  }
}

}  // namespace velrin
