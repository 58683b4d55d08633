#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace velrin {

/// The distinct prime factors of a positive integer below 2^127, in
/// increasing order. A number below 2^127 has at most 27 distinct primes
/// (the product of the first 28 exceeds 2^127).
class PrimeFactors {
 public:
  static constexpr int32_t kMaxPrimes = 27;

  std::span<const __uint128_t> primes() const {
    return {primes_.data(), static_cast<size_t>(count_)};
  }
  /// False when a factor could not be split (then primes() holds what was
  /// found and the caller must not treat it as complete).
  bool complete() const { return complete_; }

  void add(__uint128_t p);  ///< appends a prime, keeping the order; no duplicates
  void markIncomplete() { complete_ = false; }

 private:
  std::array<__uint128_t, kMaxPrimes> primes_{};
  int32_t count_ = 0;
  bool complete_ = true;
};

/// Returns the distinct primes of n; 1 <= n < 2^127 (1 has none).
PrimeFactors primeFactors(__uint128_t n);

}  // namespace velrin
