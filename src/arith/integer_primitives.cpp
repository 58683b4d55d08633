#include "arith/integer_primitives.hpp"

namespace velrin {

int32_t valuation(int64_t n, int32_t p) {
  if (n == 0) return kValuationOfZero;
  // Work on the magnitude in unsigned form, so that -2^63 needs no negation.
  uint64_t magnitude = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
  const auto prime = static_cast<uint64_t>(p);
  int32_t k = 0;
  while (magnitude % prime == 0) {
    ++k;
    magnitude /= prime;
  }
  return k;
}

int64_t power(int32_t base, int32_t exp) {
  int64_t result = 1;
  for (int32_t i = 0; i < exp; ++i) result = wrappingMul(result, base);
  return result;
}

int64_t residue(int64_t n, int64_t m) {
  const int64_t r = n % m;  // the sign of n; |r| < m, so r + m cannot overflow
  return r < 0 ? r + m : r;
}

int64_t residue(__int128_t n, int64_t m) {
  const auto r = static_cast<int64_t>(n % m);
  return r < 0 ? r + m : r;
}

namespace {

// The least i in [0, m) whose image under the given power map is n modulo m;
// i^2 and i * (i^2 mod m) stay below (m - 1)^2 < 2^40, so they are exact.
template <bool kCube>
int32_t leastRootMod(int64_t n, int32_t m) {
  if (m < 1) return -1;
  const int64_t target = residue(n, static_cast<int64_t>(m));
  for (int32_t i = 0; i < m; ++i) {
    const int64_t square = static_cast<int64_t>(i) * i;
    const int64_t value = kCube ? static_cast<int64_t>(i) * (square % m) : square;
    if (value % m == target) return i;
  }
  return -1;
}

}  // namespace

int32_t cubeRootMod(int64_t n, int32_t m) { return leastRootMod<true>(n, m); }

int32_t squareRootMod(int64_t n, int32_t m) { return leastRootMod<false>(n, m); }

}  // namespace velrin
