#include "curve/minimal_model.hpp"

#include <cstdint>

namespace velrin {

namespace {

__uint128_t magnitudeOf(__int128_t n) {
  return n < 0 ? 0 - static_cast<__uint128_t>(n) : static_cast<__uint128_t>(n);
}

}  // namespace

int32_t valuationWide(__int128_t n, __uint128_t p) {
  __uint128_t m = magnitudeOf(n);
  if (m == 0) return 0;
  int32_t k = 0;
  // A 64-bit division costs a fraction of a 128-bit one: use it whenever
  // both operands fit.
  // And a 32-bit one less again: B0, A0 and the F0 of small families fit.
  if (m >> 32U == 0 && p >> 32U == 0) {
    auto word = static_cast<uint32_t>(m);
    const auto q = static_cast<uint32_t>(p);
    while (word % q == 0) {
      word /= q;
      ++k;
    }
    return k;
  }
  if (m >> 64U == 0 && p >> 64U == 0) {
    auto small = static_cast<uint64_t>(m);
    const auto q = static_cast<uint64_t>(p);
    while (small % q == 0) {
      small /= q;
      ++k;
    }
    return k;
  }
  while (m % p == 0) {
    m /= p;
    ++k;
  }
  return k;
}

MinimalModel minimalModel(int32_t a, int32_t b, std::span<const __uint128_t> primesOfB) {
  MinimalModel model;
  model.a0 = a;
  model.b0 = b;
  int64_t u = 1;
  for (const __uint128_t p : primesOfB) {
    // p^e with e = min(v_p(A), floor(v_p(B) / 3)) divides u exactly; p^3e
    // divides B, so p^e <= 1290 and every product here is small.
    // A prime that A lacks leaves u alone: tested first, as it is cheaper.
    const int32_t vA = a == 0 ? INT32_MAX : valuationWide(a, p);
    if (vA == 0) continue;
    int32_t e = valuationWide(b, p) / 3;
    if (vA < e) e = vA;
    for (int32_t i = 0; i < e; ++i) u *= static_cast<int64_t>(p);
  }
  model.scale = static_cast<int32_t>(u);
  model.a0 = a / u;
  model.b0 = b / (u * u * u);
  // |a0|^3 <= 2^93 and 27 |b0| < 2^36: the difference fits in 128 bits.
  model.f0 = static_cast<__int128_t>(model.a0) * model.a0 * model.a0 -
             static_cast<__int128_t>(27) * model.b0;
  return model;
}

}  // namespace velrin
