#include "arith/factor_search.hpp"

#include <array>
#include <cmath>
#include <limits>
#include <numeric>

#include "arith/montgomery.hpp"
#include "arith/wide_modular.hpp"

namespace velrin {

namespace {

template <typename Word>
Word distance(Word a, Word b) {
  return a > b ? a - b : b - a;
}

uint64_t gcdOf(uint64_t a, uint64_t b) { return std::gcd(a, b); }
__uint128_t gcdOf(__uint128_t a, __uint128_t b) { return gcdWide(a, b); }

/// Pollard's rho with Brent's cycle search on x -> x^2 + c modulo n, in
/// Montgomery form; differences are multiplied together so that one gcd
/// serves a batch of steps. Returns a proper divisor, n when the walk
/// closed on n itself (retry with another c), or 1 when the budget of
/// squarings ran out; `steps` counts them across calls.
template <typename Field, typename Word>
Word brentWalk(const Field& field, Word n, Word c, uint64_t maxSteps, uint64_t& steps) {
  constexpr uint64_t kBatch = 128;
  Word y = field.add(field.one(), field.one());
  Word x = y;
  Word saved = y;
  Word product = field.one();
  Word g = 1;
  for (uint64_t stretch = 1; g == 1; stretch *= 2) {
    if (steps >= maxSteps) return 1;
    x = y;
    for (uint64_t i = 0; i < stretch; ++i) y = field.add(field.multiply(y, y), c);
    for (uint64_t done = 0; done < stretch && g == 1; done += kBatch) {
      saved = y;
      const uint64_t count = stretch - done < kBatch ? stretch - done : kBatch;
      for (uint64_t i = 0; i < count; ++i) {
        y = field.add(field.multiply(y, y), c);
        product = field.multiply(product, distance(x, y));
      }
      g = gcdOf(product, n);
    }
    steps += 2 * stretch;
  }
  if (g == n) {
    // The batch overshot: step again one at a time from its start.
    do {
      saved = field.add(field.multiply(saved, saved), c);
      g = gcdOf(distance(x, saved), n);
    } while (g == 1);
  }
  return g;
}

/// Returns r^k, or 0 when it reaches 2^127; r >= 2.
__uint128_t powerBelowLimit(__uint128_t r, uint32_t k) {
  __uint128_t value = 1;
  for (uint32_t i = 0; i < k; ++i) {
    if (value > (__uint128_t{1} << 127U) / r) return 0;
    value *= r;
  }
  return value;
}

}  // namespace

uint64_t findDivisor(uint64_t n) {
  const Montgomery64 field(n);
  uint64_t steps = 0;
  for (uint64_t c = 1;; ++c) {
    const uint64_t g = brentWalk(field, n, c, std::numeric_limits<uint64_t>::max(), steps);
    if (g != n) return g;
  }
}

__uint128_t findDivisorWide(__uint128_t n, uint64_t maxSteps) {
  const Montgomery128 field(n);
  uint64_t steps = 0;
  for (__uint128_t c = 1; steps < maxSteps; ++c) {
    const __uint128_t g = brentWalk(field, n, c, maxSteps, steps);
    if (g == 1) return 0;
    if (g != n) return g;
  }
  return 0;
}

__uint128_t perfectPowerRoot(__uint128_t n) {
  const __uint128_t root = squareRootFloor(n);
  if (root * root == n) return root;
  static constexpr std::array<uint32_t, 4> kExponents = {3, 5, 7, 11};
  for (const uint32_t k : kExponents) {
    // From k = 3 on the roots are below 2^43, where a double's k-th root is
    // within one unit of the true one; try the three nearest.
    const double estimate = std::round(std::pow(static_cast<double>(n), 1.0 / k));
    const auto centre = static_cast<__uint128_t>(estimate);
    for (__uint128_t r = centre > 2 ? centre - 1 : 2; r <= centre + 1; ++r) {
      if (powerBelowLimit(r, k) == n) return r;
    }
  }
  return 0;
}

}  // namespace velrin
