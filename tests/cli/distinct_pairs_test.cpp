// The class of a pair under (A, B) ~ (dA, d^3 B) at the edges of the 32-bit
// range, where the arithmetic could overflow; the first pair of a class in a
// box is checked against gp's brute force in scan_test.cpp.
#include "cli/distinct_pairs.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velrin::cli {
namespace {

constexpr int32_t kMin = INT32_MIN;
constexpr int32_t kMax = INT32_MAX;

TEST(DistinctPairs, ClassOfAPair) {
  struct Row {
    int32_t a, b;
    int64_t a0, b0;
    uint64_t scale;
  };
  const std::vector<Row> rows = {
      {1, 2, 1, 2, 1},
      {-1, -2, -1, -2, 1},  // d > 0: the sign stays
      {4, 24, 2, 3, 2},     // 2^2 | A but 2^6 does not divide B
      {32, 1 << 30, 1, 1 << 15, 32},
      {kMin, kMin, -(1 << 21), -2, 1024},  // 2^31 = 2^30 * 2: d = 2^10
      {0, kMin, 0, -2, 1024},
      {0, 27 * 64 * 5, 0, 5, 12},
      {1290, 1290 * 1290 * 1290, 1, 1, 1290},  // the largest d when B != 0
      {1289, 1289 * 1289 * 1289, 1, 1, 1289},  // a prime left after trial division
      {2 * 1289, -1289 * 1289 * 1289, 2, -1, 1289},
      {kMax, kMax, kMax, kMax, 1},
      {kMin, 0, -1, 0, uint64_t{1} << 31},  // y^2 + Axy = x^3 scales to A = +-1
      {0, 0, 0, 0, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.a) + " " + std::to_string(row.b));
    const PairClass c = pairClass(row.a, row.b);
    EXPECT_EQ(c.a0, row.a0);
    EXPECT_EQ(c.b0, row.b0);
    EXPECT_EQ(c.scale, row.scale);
  }
}

TEST(DistinctPairs, FirstOfClassAtTheEdgesOfTheRange) {
  struct Row {
    Interval a, b;
    int32_t pairA, pairB;
    bool first;
  };
  const std::vector<Row> rows = {
      // (-1, -2) comes before (1, 2); (2, 16) after (1, 2).
      {{-1, 2}, {-2, 16}, 1, 2, false},
      {{-1, 2}, {-2, 16}, -1, -2, true},
      {{-1, 2}, {-2, 16}, 2, 16, false},
      {{0, 2}, {-2, 16}, 2, 16, false},
      {{0, 2}, {0, 16}, 1, 2, true},
      // A < 0: the larger d comes first; (-2, -16) precedes (-1, -2).
      {{-2, -1}, {-16, -2}, -1, -2, false},
      {{-2, -1}, {-16, -2}, -2, -16, true},
      // A = 0: by B; (0, -16) precedes (0, -2) and (0, 2).
      {{0, 0}, {-16, 16}, 0, 2, false},
      {{0, 0}, {-16, 16}, 0, -16, true},
      // Near 2^31: d + 1 leaves the range without overflowing.
      {{kMin, kMax}, {kMin, kMin}, kMin, kMin, true},
      {{kMin, kMax}, {0, 0}, kMin, 0, true},
      {{kMin, kMax}, {0, 0}, kMax, 0, false},
      {{-kMax, kMax}, {-kMax, kMax}, kMax, kMax, false},  // (-A, -B) comes first
      {{-kMax, kMax}, {0, kMax}, kMax, kMax, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.pairA) + " " + std::to_string(row.pairB));
    EXPECT_EQ(firstOfClassInBox(Box(row.a, row.b), row.pairA, row.pairB), row.first);
  }
}

}  // namespace
}  // namespace velrin::cli
