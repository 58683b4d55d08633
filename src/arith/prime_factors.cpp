#include "arith/prime_factors.hpp"

#include <algorithm>
#include <cstddef>

#include "arith/factor_search.hpp"
#include "arith/pari_factor.hpp"
#include "arith/trial_division.hpp"

namespace velrin {

namespace {

// Pollard-Brent squarings spent on a wide composite before it goes to the
// PARI library: they find a factor up to about 2^26 (see bench/RESULTS.md).
constexpr uint64_t kWideRhoSteps = uint64_t{1} << 13U;

/// Splits a wide composite m (odd, 2^64 <= m < 2^127, no prime factor
/// below 1000, no perfect power) into parts whose primes are those of m,
/// each pushed onto `pending` (which has room for 13 more).
void splitWide(__uint128_t m, std::span<__uint128_t> pending, size_t& pendingCount) {
  __uint128_t d = findDivisorWide(m, kWideRhoSteps);
  if (d == 0) {
    // No small factor: the library's quadratic sieve splits two primes near
    // 2^47 in about 1.5 ms where rho needs about 2^24 steps. Its answer is
    // checked: every part must divide m, and what they leave is kept.
    std::array<__uint128_t, 16> parts{};
    const size_t count = pariPrimeFactors(m, parts);
    __uint128_t rest = m;
    for (size_t i = 0; i < count; ++i) {
      const __uint128_t q = parts[i];
      if (q < 2 || q == m || rest % q != 0) continue;
      while (rest % q == 0) rest /= q;
      pending[pendingCount++] = q;
    }
    if (rest == 1) return;
    if (rest != m) {
      pending[pendingCount++] = rest;
      return;
    }
    // The library failed or did not split m: rho always ends.
    d = findDivisorWide(m, UINT64_MAX);
  }
  pending[pendingCount++] = d;
  pending[pendingCount++] = m / d;
}

// Above psi_13 (about 2^81.5) no set of Miller-Rabin bases is proven, and
// the Baillie-PSW test that isPrimeWide runs there is only conjectured to
// be exact; every report is to be a theorem, so such a probable prime is
// proven prime by the PARI library's APRCL test (about 1 ms at 2^94).
constexpr __uint128_t kMillerRabinProven = (__uint128_t{179817} << 64U) + 5885577656943027709U;

// True when m is prime, proven; m below 2^127.
bool isProvenPrime(__uint128_t m) {
  if (m >> 64U == 0) return isPrime(static_cast<uint64_t>(m));
  if (!isPrimeWide(m)) return false;
  // A library failure keeps the Baillie-PSW verdict, to which no
  // counterexample is known.
  return m < kMillerRabinProven || pariProvesPrime(m) != 0;
}

}  // namespace

void PrimeFactors::add(__uint128_t p) {
  const auto end = primes_.begin() + count_;
  const auto at = std::lower_bound(primes_.begin(), end, p);
  if (at != end && *at == p) return;
  std::copy_backward(at, end, end + 1);
  *at = p;
  ++count_;
}

PrimeFactors primeFactors(__uint128_t n) {
  PrimeFactors result;
  if (n == 0) {
    result.markIncomplete();  // every prime divides 0: no finite answer
    return result;
  }
  n = removeSmallPrimes(n, result);
  if (n == 1) return result;
  if (n < static_cast<__uint128_t>(kTrialBound) * kTrialBound) {
    result.add(n);  // no factor up to its square root
    return result;
  }
  // What is left has no prime factor below 1000. The parts on the stack
  // always multiply to a divisor of it and each exceeds 1000, so there are
  // at most 12 of them (1000^13 > 2^128).
  std::array<__uint128_t, 32> pending{};
  size_t pendingCount = 0;
  pending[pendingCount++] = n;
  while (pendingCount > 0) {
    const __uint128_t m = pending[--pendingCount];
    if (m >> 127U != 0) {
      result.markIncomplete();  // beyond the Montgomery arithmetic
      continue;
    }
    if (isProvenPrime(m)) {
      result.add(m);
      continue;
    }
    if (const __uint128_t root = perfectPowerRoot(m); root != 0) {
      pending[pendingCount++] = root;
      continue;
    }
    if (m >> 64U != 0) {
      splitWide(m, pending, pendingCount);
      continue;
    }
    const uint64_t d = findDivisor(static_cast<uint64_t>(m));
    pending[pendingCount++] = d;
    pending[pendingCount++] = static_cast<uint64_t>(m) / d;
  }
  return result;
}

}  // namespace velrin
