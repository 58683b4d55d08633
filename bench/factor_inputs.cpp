#include "factor_inputs.hpp"

#include <cstddef>

#include "xorshift.hpp"

namespace velrin {

namespace {

/// Returns the magnitude of A^3 - 27B: below 2^93 + 2^36, exact in 128 bits.
__uint128_t magnitudeOfF(int64_t a, int64_t b) {
  const __int128_t f = static_cast<__int128_t>(a) * a * a - 27 * static_cast<__int128_t>(b);
  return f < 0 ? 0 - static_cast<__uint128_t>(f) : static_cast<__uint128_t>(f);
}

/// |F| and |B| of `count` pairs with |A| <= aBound and |B| <= bBound (zero
/// values skipped), drawn from a fixed xorshift sequence.
std::vector<__uint128_t> drawPairs(uint64_t seed, int64_t aBound, int64_t bBound, size_t count,
                                   bool withB) {
  XorShift draw(seed);
  std::vector<__uint128_t> values;
  while (values.size() < count) {
    const int64_t a = static_cast<int64_t>(draw() % static_cast<uint64_t>(2 * aBound + 1)) - aBound;
    const int64_t b = static_cast<int64_t>(draw() % static_cast<uint64_t>(2 * bBound + 1)) - bBound;
    const __uint128_t f = magnitudeOfF(a, b);
    if (f != 0) values.push_back(f);
    if (withB && b != 0 && values.size() < count) {
      values.push_back(static_cast<__uint128_t>(b < 0 ? -b : b));
    }
  }
  return values;
}

}  // namespace

std::vector<FactorWorkload> factorWorkloads() {
  // The primes are gp's nextprime of the stated points; the tests check the
  // same products (tests/arith/prime_factors_test.cpp).
  const __uint128_t p94 = (__uint128_t{536870912} << 64U) + 12357U;  // nextprime(2^93 + 12345)
  const std::vector<__uint128_t> semiprimes = {
      __uint128_t{121037109489347U} * 99197641114349U,
      __uint128_t{127555186072999U} * 95664533747941U,
      __uint128_t{111262024268029U} * 123185693834683U,
      __uint128_t{120502907376473U} * 138973497827831U,
  };
  // 2 3 5 ... 37 = 7420738134810, times nextprime(2^50) = 2^50 + 55;
  // 2 3 5 7 11 13 = 30030, times nextprime(2^40) = 2^40 + 15 and
  // nextprime(2^40 + 2^39) = 2^40 + 2^39 + 17 (a product near 2^94).
  const __uint128_t smallTimesPrime = __uint128_t{7420738134810U} * ((uint64_t{1} << 50U) + 55);
  const __uint128_t smallTimesTwo = __uint128_t{30030U} * ((uint64_t{1} << 40U) + 15) *
                                    ((uint64_t{1} << 40U) + (uint64_t{1} << 39U) + 17);
  constexpr int64_t kInt32Bound = 2147483647;
  return {
      {"94-bit prime", {p94}, false},
      {"two primes near 2^47", semiprimes, true},
      {"small primes x prime near 2^50", {smallTimesPrime}, false},
      {"small primes x two primes near 2^40", {smallTimesTwo}, true},
      {"random F, 32-bit A and B (10,000)", drawPairs(1, kInt32Bound, kInt32Bound, 10000, false),
       false},
      {"family |A|<=1000 |B|<=5000: F and B", drawPairs(2, 1000, 5000, 10000, true), false},
  };
}

}  // namespace velrin
