#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace velrin {

/// The first 49,999 primes, 2 to 611951: slot k (1 <= k <= 49999) holds the
/// k-th prime and slot 0 holds 0. These are the only primes that the
/// program recognises as bad primes.
class PrimeTable {
 public:
  static constexpr int32_t kSlots = 50000;
  static constexpr int32_t kLargestPrime = 611951;

  /// The one table, sieved on first use and constant afterwards.
  static const PrimeTable& instance();

  int32_t operator[](int32_t slot) const { return slots_[static_cast<size_t>(slot)]; }

 private:
  PrimeTable();
  std::array<int32_t, kSlots> slots_{};
};

}  // namespace velrin
