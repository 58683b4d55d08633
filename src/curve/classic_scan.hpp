#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "arith/factorize.hpp"
#include "curve/curve_factors.hpp"
#include "curve/local_data.hpp"

namespace velrin {

/// D = B(A^3 - 27B), whose primes are those of the discriminant B^3(A^3 -
/// 27B), formed exactly; nothing when it leaves 64 bits, where the classic
/// rules refuse the curve rather than factorise a wrapped D.
std::optional<int64_t> classicDiscriminant(int64_t a, int64_t b);

/// The classic rules' local stage, from the primes of D.
struct ClassicScan {
  /// D < 2^63 has at most 15 distinct primes.
  static constexpr int32_t kMaxBadPrimes = 15;

  /// The warnings of the original factorisation of D over the prime table.
  FactorizeWarnings warnings;
  /// 3 | D, whether or not 3 stays bad after scaling: the descent seeds its
  /// candidates with 3 and 9 only when 3 does not divide D.
  bool threeDividesD = false;
  int32_t badPrimeCount = 0;  ///< how many data were written
};

/// Classifies by the original program's rules (classifyClassic) every prime
/// of the table (up to 611951) that divides D, in increasing order, and
/// writes the data of the bad ones into badPrimes (room for
/// ClassicScan::kMaxBadPrimes). d is classicDiscriminant(a, b); factors hold
/// its primes (those of B with those of F or F0, as factorCurve gives them).
/// A prime of D beyond the table is left out and raises the end-of-table
/// warning, as the original's walk over the table does.
ClassicScan scanClassic(int64_t a, int64_t b, int64_t d, const CurveFactors& factors,
                        std::span<LocalDatum> badPrimes);

}  // namespace velrin
