#include "arith/montgomery.hpp"

namespace velrin {

namespace {

/// Returns n^-1 mod 2^64; n odd. Newton's iteration x <- x (2 - n x) doubles
/// the correct low bits, and n itself is right in the lowest three.
uint64_t inverseModWord(uint64_t n) {
  uint64_t inverse = n;
  for (int i = 0; i < 5; ++i) inverse *= 2 - n * inverse;
  return inverse;
}

}  // namespace

Montgomery64::Montgomery64(uint64_t n)
    : n_(n),
      inverse_(inverseModWord(n)),
      one_(static_cast<uint64_t>((__uint128_t{1} << 64U) % n)) {}

uint64_t Montgomery64::toForm(uint64_t x) const {
  return static_cast<uint64_t>((static_cast<__uint128_t>(x) << 64U) % n_);
}

uint64_t Montgomery64::power(uint64_t base, uint64_t exp) const {
  uint64_t result = one_;
  while (exp > 0) {
    if ((exp & 1U) != 0) result = multiply(result, base);
    base = multiply(base, base);
    exp >>= 1U;
  }
  return result;
}

Montgomery128::Montgomery128(__uint128_t n)
    : n_(n),
      low_(static_cast<uint64_t>(n)),
      high_(static_cast<uint64_t>(n >> 64U)),
      inverse_(0 - inverseModWord(static_cast<uint64_t>(n))),
      one_((0 - n) % n),  // 2^128 - n is 2^128 modulo n
      square_(one_) {
  // 2^256 mod n by 128 doublings of 2^128 mod n; a doubled residue stays
  // below 2n < 2^128.
  for (int i = 0; i < 128; ++i) {
    square_ <<= 1U;
    if (square_ >= n_) square_ -= n_;
  }
}

__uint128_t Montgomery128::power(__uint128_t base, __uint128_t exp) const {
  __uint128_t result = one_;
  while (exp > 0) {
    if ((exp & 1U) != 0) result = multiply(result, base);
    base = multiply(base, base);
    exp >>= 1U;
  }
  return result;
}

}  // namespace velrin
