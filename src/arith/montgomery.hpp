#pragma once

#include <cstdint>

namespace velrin {

/// Arithmetic modulo an odd n below 2^64 in Montgomery form: x is held as
/// x * 2^64 mod n, so that a product costs two multiplications and no
/// division. Every value passed in and returned lies in [0, n).
class Montgomery64 {
 public:
  /// n is odd, 3 <= n < 2^64.
  explicit Montgomery64(uint64_t n);

  uint64_t modulus() const { return n_; }
  /// Returns 1 in Montgomery form, 2^64 mod n.
  uint64_t one() const { return one_; }
  /// Returns x * 2^64 mod n; any x.
  uint64_t toForm(uint64_t x) const;
  /// Returns the plain value of a Montgomery-form x.
  uint64_t fromForm(uint64_t x) const { return reduce(x); }

  /// Returns a * b / 2^64 mod n; exact for every odd n < 2^64.
  uint64_t multiply(uint64_t a, uint64_t b) const {
    return reduce(static_cast<__uint128_t>(a) * b);
  }
  /// Returns a + b mod n; a carry out of 64 bits is taken back by the wrap.
  uint64_t add(uint64_t a, uint64_t b) const {
    const uint64_t sum = a + b;
    return sum < a || sum >= n_ ? sum - n_ : sum;
  }
  /// Returns a - b mod n.
  uint64_t sub(uint64_t a, uint64_t b) const { return a >= b ? a - b : a + (n_ - b); }
  /// Returns base^exp in Montgomery form; base in Montgomery form, exp >= 0.
  uint64_t power(uint64_t base, uint64_t exp) const;

 private:
  // REDC as t / 2^64 = hi(t) - hi(m n) with m = lo(t) / n mod 2^64: the low
  // words cancel, so nothing carries, and the difference lies in (-n, n).
  uint64_t reduce(__uint128_t t) const {
    const uint64_t m = static_cast<uint64_t>(t) * inverse_;
    const auto high = static_cast<uint64_t>(t >> 64U);
    const auto correction = static_cast<uint64_t>((static_cast<__uint128_t>(m) * n_) >> 64U);
    return high >= correction ? high - correction : high + (n_ - correction);
  }

  uint64_t n_;
  uint64_t inverse_;  // n^-1 mod 2^64
  uint64_t one_;
};

/// Arithmetic modulo an odd n below 2^127 in Montgomery form with R = 2^128,
/// on two 64-bit words. Below 2^127 a sum of two residues never carries out
/// of 128 bits. Every value passed in and returned lies in [0, n).
class Montgomery128 {
 public:
  /// n is odd, 3 <= n < 2^127.
  explicit Montgomery128(__uint128_t n);

  __uint128_t modulus() const { return n_; }
  /// Returns 1 in Montgomery form, 2^128 mod n.
  __uint128_t one() const { return one_; }
  /// Returns x * 2^128 mod n; any x.
  __uint128_t toForm(__uint128_t x) const { return multiply(x % n_, square_); }
  /// Returns the plain value of a Montgomery-form x.
  __uint128_t fromForm(__uint128_t x) const { return multiply(x, 1); }

  /// Returns a * b / 2^128 mod n; a, b < n < 2^127.
  __uint128_t multiply(__uint128_t a, __uint128_t b) const;
  /// Returns a + b mod n; a + b < 2n < 2^128 cannot carry.
  __uint128_t add(__uint128_t a, __uint128_t b) const {
    const __uint128_t sum = a + b;
    return sum >= n_ ? sum - n_ : sum;
  }
  /// Returns a - b mod n.
  __uint128_t sub(__uint128_t a, __uint128_t b) const { return a >= b ? a - b : a + (n_ - b); }
  /// Returns a / 2 mod n: a + n is even when a is odd, and below 2^128.
  __uint128_t half(__uint128_t a) const { return (a & 1U) == 0 ? a >> 1U : (a + n_) >> 1U; }
  /// Returns base^exp in Montgomery form; base in Montgomery form, any exp.
  __uint128_t power(__uint128_t base, __uint128_t exp) const;

 private:
  __uint128_t n_;
  uint64_t low_;      // n mod 2^64
  uint64_t high_;     // n / 2^64, below 2^63
  uint64_t inverse_;  // -n^-1 mod 2^64
  __uint128_t one_;
  __uint128_t square_;  // 2^256 mod n, which takes a plain value into the form
};

// Word-by-word REDC (two rounds of one 64-bit word). After each round the
// partial value is below 2n < 2^128, so it fits two words; inside a round a
// 64 x 64-bit product plus two words stays below 2^128.
inline __uint128_t Montgomery128::multiply(__uint128_t a, __uint128_t b) const {
  const auto a0 = static_cast<uint64_t>(a);
  const auto a1 = static_cast<uint64_t>(a >> 64U);
  uint64_t t0 = 0;
  uint64_t t1 = 0;
  uint64_t t2 = 0;
  for (int round = 0; round < 2; ++round) {
    const auto bi = static_cast<uint64_t>(round == 0 ? b : b >> 64U);
    __uint128_t p = static_cast<__uint128_t>(a0) * bi + t0;
    t0 = static_cast<uint64_t>(p);
    p = static_cast<__uint128_t>(a1) * bi + t1 + static_cast<uint64_t>(p >> 64U);
    t1 = static_cast<uint64_t>(p);
    t2 = static_cast<uint64_t>(p >> 64U);
    const uint64_t m = t0 * inverse_;
    p = static_cast<__uint128_t>(m) * low_ + t0;  // low word cancels to 0
    p = static_cast<__uint128_t>(m) * high_ + t1 + static_cast<uint64_t>(p >> 64U);
    t0 = static_cast<uint64_t>(p);
    t1 = t2 + static_cast<uint64_t>(p >> 64U);  // below 2n < 2^128: no carry out
  }
  const __uint128_t t = (static_cast<__uint128_t>(t1) << 64U) | t0;
  return t >= n_ ? t - n_ : t;
}

}  // namespace velrin
