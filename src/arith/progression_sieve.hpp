#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace velrin {

/// Factors every term of a short arithmetic progression at once: the
/// values v_k = c + s k for 0 <= k < n. A prime p not dividing s divides
/// v_k exactly on one class of k modulo p, k = -c / s (mod p), so striking
/// out that class for every p up to the square root of the largest |v_k|
/// leaves each term a cofactor that is 1 or a prime (proven by its size).
/// The primes that divide s divide every term or none and are found by
/// division. One sieve serves any number of progressions in turn; it holds
/// 88 bytes a term (88 KiB for 1024 terms, a segment that stays in the
/// caches) and allocates only to remember, for each step s in turn, its
/// inverses modulo the primes it has needed.
class ProgressionSieve {
 public:
  /// A number below 2^63 has at most 15 distinct primes (the product of
  /// the first 16 exceeds 2^63); all but the last lie below the prime
  /// table's bound.
  static constexpr int32_t kMaxSmallPrimes = 14;

  /// A sieve for progressions of up to `capacity` terms; capacity >= 1.
  explicit ProgressionSieve(uint32_t capacity);

  uint32_t capacity() const { return static_cast<uint32_t>(terms_.size()); }

  /// Builds the table of odd primes with their inverses that every sieve
  /// shares, which the first factor() builds otherwise. Thread-safe.
  static void preparePrimes();

  /// Factors |c + s k| for 0 <= k < n; 1 <= n <= capacity(), s != 0, every
  /// term of magnitude below 2^62 (computed exactly in 128 bits). Returns
  /// false, and factors nothing, when the sieve would need primes beyond
  /// the prime table (terms above about 3.7 * 10^11) or more than
  /// `primesPerTerm` sieving primes for each term, where the terms are
  /// better factored one by one.
  bool factor(int64_t c, int64_t s, uint32_t n, uint32_t primesPerTerm = 64);

  /// The distinct primes of |v_k| up to the sieving bound, increasing,
  /// from the last successful factor(); none for |v_k| = 1 and for v_k = 0
  /// (see isZero).
  std::span<const uint32_t> smallPrimes(uint32_t k) const {
    return {terms_[k].primes.data(), terms_[k].count};
  }
  /// The one prime of |v_k| beyond the sieving bound, larger than every
  /// small prime, or 1 when there is none.
  uint64_t largePrime(uint32_t k) const { return terms_[k].cofactor; }
  /// The exponent of each of smallPrimes(k) in |v_k|, in the same order
  /// (the large prime's is 1: its square would exceed the term).
  std::span<const uint8_t> smallExponents(uint32_t k) const {
    return {terms_[k].exponents.data(), terms_[k].count};
  }
  bool isZero(uint32_t k) const { return terms_[k].cofactor == 0; }

 private:
  struct Term {
    uint64_t cofactor = 0;  ///< |v_k| with the primes found so far removed
    std::array<uint32_t, kMaxSmallPrimes> primes{};
    std::array<uint8_t, kMaxSmallPrimes> exponents{};  ///< at most 62 each
    uint32_t count = 0;
  };

  std::vector<Term> terms_;
  std::vector<uint32_t> inverses_;  ///< |s|^-1 mod the i-th odd prime, 0 where p | s
  uint64_t inverseStep_ = 0;        ///< the |s| of inverses_
};

}  // namespace velrin
