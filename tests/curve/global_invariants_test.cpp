// The invariants of the curve itself in 128-bit arithmetic against the
// 256-bit computation: the reduced minimal model while |A0| <= 2^21, the
// conductor while it is below 2^53, and the conductor exponents of the tame
// rule against Ogg's formula. The coefficients lie at the edges of the
// narrow path and of the 32-bit range, and are sampled so that a6 and the
// conductor cross 2^53, 2^63 and 2^64. gp's values for Cremona's curves and
// for wide pairs: tests/oracle/curve_input_oracle_test.cpp.
#include "curve/global_invariants.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "descent/curve_analysis.hpp"
#include "differential/sampling.hpp"

namespace velrin {
namespace {

// The magnitude class of a value: 0 below 2^53, 1 in [2^53, 2^63), 2 in
// [2^63, 2^64), 3 from 2^64 on.
int magnitudeClass(const Int256& value) {
  if (value.fitsBelow(53)) return 0;
  if (value.fitsBelow(63)) return 1;
  if (value.fitsBelow(64)) return 2;
  return 3;
}

TEST(GlobalInvariants, NarrowMinimalModelIsTheWideOne) {
  constexpr int64_t kEdge = kNarrowA;
  // |a6| is in [2^63, 2^64) for A0 = 4500, B0 = 1 and A0 = -5000, B0 = 1.
  std::vector<int64_t> as = {4500,   -5000,     0,          1,         -1,        2,          -2,
                             3,      -3,        1000,       -999,      kEdge - 1, -kEdge + 1, kEdge,
                             -kEdge, kEdge + 1, -kEdge - 1, INT32_MAX, INT32_MIN};
  std::vector<int64_t> bs = {1,          -1,        2,         -2,           27, (1 << 26) + 3,
                             -(1 << 26), INT32_MAX, INT32_MIN, INT32_MIN + 1};
  differential::SplitMix64 random(20261210);
  for (int i = 0; i < 40; ++i) {
    as.push_back(random.between(-kEdge, kEdge));
    bs.push_back(random.between(INT32_MIN, INT32_MAX));
  }
  int classes[4] = {};
  for (const int64_t a0 : as) {
    for (const int64_t b0 : bs) {
      SCOPED_TRACE(std::to_string(a0) + " " + std::to_string(b0));
      const std::array<Int256, 5> wide = reducedMinimalModel(a0, b0);
      const auto narrow = reducedMinimalModelNarrow(a0, b0);
      ASSERT_EQ(narrow.has_value(), a0 <= kEdge && a0 >= -kEdge);
      if (!narrow) continue;
      for (size_t k = 0; k < 5; ++k) EXPECT_EQ(Int256((*narrow)[k]), wide[k]) << "a" << k;
      // The model is reduced and isomorphic to [A0, 0, B0, 0, 0] with u = 1:
      // the same c4 = b2^2 - 24 b4 and c6 = -b2^3 + 36 b2 b4 - 216 b6.
      const auto& [a1, a2, a3, a4, a6] = *narrow;
      EXPECT_TRUE(a1 == 0 || a1 == 1);
      EXPECT_TRUE(a2 >= -1 && a2 <= 1);
      EXPECT_TRUE(a3 == 0 || a3 == 1);
      const Int256 b2 = Int256(a1 * a1 + 4 * a2);
      const Int256 b4 = Int256(2) * Int256(a4) + Int256(a1 * a3);
      const Int256 b6 = Int256(a3 * a3) + Int256(4) * Int256(a6);
      const Int256 A = a0;
      const Int256 B = b0;
      EXPECT_EQ(b2 * b2 - Int256(24) * b4, A * A * A * A - Int256(24) * A * B);
      EXPECT_EQ(-(b2 * b2 * b2) + Int256(36) * b2 * b4 - Int256(216) * b6,
                -(A * A * A * A * A * A) + Int256(36) * A * A * A * B - Int256(216) * B * B);
      ++classes[magnitudeClass(a6)];
    }
  }
  // a6 falls on both sides of 2^53, 2^63 and 2^64.
  for (const int count : classes) EXPECT_GT(count, 0);
}

TEST(GlobalInvariants, ConductorBelowTwoToTheFiftyThreeIsTheProduct) {
  struct Range {
    int64_t aLow, aHigh, bLow, bHigh;
  };
  // Moderate A with B up to 2^22 puts conductors on both sides of 2^53;
  // the whole 32-bit range gives primes beyond 2^53 and wide products.
  const Range ranges[] = {{-2048, 2048, 1, 1 << 22},
                          {-2048, 2048, -(1 << 22), -1},
                          {-100, 100, 1, 5000},
                          {INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX}};
  differential::SplitMix64 random(53);
  int below = 0;
  int above = 0;
  for (const Range& range : ranges) {
    for (int i = 0; i < 300; ++i) {
      const auto a = static_cast<int32_t>(random.between(range.aLow, range.aHigh));
      const auto b = static_cast<int32_t>(random.between(range.bLow, range.bHigh));
      SCOPED_TRACE(std::to_string(a) + " " + std::to_string(b));
      const CurveAnalysis analysis = analyzeCurve(a, b);
      if (analysis.status != CurveStatus::kAnalysed) continue;
      const int64_t u = analysis.scale;
      const int64_t a0 = a / u;
      const int64_t b0 = b / (u * u * u);
      for (const LocalDatum& datum : analysis.badPrimes()) {
        EXPECT_EQ(conductorExponent(a0, b0, datum), conductorExponentByOgg(a0, b0, datum))
            << decimalText(datum.prime);
      }
      const Int256 wide = conductor(a0, b0, analysis.badPrimes());
      const uint64_t narrow = conductorBelow2To53(a0, b0, analysis.badPrimes());
      if (wide.fitsBelow(53)) {
        EXPECT_EQ(Int256(narrow), wide);
        ++below;
      } else {
        EXPECT_EQ(narrow, 0U);
        ++above;
      }
    }
  }
  EXPECT_GT(below, 100);
  EXPECT_GT(above, 100);
}

}  // namespace
}  // namespace velrin
