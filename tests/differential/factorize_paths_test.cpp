// factorize (trial division below 1000, then Miller-Rabin and Pollard's
// rho, through primeFactors) against the original's trial division over the
// whole prime table (factorizeByTable, the plain reference): on
// every value both must record the same table primes in the same slots,
// leave the other slots alone and print the same warnings.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "arith/factorize.hpp"
#include "arith/prime_table.hpp"
#include "differential/sampling.hpp"
#include "reference/plain_paths.hpp"
#include "render/text_report.hpp"
#include "support/captured_output.hpp"

namespace velrin {
namespace {

using differential::isPrimeByTrialDivision;
using differential::SplitMix64;

constexpr int32_t kUntouched = -7;

struct Factorization {
  std::array<int32_t, 20> slots;
  std::string printed;
};

template <typename Factorizer>
Factorization run(Factorizer factorizer, int64_t n) {
  Factorization result;
  result.slots.fill(kUntouched);
  OutputBuffer out;
  appendFactorizeWarnings(factorizer(n, result.slots), out);
  result.printed = std::string(out.view());
  return result;
}

// Compares the two paths on n; returns false on a difference so that a loop
// over thousands of values can stop after a few reports.
bool pathsAgree(int64_t n) {
  using Factorizer = FactorizeWarnings (*)(int64_t, std::span<int32_t>);
  const Factorization plain = run(static_cast<Factorizer>(&factorizeByTable), n);
  const Factorization fast = run(static_cast<Factorizer>(&factorize), n);
  EXPECT_EQ(fast.slots, plain.slots) << "n = " << n;
  EXPECT_EQ(fast.printed, plain.printed) << "n = " << n;
  return fast.slots == plain.slots && fast.printed == plain.printed;
}

// Primes just above the table: the first ones that neither path may record.
std::vector<uint64_t> primesAboveTable(int32_t count) {
  std::vector<uint64_t> primes;
  for (uint64_t n = PrimeTable::kLargestPrime + 1; static_cast<int32_t>(primes.size()) < count;
       ++n) {
    if (isPrimeByTrialDivision(n)) primes.push_back(n);
  }
  return primes;
}

// A random prime of [low, high], checked by trial division; high < 2^40.
uint64_t primeBetween(SplitMix64& rng, uint64_t low, uint64_t high) {
  for (;;) {
    const auto n = static_cast<uint64_t>(
        rng.between(static_cast<int64_t>(low), static_cast<int64_t>(high)) | 1);
    if (isPrimeByTrialDivision(n)) return n;
  }
}

// Multiplies factor^exponent into n while the product stays below 2^63.
bool multiplyInto(__int128_t& n, uint64_t factor, int32_t exponent) {
  __int128_t product = n;
  for (int32_t e = 0; e < exponent; ++e) {
    product *= factor;
    if (product > std::numeric_limits<int64_t>::max()) return false;
  }
  n = product;
  return true;
}

TEST(FactorizePaths, AgreeOnEveryValueUpToThreeThousand) {
  for (int64_t n = -3000; n <= 3000; ++n) {
    if (!pathsAgree(n)) break;
  }
}

TEST(FactorizePaths, AgreeAtTheEndsOfTheRange) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  constexpr auto kLimit = static_cast<int64_t>(kFactorizeRangeLimit);
  const std::vector<int64_t> values = {
      kMax, kMax - 1, kMin, kMin + 1, kMin + 2, kLimit, kLimit + 1, kLimit - 1, -kLimit,
      -kLimit - 1, -kLimit + 1,
      // 2^63 - 25 and 2^62 - 57 are prime, 2^61 - 1 is a Mersenne prime.
      9223372036854775783LL, -9223372036854775783LL, 4611686018427387847LL, 2305843009213693951LL,
      2 * 2305843009213693951LL, 3 * 2305843009213693951LL,
      // Powers of two and three at the top of the range.
      int64_t{1} << 62, -(int64_t{1} << 62), 4052555153018976267LL /* 3^39 */,
      2 * 1350851717672992089LL /* 2 * 3^38 */, -6 * 1350851717672992089LL};
  for (const int64_t n : values) {
    if (!pathsAgree(n)) break;
  }
}

TEST(FactorizePaths, AgreeAroundTheEndOfTheTable) {
  // The table's last primes, the first primes beyond it, their products
  // and powers: the end-of-table warning depends on the largest prime
  // factor alone, and a factor beyond the table is never recorded.
  const std::vector<uint64_t> beyond = primesAboveTable(6);
  std::vector<uint64_t> inside;
  const PrimeTable& table = PrimeTable::instance();
  for (int32_t slot = PrimeTable::kSlots - 6; slot < PrimeTable::kSlots; ++slot) {
    inside.push_back(static_cast<uint64_t>(table[slot]));
  }
  std::vector<uint64_t> edge = inside;
  edge.insert(edge.end(), beyond.begin(), beyond.end());
  for (const uint64_t p : edge) {
    for (const uint64_t q : edge) {
      for (const uint64_t small : {1ULL, 2ULL, 3ULL, 1000003ULL /* prime */, 997ULL * 991ULL}) {
        __int128_t n = 1;
        if (!multiplyInto(n, p, 1) || !multiplyInto(n, q, 1) || !multiplyInto(n, small, 1)) {
          continue;
        }
        if (!pathsAgree(static_cast<int64_t>(n)) || !pathsAgree(-static_cast<int64_t>(n))) return;
      }
    }
    for (int32_t e = 1; e <= 3; ++e) {
      __int128_t n = 1;
      if (multiplyInto(n, p, e) && !pathsAgree(static_cast<int64_t>(n))) return;
    }
  }
}

TEST(FactorizePaths, AgreeOnRandomProductsOfPrimesOfEverySize) {
  // Each value is a product of primes drawn from one of four ranges, with
  // exponents up to 4: small primes that trial division takes out, primes
  // of the table above 1000 that Pollard's rho must split (repeated ones
  // included), and primes beyond the table, which only raise the warning.
  struct Range {
    const char* name;
    uint64_t low;
    uint64_t high;
  };
  const std::vector<Range> ranges = {
      {"below 1000", 2, 997},
      {"table above 1000", 1009, PrimeTable::kLargestPrime},
      {"beyond the table", PrimeTable::kLargestPrime + 1, 4000000000ULL},
      {"near 2^31", 2147000000ULL, 2147483647ULL},
  };
  SplitMix64 rng(0xfac7011e5ULL);
  int32_t compared = 0;
  int32_t withFactorBeyondTable = 0;
  for (int32_t sample = 0; sample < 3000; ++sample) {
    __int128_t n = 1;
    bool beyondTable = false;
    const auto factors = static_cast<int32_t>(rng.between(1, 8));
    for (int32_t f = 0; f < factors; ++f) {
      const Range& range = ranges[static_cast<size_t>(rng.between(0, 3))];
      const uint64_t p = primeBetween(rng, range.low, range.high);
      const auto exponent = static_cast<int32_t>(rng.oneIn(3) ? rng.between(2, 4) : 1);
      if (multiplyInto(n, p, exponent)) beyondTable |= p > PrimeTable::kLargestPrime;
    }
    const auto value = static_cast<int64_t>(rng.oneIn(2) ? -n : n);
    SCOPED_TRACE(testing::Message() << "sample " << sample << ": n = " << value);
    if (!pathsAgree(value)) break;
    ++compared;
    if (beyondTable) ++withFactorBeyondTable;
  }
  // The sample must reach both outcomes of the table walk.
  EXPECT_EQ(compared, 3000);
  EXPECT_GE(withFactorBeyondTable, 500);
  EXPECT_LE(withFactorBeyondTable, 2500);
}

TEST(FactorizePaths, AgreeOnSemiprimesOfTwoLargePrimes) {
  // The hardest values for Pollard's rho: two primes of similar size, both
  // beyond the table or one inside it, and squares of such primes.
  SplitMix64 rng(0x5e31u);
  for (int32_t sample = 0; sample < 200; ++sample) {
    const bool oneInside = sample % 2 == 0;
    const uint64_t p = oneInside ? primeBetween(rng, 100000, PrimeTable::kLargestPrime)
                                 : primeBetween(rng, 1000000000ULL, 3037000000ULL);
    const uint64_t q = primeBetween(rng, 1000000000ULL, 3037000000ULL);
    for (const uint64_t second : {q, p}) {
      __int128_t n = 1;
      if (!multiplyInto(n, p, 1) || !multiplyInto(n, second, 1)) continue;
      SCOPED_TRACE(testing::Message() << p << " * " << second);
      if (!pathsAgree(static_cast<int64_t>(n))) return;
    }
  }
}

}  // namespace
}  // namespace velrin
