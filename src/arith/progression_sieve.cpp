#include "arith/progression_sieve.hpp"

#include <algorithm>
#include <bit>
#include <cstddef>

#include "arith/prime_table.hpp"
#include "arith/wide_modular.hpp"

namespace velrin {

namespace {

/// An odd prime of the table with its inverse modulo 2^64 and
/// limit = floor((2^64 - 1) / p). The limit serves twice: n is a multiple
/// of p exactly when n p^-1 mod 2^64 <= limit, and mulhi(x, limit) is
/// floor(x / p) or one or two less, a division without a divide.
struct SievePrime {
  uint64_t inverse;
  uint64_t limit;
  uint32_t p;
};

/// The odd primes of the table, 3 to 611951, built on first use and
/// constant afterwards.
const std::vector<SievePrime>& oddPrimes() {
  static const std::vector<SievePrime> primes = [] {
    const PrimeTable& table = PrimeTable::instance();
    std::vector<SievePrime> built;
    built.reserve(PrimeTable::kSlots - 2);
    for (int32_t slot = 2; slot < PrimeTable::kSlots; ++slot) {
      const auto p = static_cast<uint64_t>(table[slot]);
      // Newton's iteration doubles the correct low bits of the inverse.
      uint64_t inverse = p;
      for (int i = 0; i < 5; ++i) inverse *= 2 - p * inverse;
      built.push_back({inverse, UINT64_MAX / p, static_cast<uint32_t>(p)});
    }
    return built;
  }();
  return primes;
}

/// x mod p for any 64-bit x, by the limit's reciprocal.
uint64_t reduce(uint64_t x, const SievePrime& prime) {
  const auto q = static_cast<uint64_t>((static_cast<__uint128_t>(x) * prime.limit) >> 64U);
  uint64_t r = x - q * prime.p;
  while (r >= prime.p) r -= prime.p;
  return r;
}

/// Returns x^-1 mod p for x prime to p, by the extended Euclidean
/// algorithm; p below 2^32, so every quantity fits in 64 bits.
uint64_t inverseMod(uint64_t x, uint64_t p) {
  int64_t r0 = static_cast<int64_t>(p);
  int64_t r1 = static_cast<int64_t>(x % p);
  int64_t t0 = 0;
  int64_t t1 = 1;
  while (r1 != 0) {
    const int64_t q = r0 / r1;
    const int64_t r2 = r0 - q * r1;
    const int64_t t2 = t0 - q * t1;
    r0 = r1;
    r1 = r2;
    t0 = t1;
    t1 = t2;
  }
  return static_cast<uint64_t>(t0 < 0 ? t0 + static_cast<int64_t>(p) : t0);
}

uint64_t magnitudeOf(__int128_t n) { return static_cast<uint64_t>(n < 0 ? -n : n); }

}  // namespace

void ProgressionSieve::preparePrimes() { (void)oddPrimes(); }

ProgressionSieve::ProgressionSieve(uint32_t capacity) : terms_(capacity) {}

bool ProgressionSieve::factor(int64_t c, int64_t s, uint32_t n, uint32_t primesPerTerm) {
  // Terms below 2^62 with n and |s| far below 2^32: c + s k fits in 128
  // bits with room, and so does every product below.
  const __int128_t first = c;
  const __int128_t last = static_cast<__int128_t>(c) + static_cast<__int128_t>(s) * (n - 1);
  const uint64_t largest = std::max(magnitudeOf(first), magnitudeOf(last));
  // Every composite term has a prime factor up to the square root of the
  // largest, so sieving by the primes up to `bound` leaves 1 or a prime.
  const auto bound = static_cast<uint64_t>(squareRootFloor(largest));
  if (bound > static_cast<uint64_t>(PrimeTable::kLargestPrime)) return false;
  const std::vector<SievePrime>& primes = oddPrimes();
  const auto end = std::upper_bound(primes.begin(), primes.end(), bound,
                                    [](uint64_t x, const SievePrime& p) { return x < p.p; });
  const auto primeCount = static_cast<size_t>(end - primes.begin());
  if (primeCount > static_cast<size_t>(primesPerTerm) * n) return false;

  for (uint32_t k = 0; k < n; ++k) {
    Term& term = terms_[k];
    term.cofactor = magnitudeOf(first + static_cast<__int128_t>(s) * k);
    term.count = 0;
  }
  const uint64_t step = magnitudeOf(s);
  const bool stepNegative = s < 0;

  // 2: the terms alternate in parity when s is odd, else share c's.
  if (bound >= 2) {
    const bool allEven = (step & 1U) == 0;
    if (!allEven || (c & 1) == 0) {
      const uint32_t start = allEven ? 0 : static_cast<uint32_t>(c & 1);
      const uint32_t stride = allEven ? 1 : 2;
      for (uint32_t k = start; k < n; k += stride) {
        Term& term = terms_[k];
        if (term.cofactor == 0) continue;
        const int twos = std::countr_zero(term.cofactor);
        term.cofactor >>= twos;
        term.exponents[term.count] = static_cast<uint8_t>(twos);
        term.primes[term.count++] = 2;
      }
    }
  }

  // The inverses of s modulo the primes are kept while s stays the same
  // (0 for a prime that divides s).
  if (step != inverseStep_) {
    inverses_.clear();
    inverseStep_ = step;
  }
  while (inverses_.size() < primeCount) {
    const SievePrime& prime = primes[inverses_.size()];
    const uint64_t sModP = reduce(step, prime);
    inverses_.push_back(sModP == 0 ? 0 : static_cast<uint32_t>(inverseMod(sModP, prime.p)));
  }
  for (size_t i = 0; i < primeCount; ++i) {
    const SievePrime& prime = primes[i];
    const uint64_t p = prime.p;
    uint64_t start = 0;
    uint32_t stride = prime.p;
    if (inverses_[i] == 0) {
      // p divides s: every term or none.
      if (reduce(magnitudeOf(c), prime) != 0) continue;
      stride = 1;
    } else {
      // c + s k = 0 (mod p) at k = -c / s; both signs folded in.
      const uint64_t cModP = reduce(magnitudeOf(c), prime);
      const bool negate = (c < 0) == stepNegative;  // -c/s = -|c|/|s| when the signs agree
      const uint64_t ratio = reduce(cModP * inverses_[i], prime);
      start = negate && ratio != 0 ? p - ratio : (negate ? 0 : ratio);
    }
    for (uint64_t k = start; k < n; k += stride) {
      Term& term = terms_[k];
      if (term.cofactor == 0) continue;            // every prime divides 0
      uint64_t v = term.cofactor * prime.inverse;  // the exact quotient by p
      uint8_t exponent = 1;
      for (; v * prime.inverse <= prime.limit; ++exponent) v *= prime.inverse;
      term.cofactor = v;
      term.exponents[term.count] = exponent;
      term.primes[term.count++] = prime.p;
    }
  }
  return true;
}

}  // namespace velrin
