#include "arith/primality.hpp"

#include <array>
#include <cstddef>

#include "arith/montgomery.hpp"
#include "arith/wide_modular.hpp"

namespace velrin {

namespace {

constexpr std::array<uint32_t, 13> kBases = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41};

// psi_k: the least strong pseudoprime to the first k primes together
// (Jaeschke 1993 to k = 8; Jiang and Deng 2014 to k = 11; Sorenson and
// Webster 2017 for k = 12, 13). Below psi_k those k bases decide
// primality; a word below 2^64 needs at most 12, as psi_11 < 2^64 < psi_12.
// The tests check that each psi_k passes the bases it is named after and
// that the next base catches it.
constexpr __uint128_t kPsi12 =
    (__uint128_t{17274} << 64U) + 16800704772356552677U;  // 318665857834031151167461
constexpr std::array<__uint128_t, 13> kLeastPseudoprime = {
    2047U,
    1373653U,
    25326001U,
    3215031751U,
    2152302898747U,
    3474749660383U,
    341550071728321U,
    341550071728321U,
    3825123056546413051U,  // psi_9 = psi_10 = psi_11
    3825123056546413051U,
    3825123056546413051U,
    kPsi12,
    (__uint128_t{179817} << 64U) + 5885577656943027709U,  // 3317044064679887385961981
};

/// Returns the number of leading prime bases that decide primality below
/// n's bound, or 0 when n lies beyond psi_13.
size_t basesNeeded(__uint128_t n) {
  for (size_t k = 0; k < kLeastPseudoprime.size(); ++k) {
    if (n < kLeastPseudoprime[k]) return k + 1;
  }
  return 0;
}

/// Strong probable-prime test to `base` in a Montgomery field of odd n;
/// n - 1 = odd * 2^twos. Works for either word size.
template <typename Field, typename Word>
bool isStrongProbablePrime(const Field& field, Word base, Word odd, int32_t twos) {
  const Word minusOne = field.sub(0, field.one());
  Word x = field.power(field.toForm(base), odd);
  if (x == field.one() || x == minusOne) return true;
  for (int32_t i = 1; i < twos; ++i) {
    x = field.multiply(x, x);
    if (x == minusOne) return true;
  }
  return false;
}

template <typename Field, typename Word>
bool passesPrimeBases(const Field& field, Word n, size_t count) {
  Word odd = n - 1;
  int32_t twos = 0;
  for (; (odd & 1U) == 0; odd >>= 1U) ++twos;
  for (size_t i = 0; i < count; ++i) {
    if (!isStrongProbablePrime<Field, Word>(field, kBases[i], odd, twos)) return false;
  }
  return true;
}

/// Returns the Jacobi symbol (a / n); n odd and positive, any a.
int32_t jacobi(__uint128_t a, __uint128_t n) {
  int32_t result = 1;
  a %= n;
  while (a != 0) {
    for (; (a & 1U) == 0; a >>= 1U) {
      const auto r = static_cast<uint32_t>(n & 7U);
      if (r == 3 || r == 5) result = -result;  // (2 / n) = -1 for n = 3, 5 (mod 8)
    }
    const __uint128_t t = a;
    a = n;
    n = t;
    if ((a & 3U) == 3 && (n & 3U) == 3) result = -result;  // quadratic reciprocity
    a %= n;
  }
  return n == 1 ? result : 0;
}

/// The strong Lucas probable-prime test with Selfridge's parameters: D the
/// first of 5, -7, 9, -11, ... with (D / n) = -1, P = 1, Q = (1 - D) / 4.
/// n is odd, not a square, below 2^127 and has no prime factor below 50.
bool isStrongLucasProbablePrime(__uint128_t n) {
  int64_t d = 5;
  for (;; d = d > 0 ? -(d + 2) : -d + 2) {
    const int32_t symbol = jacobi(residueWide(d, n), n);
    if (symbol == -1) break;
    if (symbol == 0) return false;  // a factor of |D| < n divides n
  }
  const Montgomery128 field(n);
  const __uint128_t dForm = field.toForm(residueWide(d, n));
  const __uint128_t qForm = field.toForm(residueWide((1 - d) / 4, n));
  // n + 1 = odd * 2^twos; U, V and Q^k climb the bits of odd from the top.
  __uint128_t odd = n + 1;
  int32_t twos = 0;
  for (; (odd & 1U) == 0; odd >>= 1U) ++twos;
  __uint128_t u = field.one();
  __uint128_t v = field.one();
  __uint128_t qk = qForm;
  int32_t bit = 127;
  while (((odd >> static_cast<uint32_t>(bit)) & 1U) == 0) --bit;
  for (--bit; bit >= 0; --bit) {
    // U_2k = U_k V_k, V_2k = V_k^2 - 2 Q^k.
    u = field.multiply(u, v);
    v = field.sub(field.multiply(v, v), field.add(qk, qk));
    qk = field.multiply(qk, qk);
    if (((odd >> static_cast<uint32_t>(bit)) & 1U) != 0) {
      // U_k+1 = (U_k + V_k) / 2, V_k+1 = (D U_k + V_k) / 2 for P = 1.
      const __uint128_t next = field.half(field.add(u, v));
      v = field.half(field.add(field.multiply(dForm, u), v));
      u = next;
      qk = field.multiply(qk, qForm);
    }
  }
  if (u == 0 || v == 0) return true;
  for (int32_t r = 1; r < twos; ++r) {
    v = field.sub(field.multiply(v, v), field.add(qk, qk));
    if (v == 0) return true;
    qk = field.multiply(qk, qk);
  }
  return false;
}

}  // namespace

bool isPrime(uint64_t n) {
  if (n < 2) return false;
  for (const uint32_t p : kBases) {
    if (n % p == 0) return n == p;
  }
  if (n < 43 * 43) return true;
  const Montgomery64 field(n);
  return passesPrimeBases<Montgomery64, uint64_t>(field, n, basesNeeded(n));
}

bool isPrimeWide(__uint128_t n) {
  if (n >> 64U == 0) return isPrime(static_cast<uint64_t>(n));
  for (const uint32_t p : kBases) {
    if (n % p == 0) return false;
  }
  if (n >> 127U != 0) return false;  // beyond the Montgomery field; see the contract
  const Montgomery128 field(n);
  const size_t proven = basesNeeded(n);
  if (proven > 0) return passesPrimeBases<Montgomery128, __uint128_t>(field, n, proven);
  if (!passesPrimeBases<Montgomery128, __uint128_t>(field, n, 1)) return false;
  const __uint128_t root = squareRootFloor(n);
  if (root * root == n) return false;  // a square has no D with (D / n) = -1
  return isStrongLucasProbablePrime(n);
}

}  // namespace velrin
