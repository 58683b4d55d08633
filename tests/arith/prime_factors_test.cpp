#include "arith/prime_factors.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "arith/wide_literal.hpp"
#include "differential/sampling.hpp"

namespace velrin {
namespace {

struct Row {
  const char* n;
  std::vector<const char*> primes;
  bool complete = true;
};

// Factorisations from PARI/GP's factor, every prime proven by isprime.
const std::vector<Row> kRows = {
    {"1", {}},
    {"2", {"2"}},
    {"4", {"2"}},
    {"997", {"997"}},
    {"994009", {"997"}},    // 997^2, just below the trial square
    {"1018081", {"1009"}},  // 1009^2, the first square it leaves
    {"614889782588491410",
     {"2", "3", "5", "7", "11", "13", "17", "19", "23", "29", "31", "37", "41", "43", "47"}},
    {"18446744073709551557", {"18446744073709551557"}},
    {"18446744073709551615", {"3", "5", "17", "257", "641", "65537", "6700417"}},
    {"18446744073709551617", {"274177", "67280421310721"}},
    {"18446744073709551629", {"18446744073709551629"}},
    {"318665857834031151167461", {"399165290221", "798330580441"}},
    {"3317044064679887385961981", {"1287836182261", "2575672364521"}},
    {"618970019642690137449562111", {"618970019642690137449562111"}},
    {"617113109583762067037213424667", {"997", "618970019642690137449562111"}},
    {"2333470874737917000400824766279", {"997", "1009", "2305843009213693951"}},
    // The hard cases of F = A^3 - 27B: a 94-bit prime, two primes near 2^47,
    // a square of one, many small primes times a large prime or two.
    {"9903520314283042199193006149", {"9903520314283042199193006149"}},
    {"12006595748642409463424340103", {"99197641114349", "121037109489347"}},
    {"16746710536531590652454020063", {"120502907376473", "138973497827831"}},
    {"19807040628550603274666900929", {"140737488355213", "140737488355333"}},
    {"19807040628567491773269540889", {"140737488355333"}},
    {"8355008374686494518563555990",
     {"2", "3", "5", "7", "11", "13", "17", "19", "23", "29", "31", "37", "1125899906842679"}},
    {"54456063545845195374840830130",
     {"2", "3", "5", "7", "11", "13", "1099511627791", "1649267441681"}},
    {"79228162514264337593543950319", {"79228162514264337593543950319"}},
    {"79228162514264337593543950397", {"79228162514264337593543950397"}},
    {"85070591730234615865843651857942052865",
     {"5", "13", "29", "37", "109", "113", "1429", "14449", "40388473189", "118750098349"}},
    {"85070591730234615865843651857942052871", {"85070591730234615865843651857942052871"}},
    {"21267647892944572736998860269687930881", {"2147483647"}},  // (2^31 - 1)^4
    {"1113509674956668989037907205610844481", {"1009"}},         // 1009^12
    {"147808829414345923316083210206383297601", {"3"}},          // 3^80
    {"170141183460469231731687303715884105727", {"170141183460469231731687303715884105727"}},
    {"1267650600228229401496703205376", {"2"}},
    {"1417839306618601068675918426532460910",
     {"2", "3", "5", "7", "11", "13", "17", "19", "23", "29", "31", "37", "41", "43", "47",
      "2305843009213693951"}},
    // At and beyond 2^127 only what trial division settles is complete.
    {"340282366920938463463374607431768211455",
     {"3", "5", "17", "257", "641", "65537", "274177", "6700417", "67280421310721"}},
    {"340282366920938462614824380041128836353", {}, false},  // (2^64 - 59)(2^64 + 13)
    {"0", {}, false},
};

std::vector<__uint128_t> found(__uint128_t n, bool* complete = nullptr) {
  const PrimeFactors factors = primeFactors(n);
  if (complete != nullptr) *complete = factors.complete();
  return {factors.primes().begin(), factors.primes().end()};
}

std::string listed(const std::vector<__uint128_t>& primes) {
  std::string text;
  for (const __uint128_t p : primes) text += decimal(p) + " ";
  return text;
}

TEST(PrimeFactors, KnownFactorisations) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(testing::Message() << "n = " << row.n);
    std::vector<__uint128_t> expected;
    for (const char* p : row.primes) expected.push_back(wide(p));
    bool complete = false;
    const std::vector<__uint128_t> primes = found(wide(row.n), &complete);
    EXPECT_EQ(complete, row.complete);
    if (row.complete) {
      EXPECT_EQ(listed(primes), listed(expected));
    }
  }
}

// Each line of prime_factors_gp.txt is "n p1 p2 ...", written by
// make_prime_factor_table.gp: random 90-bit numbers, products of two primes
// of 40 to 46 bits, and 60-bit numbers times a prime of 25 to 30 bits.
std::vector<std::pair<__uint128_t, std::vector<__uint128_t>>> gpTable() {
  std::ifstream file(VELRIN_SOURCE_DIR "/tests/arith/prime_factors_gp.txt");
  std::vector<std::pair<__uint128_t, std::vector<__uint128_t>>> rows;
  for (std::string line; std::getline(file, line);) {
    std::istringstream words(line);
    std::string word;
    words >> word;
    rows.push_back({wide(word), {}});
    while (words >> word) rows.back().second.push_back(wide(word));
  }
  return rows;
}

TEST(PrimeFactors, AgreesWithGpOnThreeHundredWideNumbers) {
  const auto rows = gpTable();
  ASSERT_EQ(rows.size(), 300U);
  for (const auto& [n, primes] : rows) {
    bool complete = false;
    EXPECT_EQ(listed(found(n, &complete)), listed(primes)) << "n = " << decimal(n);
    EXPECT_TRUE(complete) << "n = " << decimal(n);
  }
}

// Divides every power of the listed primes out of n; 1 when they are all of
// its primes, each listed once, in increasing order.
__uint128_t cofactorAfter(__uint128_t n, const std::vector<__uint128_t>& primes) {
  for (size_t i = 0; i < primes.size(); ++i) {
    if (primes[i] < 2 || n % primes[i] != 0 || (i > 0 && primes[i - 1] >= primes[i])) return 0;
    while (n % primes[i] == 0) n /= primes[i];
  }
  return n;
}

TEST(PrimeFactors, ThePrimePowersMultiplyBackToN) {
  // Products of known primes, small and large (up to 2^40, proven by trial
  // division) to random exponents, must give back exactly those primes;
  // arbitrary numbers of every size below 2^127 must be divided down to 1
  // by the powers of what is listed, each listed prime being prime.
  differential::SplitMix64 rng(0x9f0dULL);
  const auto randomPrime = [&rng](int64_t high) {
    for (;;) {
      const auto n = static_cast<uint64_t>(rng.between(2, high));
      if (differential::isPrimeByTrialDivision(n)) return static_cast<__uint128_t>(n);
    }
  };
  for (int32_t sample = 0; sample < 600; ++sample) {
    __uint128_t n = 1;
    std::vector<__uint128_t> expected;
    const auto count = rng.between(1, 6);
    for (int64_t k = 0; k < count; ++k) {
      const __uint128_t p = randomPrime(rng.oneIn(2) ? 2000 : int64_t{1} << (20 + 4 * (k % 6)));
      const auto exponent = rng.between(1, 3);
      __uint128_t power = 1;
      for (int64_t e = 0; e < exponent; ++e) power *= p;
      if (power > (__uint128_t{1} << 126U) / n) break;
      n *= power;
      if (std::find(expected.begin(), expected.end(), p) == expected.end()) expected.push_back(p);
    }
    std::sort(expected.begin(), expected.end());
    SCOPED_TRACE(testing::Message() << "n = " << decimal(n));
    bool complete = false;
    EXPECT_EQ(listed(found(n, &complete)), listed(expected));
    EXPECT_TRUE(complete);
  }
  for (int32_t sample = 0; sample < 600; ++sample) {
    const int32_t bits = 2 + sample % 125;
    __uint128_t n = (static_cast<__uint128_t>(rng.next()) << 64U) | rng.next();
    n = (n >> (128 - bits)) | 1U;
    if (rng.oneIn(3)) n <<= 1U;
    SCOPED_TRACE(testing::Message() << "n = " << decimal(n));
    bool complete = false;
    const std::vector<__uint128_t> primes = found(n, &complete);
    ASSERT_TRUE(complete);
    EXPECT_EQ(decimal(cofactorAfter(n, primes)), "1");
    for (const __uint128_t p : primes) {
      if (p >> 40U == 0) {
        EXPECT_TRUE(differential::isPrimeByTrialDivision(static_cast<uint64_t>(p))) << decimal(p);
      }
    }
  }
}

TEST(PrimeFactors, ThreadsFactoringAtOnceAgreeWithOneThread) {
  // The last 120 rows: 50 products of two primes above 2^39, which reach
  // the library, between rows that rho splits; four threads at once, each
  // in its own order.
  auto rows = gpTable();
  rows.erase(rows.begin(), rows.end() - 120);
  std::vector<std::string> alone;
  for (const auto& row : rows) alone.push_back(listed(found(row.first)));
  std::vector<std::vector<std::string>> byThread(4, std::vector<std::string>(rows.size()));
  std::vector<std::thread> threads;
  for (size_t t = 0; t < byThread.size(); ++t) {
    threads.emplace_back([&rows, &byThread, t] {
      for (size_t k = 0; k < rows.size(); ++k) {
        const size_t turned = (k + 31 * t) % rows.size();
        const size_t i = t % 2 == 0 ? turned : rows.size() - 1 - turned;
        byThread[t][i] = listed(found(rows[i].first));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (size_t t = 0; t < byThread.size(); ++t) EXPECT_EQ(byThread[t], alone) << "thread " << t;
}

}  // namespace
}  // namespace velrin
