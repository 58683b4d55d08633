// The row sieve against the per-number factoriser: every term of the
// progression must get exactly the distinct primes primeFactors gives.
#include "arith/progression_sieve.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "arith/prime_factors.hpp"

namespace velrin {
namespace {

// Checks every term of c + s k, 0 <= k < n, against primeFactors.
void expectFactorsOfEveryTerm(const ProgressionSieve& sieve, int64_t c, int64_t s, uint32_t n) {
  for (uint32_t k = 0; k < n; ++k) {
    const __int128_t term = static_cast<__int128_t>(c) + static_cast<__int128_t>(s) * k;
    SCOPED_TRACE(testing::Message() << "k = " << k << ", term " << static_cast<int64_t>(term));
    ASSERT_EQ(sieve.isZero(k), term == 0);
    if (term == 0) continue;
    std::vector<__uint128_t> found;
    for (const uint32_t p : sieve.smallPrimes(k)) found.push_back(p);
    if (sieve.largePrime(k) != 1) found.push_back(sieve.largePrime(k));
    const PrimeFactors expected = primeFactors(static_cast<__uint128_t>(term < 0 ? -term : term));
    ASSERT_EQ(found, std::vector<__uint128_t>(expected.primes().begin(), expected.primes().end()));
    // Each small prime's exponent: p^e divides the term, p^(e+1) does not.
    ASSERT_EQ(sieve.smallExponents(k).size(), sieve.smallPrimes(k).size());
    const __uint128_t magnitude = static_cast<__uint128_t>(term < 0 ? -term : term);
    for (size_t i = 0; i < sieve.smallPrimes(k).size(); ++i) {
      const uint32_t p = sieve.smallPrimes(k)[i];
      __uint128_t power = 1;
      for (uint8_t e = 0; e < sieve.smallExponents(k)[i]; ++e) power *= p;
      EXPECT_EQ(magnitude % power, 0U) << p;
      EXPECT_NE(magnitude % (power * p), 0U) << p;
    }
  }
}

TEST(ProgressionSieve, GivesThePrimesOfEveryTermOfRandomProgressions) {
  std::mt19937_64 random(20261209);
  ProgressionSieve sieve(1024);
  // Terms from a few bits to 2^38 (the sieve's primes reach 2^19), steps
  // of the scans (1 for B, -27 for A^3 - 27B) and others sharing factors
  // with the terms, rows of every length.
  const std::vector<int64_t> steps = {1, -1, -27, 27, 2, -6, 9, 1000, 30030};
  for (int trial = 0; trial < 300; ++trial) {
    const int bits = 4 + trial % 35;
    const int64_t s = steps[static_cast<size_t>(trial) % steps.size()];
    auto c = static_cast<int64_t>(random() >> (64 - bits));
    if (trial % 2 == 1) c = -c;
    const auto n = static_cast<uint32_t>(1 + random() % 1024);
    SCOPED_TRACE(testing::Message() << "c = " << c << ", s = " << s << ", n = " << n);
    if (!sieve.factor(c, s, n)) {
      // Declined only for lack of terms to share the sieving primes.
      EXPECT_GT(bits, 20);
      continue;
    }
    expectFactorsOfEveryTerm(sieve, c, s, n);
  }
}

TEST(ProgressionSieve, HandlesTheEdgesOfTheScans) {
  struct Row {
    const char* what;
    int64_t c;
    int64_t s;
    uint32_t n;
  };
  const int64_t a = 1 << 12;
  const std::vector<Row> rows = {
      {"B up to 2^31 - 1", 2147483647 - 1023, 1, 1024},
      {"B from -2^31", -2147483648LL, 1, 1024},
      {"B crossing 0", -500, 1, 1001},
      {"F crossing 0 at B = 1 with A = 3", 27 - 27 * -300, -27, 700},
      {"F crossing 0 with A = 6, B = 8", 216 - 27 * -400, -27, 900},
      {"A = 0: F = -27B", 27 * 5000, -27, 1024},
      {"A = 3^6: 3 divides every F to high powers", 729LL * 729 * 729 - 27 * 1, -27, 1024},
      {"A = 3^5 * 2, B from 3^9", 486LL * 486 * 486 - 27 * 19683, -27, 1024},
      {"A = 2^12: F near 2^36", a * a * a - 27 * 1, -27, 1024},
      {"A = -2^12", -a * a * a - 27 * 1, -27, 1024},
      {"one term near 2^38", 274877906943, 1, 1},
      {"c = 0", 0, 7, 1000},
  };
  ProgressionSieve sieve(1024);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    ASSERT_TRUE(sieve.factor(row.c, row.s, row.n, 1 << 20));
    expectFactorsOfEveryTerm(sieve, row.c, row.s, row.n);
  }
}

TEST(ProgressionSieve, DeclinesWhatItCannotFinish) {
  ProgressionSieve sieve(16);
  // Terms near 2^40 need primes up to 2^20, beyond the table's 611951.
  EXPECT_FALSE(sieve.factor(int64_t{1} << 40, 1, 16, 1 << 20));
  // 600851475143 needs the 70,000-odd primes below 775146: too many for
  // one term at 64 a term, and beyond the table anyway.
  EXPECT_FALSE(sieve.factor(600851475143, 1, 1));
  // 10^9 needs the 3,400 primes below 31623: too many for 16 terms at 64.
  EXPECT_FALSE(sieve.factor(1000000000, -27, 16));
  EXPECT_TRUE(sieve.factor(1000000000, -27, 16, 1000));
  expectFactorsOfEveryTerm(sieve, 1000000000, -27, 16);
}

}  // namespace
}  // namespace velrin
