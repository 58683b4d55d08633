#include "arith/wide_modular.hpp"

#include <algorithm>
#include <cmath>

#include "arith/modular.hpp"
#include "arith/montgomery.hpp"

namespace velrin {

namespace {

constexpr __uint128_t kWord = __uint128_t{1} << 64U;

/// Returns a + b mod m; a, b < m; the sum is never formed when it would
/// pass m, so no carry is lost for m up to 2^128 - 1.
__uint128_t addMod(__uint128_t a, __uint128_t b, __uint128_t m) {
  return a >= m - b ? a - (m - b) : a + b;
}

int32_t trailingZeros(__uint128_t x) {
  const auto low = static_cast<uint64_t>(x);
  if (low != 0) return __builtin_ctzll(low);
  return 64 + __builtin_ctzll(static_cast<uint64_t>(x >> 64U));
}

}  // namespace

__uint128_t residueWide(__int128_t n, __uint128_t m) {
  // The magnitude in unsigned form, so that -2^127 needs no negation.
  const __uint128_t magnitude =
      n < 0 ? 0 - static_cast<__uint128_t>(n) : static_cast<__uint128_t>(n);
  // A 64-bit division costs a fraction of a 128-bit one: used when both fit.
  const __uint128_t r = magnitude >> 64U == 0 && m >> 64U == 0
                            ? static_cast<uint64_t>(magnitude) % static_cast<uint64_t>(m)
                            : magnitude % m;
  return n < 0 && r != 0 ? m - r : r;
}

__uint128_t mulModWide(__uint128_t a, __uint128_t b, __uint128_t m) {
  a %= m;
  b %= m;
  if (m < kWord)
    return mulMod(static_cast<uint64_t>(a), static_cast<uint64_t>(b), static_cast<uint64_t>(m));
  __uint128_t result = 0;
  for (int32_t bit = 127; bit >= 0; --bit) {
    result = addMod(result, result, m);
    if (((b >> static_cast<uint32_t>(bit)) & 1U) != 0) result = addMod(result, a, m);
  }
  return result;
}

__uint128_t powModWide(__uint128_t base, __uint128_t exp, __uint128_t m) {
  if (m < kWord) {
    // The exponent's top half matters only through its effect modulo the
    // group order, so it cannot be dropped: walk it in two halves.
    const auto small = static_cast<uint64_t>(m);
    const uint64_t b = static_cast<uint64_t>(base % m);
    const uint64_t high =
        powMod(powMod(b, static_cast<uint64_t>(exp >> 64U), small), uint64_t{1} << 32U, small);
    return mulMod(powMod(high, uint64_t{1} << 32U, small),
                  powMod(b, static_cast<uint64_t>(exp), small), small);
  }
  if ((m & 1U) != 0 && m >> 127U == 0) {
    const Montgomery128 field(m);
    return field.fromForm(field.power(field.toForm(base), exp));
  }
  __uint128_t result = 1;
  base %= m;
  for (; exp > 0; exp >>= 1U) {
    if ((exp & 1U) != 0) result = mulModWide(result, base, m);
    base = mulModWide(base, base, m);
  }
  return result;
}

__uint128_t gcdWide(__uint128_t a, __uint128_t b) {
  if (a == 0) return b;
  if (b == 0) return a;
  // Binary gcd: the common power of 2, then odd differences.
  const int32_t shift = std::min(trailingZeros(a), trailingZeros(b));
  a >>= static_cast<uint32_t>(trailingZeros(a));
  while (b != 0) {
    b >>= static_cast<uint32_t>(trailingZeros(b));
    if (a > b) {
      const __uint128_t t = a;
      a = b;
      b = t;
    }
    b -= a;
  }
  return a << static_cast<uint32_t>(shift);
}

__uint128_t squareRootFloor(__uint128_t n) {
  // A double gives the root to within a few units; then correct exactly,
  // comparing r^2 with n through n / r so that nothing overflows.
  auto r = static_cast<__uint128_t>(std::sqrt(static_cast<double>(n)));
  if (r > 0) r = (r + n / r) / 2;  // one Newton step: the error shrinks to a unit
  while (r > 0 && r > n / r) --r;
  while (r + 1 <= n / (r + 1)) ++r;
  return r;
}

}  // namespace velrin
