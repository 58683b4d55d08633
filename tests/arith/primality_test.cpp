#include "arith/primality.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <thread>
#include <vector>

#include "arith/pari_factor.hpp"
#include "arith/wide_literal.hpp"

namespace velrin {
namespace {

struct Row {
  const char* n;
  bool prime;
};

// Expectations from PARI/GP's isprime (a proof). The psi_k rows are the
// least strong pseudoprimes to the first k prime bases: each passes the
// bases it is named after, so each tests that the next base is taken.
const std::vector<Row> kRows = {
    {"0", false},
    {"1", false},
    {"2", true},
    {"41", true},
    {"1849", false},  // 43^2, the first value past the table of bases
    {"2047", false},  // psi_1
    {"1373653", false},
    {"25326001", false},
    {"3215031751", false},
    {"2152302898747", false},
    {"3474749660383", false},
    {"341550071728321", false},      // psi_7 = psi_8
    {"3825123056546413051", false},  // psi_9 = psi_10 = psi_11
    {"18446744073709551557", true},  // the largest prime below 2^64
    {"18446744073709551615", false},
    {"18446744073709551617", false},      // 2^64 + 1 = 274177 * 67280421310721
    {"18446744073709551629", true},       // the least prime above 2^64
    {"318665857834031151167461", false},  // psi_12
    {"3317044064679887385961813", true},  // last prime of the proven range
    // psi_13 and beyond: Baillie-PSW. The next three pass base 2 and must
    // fall to the Lucas test; they are p (2p - 1) with 2 a residue mod both.
    {"3317044064679887385961981", false},
    {"1773934110111187456722769753", false},
    {"2010642099445268048619000541", false},
    {"628755051439994146000389253", false},
    {"3317044064679887385962123", true},
    {"618970019642690137449562111", true},  // 2^89 - 1
    {"618970019642690137449562113", false},
    {"162259276829213363391578010288127", true},  // 2^107 - 1
    {"9903520314283042199193006149", true},       // 94 bits
    {"79228162514264337593543950319", true},      // 2^96 - 17
    {"79228162514264337593543950397", true},
    {"19807040628567491773269540889", false},  // square of a 47-bit prime
    {"42535295865117307944451040975039496179", false},
    {"85070591730234615902737140005361155371", false},  // two primes near 2^63
    {"85070591730234615865843651857942052871", true},   // 2^126 + 7
    {"170141183460469231731687303715884105727", true},  // 2^127 - 1
};

TEST(IsPrimeWide, AgreesWithProvenPrimality) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(testing::Message() << "n = " << row.n);
    const __uint128_t n = wide(row.n);
    EXPECT_EQ(isPrimeWide(n), row.prime);
    if (n >> 64U == 0) {
      EXPECT_EQ(isPrime(static_cast<uint64_t>(n)), row.prime);
    }
  }
}

TEST(PariProvesPrime, AgreesWithProvenPrimalityAboveTwoToTheSixtyFour) {
  // The same rows: the library's proof is what makes a prime above psi_13,
  // where Baillie-PSW is only conjectured exact, a proven prime factor.
  for (const Row& row : kRows) {
    const __uint128_t n = wide(row.n);
    if (n >> 64U == 0) continue;
    SCOPED_TRACE(testing::Message() << "n = " << row.n);
    EXPECT_EQ(pariProvesPrime(n), row.prime ? 1 : 0);
  }
}

// A worker's own PARI stack, a nested one on the same thread, the stack
// made on a thread's first call after its own was released, and threads
// that end in any order: each gives the library's answer.
TEST(PariProvesPrime, AnswersOnEveryKindOfThreadStack) {
  std::vector<int32_t> expected;
  for (const Row& row : kRows) expected.push_back(pariProvesPrime(wide(row.n)));
  const auto check = [&] {
    for (size_t i = 0; i < expected.size(); ++i) {
      if (pariProvesPrime(wide(kRows[i].n)) != expected[i]) return false;
    }
    return true;
  };
  std::vector<std::thread> threads;
  std::array<bool, 3> agreed{};
  threads.emplace_back([&] {
    const PariThreadStack stack;
    const PariThreadStack nested;
    agreed[0] = check();
  });
  threads.emplace_back([&] {
    { const PariThreadStack stack; }
    agreed[1] = check();          // on a stack of the thread's first call
    const PariThreadStack later;  // holds nothing: the thread has one
    agreed[1] = agreed[1] && check();
  });
  threads.emplace_back([&] { agreed[2] = check(); });
  for (std::thread& thread : threads) thread.join();
  for (size_t i = 0; i < agreed.size(); ++i) EXPECT_TRUE(agreed[i]) << "thread " << i;
}

TEST(IsPrimeWide, MatchesTrialDivisionBelowTwoToTheTwenty) {
  // Every small n, where the fewest bases are used, against a sieve.
  constexpr uint32_t kLimit = 1U << 20U;
  std::vector<bool> composite(kLimit, false);
  for (uint32_t p = 2; p * p < kLimit; ++p) {
    for (uint32_t m = p * p; m < kLimit; m += p) composite[m] = true;
  }
  for (uint32_t n = 2; n < kLimit; ++n) ASSERT_EQ(isPrimeWide(n), !composite[n]) << "n = " << n;
}

}  // namespace
}  // namespace velrin
