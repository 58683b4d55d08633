// The accepted Selmer candidates form a group, the kernel of the local
// conditions on Q^*/Q^*3 restricted to the bad primes, so their number is a
// power of 3 on every curve. With exact candidates this must hold however
// large the coefficients are; with wrapped ones it did not.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>

#include "arith/factored_integer.hpp"
#include "arith/integer_primitives.hpp"
#include "curve/curve.hpp"
#include "descent/local_images.hpp"
#include "descent/selmer.hpp"
#include "dialogue/reporting_curve.hpp"
#include "support/powers_of_three.hpp"

namespace velrin {
namespace {

// A coefficient of about `bits` bits, either sign; never 0.
int32_t coefficientOfSize(std::mt19937_64& rng, int32_t bits) {
  const int64_t low = int64_t{1} << (bits - 1);
  const int64_t high = std::min<int64_t>((int64_t{1} << bits) - 1, INT32_MAX);
  const auto magnitude =
      static_cast<int32_t>(std::uniform_int_distribution<int64_t>(low, high)(rng));
  return (rng() & 1U) != 0 ? magnitude : -magnitude;
}

// The plain enumeration costs 3^(k+1) candidates times a least-root search
// up to p at each bad prime; past eight primes or a prime above 10^4 the
// fast dimension alone is checked.
constexpr int32_t kMaxPrimesToEnumerate = 8;
constexpr int32_t kMaxPrimeToEnumerate = 10000;

TEST(SelmerCount, AcceptedCandidatesNumberAPowerOfThree) {
  std::mt19937_64 rng(0x3a11ce5ULL);
  std::FILE* sink = std::fopen("/dev/null", "w");
  ASSERT_NE(sink, nullptr);
  ReportingCurve plain(sink);
  ReportingCurve fast(sink);
  int32_t enumerated = 0;
  int32_t analysed = 0;
  for (int32_t i = 0; i < 20000; ++i) {
    // Sizes from a few bits to the whole 32-bit range; B is kept small
    // enough next to A^3 that most products B(A^3 - 27B) fit in 64 bits.
    const int32_t bitsA = std::uniform_int_distribution<int32_t>(1, 22)(rng);
    const int32_t bitsB =
        std::uniform_int_distribution<int32_t>(1, std::clamp(64 - 3 * bitsA, 1, 31))(rng);
    const int32_t a = (rng() % 8 == 0) ? 0 : coefficientOfSize(rng, bitsA);
    const int32_t b = coefficientOfSize(rng, bitsB);
    SCOPED_TRACE(testing::Message() << "A=" << a << " B=" << b);
    if (fast.setCoefficients(a, b) == 0 || fast.tooLarge) continue;
    ++analysed;
    const int32_t fastDimension = selmerDimensions(fast)[0];

    int32_t primes = 0;
    int32_t largest = 0;
    for (const BadPrimeNode* node = fast.head; node->prime != 0; node = node->next) {
      ++primes;
      largest = std::max(largest, node->prime);
    }
    if (primes > kMaxPrimesToEnumerate || largest > kMaxPrimeToEnumerate) continue;

    ASSERT_EQ(plain.setCoefficients(a, b), 1);
    plain.selmerDims[0] = 0;
    countSelmerElements(plain, FactoredInteger(), plain.head);
    if (plain.threeIsBad == 0) {
      countSelmerElements(plain, FactoredInteger().times(3, 1), plain.head);
      countSelmerElements(plain, FactoredInteger().times(3, 2), plain.head);
    }
    const int32_t count = plain.selmerDims[0];
    EXPECT_TRUE(isPowerOfThree(count)) << count;
    EXPECT_EQ(valuation(count, 3), fastDimension);
    ++enumerated;
  }
  std::fclose(sink);
  // Guards against a sample that checks nothing.
  EXPECT_GE(analysed, 15000);
  EXPECT_GE(enumerated, 3000);
}

}  // namespace
}  // namespace velrin
