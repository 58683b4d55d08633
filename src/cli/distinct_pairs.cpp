#include "cli/distinct_pairs.hpp"

#include <numeric>

namespace velrin::cli {

namespace {

// A prime of d satisfies p^3 | B, so p <= 1290 when B != 0 (1291^3 > 2^31).
constexpr uint64_t kLargestScalePrime = 1290;

/// Returns |n| for any 32-bit n, without overflow at -2^31.
uint64_t magnitude(int32_t n) {
  return n < 0 ? uint64_t{0} - static_cast<uint64_t>(static_cast<int64_t>(n))
               : static_cast<uint64_t>(n);
}

/// Returns the largest k with p^k | n; n > 0, p >= 2.
int32_t valuation(uint64_t n, uint64_t p) {
  int32_t k = 0;
  for (; n % p == 0; n /= p) ++k;
  return k;
}

uint64_t power(uint64_t p, int32_t k) {
  uint64_t result = 1;
  for (int32_t i = 0; i < k; ++i) result *= p;
  return result;
}

bool inBox(const Box& box, int64_t a, int64_t b) {
  return a >= box.a().min && a <= box.a().max && b >= box.b().min && b <= box.b().max;
}

}  // namespace

PairClass pairClass(int32_t a, int32_t b) {
  if (b == 0) {
    // y^2 + Axy = x^3 scales to y^2 + xy = x^3 (or with -1) by d = |A|.
    if (a == 0) return {};
    return {a < 0 ? -1 : 1, 0, magnitude(a)};
  }
  const uint64_t magA = magnitude(a);
  const uint64_t magB = magnitude(b);
  // Every prime of d divides both coefficients (B alone when A = 0).
  uint64_t rest = a == 0 ? magB : std::gcd(magA, magB);
  uint64_t scale = 1;
  const auto take = [&](uint64_t p) {
    const int32_t fromB = valuation(magB, p) / 3;
    const int32_t k = a == 0 ? fromB : std::min(valuation(magA, p), fromB);
    scale *= power(p, k);
  };
  for (uint64_t p = 2; p <= kLargestScalePrime && p * p <= rest; ++p) {
    if (rest % p != 0) continue;
    take(p);
    while (rest % p == 0) rest /= p;
  }
  // What is left is 1, a prime (the loop passed its square root), or has
  // only primes beyond 1290, whose cubes do not divide B.
  if (rest > 1 && rest <= kLargestScalePrime) take(rest);
  // scale^3 | B, so scale <= 1290 and the quotients are exact.
  const auto d = static_cast<int64_t>(scale);
  return {a / d, b / (d * d * d), scale};
}

bool firstOfClassInBox(const Box& box, int32_t a, int32_t b) {
  const PairClass c = pairClass(a, b);
  if (c.a0 == 0 && c.b0 == 0) return true;  // (0, 0) is its class alone
  // Along d, the pairs (d A0, d^3 B0) of the class move through the scan
  // order monotonically: by A when A0 != 0, else by B. Those in the box
  // have their d in an interval (each coefficient's range is one in d),
  // 0 left out, so (a, b) comes first exactly when the class's pair just
  // before it in scan order lies outside the box.
  const bool forward = c.a0 != 0 ? c.a0 > 0 : c.b0 > 0;
  const auto d = static_cast<int64_t>(c.scale);
  // Forward, d - 1 precedes d, skipping 0 (-1 precedes 1); backward, d + 1.
  const int64_t before = forward ? (d == 1 ? -1 : d - 1) : d + 1;
  // |before| <= d + 1, so |before A0| <= |A| + |A0| <= 2^32; with B != 0,
  // d <= 1290 and |before^3 B0| <= 8 d^3 |B0| = 8 |B| <= 2^34.
  const int64_t beforeB = c.b0 == 0 ? 0 : before * before * before * c.b0;
  return !inBox(box, before * c.a0, beforeB);
}

}  // namespace velrin::cli
