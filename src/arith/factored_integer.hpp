#pragma once

#include <array>
#include <cstdint>

namespace velrin {

/// A positive integer held as its factorisation p1^e1 * ... * pk^ek over
/// distinct primes, so that products of many primes stay exact far beyond
/// 64 bits. Residues and valuations are read off the factors.
class FactoredInteger {
 public:
  static constexpr int32_t kMaxFactors = 17;

  /// The integer 1.
  FactoredInteger() = default;

  /// Returns this integer times p^exponent; p is a prime not yet among the
  /// factors, exponent >= 0, and fewer than kMaxFactors factors are held.
  FactoredInteger times(int32_t p, int32_t exponent) const;

  /// Returns the exponent of the prime p in this integer.
  int32_t valuation(int32_t p) const;

  /// Returns this integer reduced into [0, m); m >= 1.
  int64_t residue(int32_t m) const;

  /// Returns this integer with every factor p removed, reduced into [0, m);
  /// m >= 1.
  int64_t residueWithout(int32_t p, int32_t m) const;

  /// Returns the value when it is below 2^63, else -1.
  int64_t valueIfSmall() const;

 private:
  std::array<int32_t, kMaxFactors> primes_{};
  std::array<int32_t, kMaxFactors> exponents_{};
  int32_t count_ = 0;
};

}  // namespace velrin
