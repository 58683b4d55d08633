#pragma once

// Deterministic sampling for the comparisons of the fast algorithms with the
// plain ones. The generator is SplitMix64 written out, so that a failing
// sample names the same inputs on every compiler and standard library.

#include <cstdint>
#include <vector>

namespace velrin::differential {

class SplitMix64 {
 public:
  explicit SplitMix64(uint64_t seed) : state_(seed) {}

  uint64_t next() {
    state_ += 0x9e3779b97f4a7c15ULL;
    uint64_t z = state_;
    z = (z ^ (z >> 30U)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27U)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31U);
  }

  /// A value in [low, high]; low <= high. The slight bias of the remainder
  /// does not matter for sampling.
  int64_t between(int64_t low, int64_t high) {
    const uint64_t width = static_cast<uint64_t>(high) - static_cast<uint64_t>(low) + 1;
    const uint64_t offset = width == 0 ? next() : next() % width;
    return static_cast<int64_t>(static_cast<uint64_t>(low) + offset);
  }

  bool oneIn(uint64_t n) { return next() % n == 0; }

 private:
  uint64_t state_;
};

/// The primes up to limit, by a sieve of Eratosthenes written here rather
/// than read from the program's table, so the two can be checked against
/// each other.
inline std::vector<int32_t> primesUpTo(int32_t limit) {
  std::vector<bool> composite(static_cast<size_t>(limit) + 1, false);
  std::vector<int32_t> primes;
  for (int64_t n = 2; n <= limit; ++n) {
    if (composite[static_cast<size_t>(n)]) continue;
    primes.push_back(static_cast<int32_t>(n));
    for (int64_t k = n * n; k <= limit; k += n) composite[static_cast<size_t>(k)] = true;
  }
  return primes;
}

/// True when n is prime, by trial division; n below 2^40 keeps it quick.
inline bool isPrimeByTrialDivision(uint64_t n) {
  if (n < 2) return false;
  for (uint64_t d = 2; d * d <= n; d += d == 2 ? 1 : 2) {
    if (n % d == 0) return false;
  }
  return true;
}

}  // namespace velrin::differential
