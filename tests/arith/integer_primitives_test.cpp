#include "arith/integer_primitives.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace velrin {
namespace {

constexpr int64_t kMin64 = std::numeric_limits<int64_t>::min();

TEST(Valuation, Table) {
  struct Row {
    int64_t n;
    int32_t p;
    int32_t expected;
  };
  const std::vector<Row> rows = {
      {0, 5, kValuationOfZero},
      {-8, 2, 3},
      {12, 5, 0},
      {kMin64, 2, 63},
      {kMin64, 3, 0},
      {1, 2, 0},
      {-1, 3, 0},
      {81, 3, 4},
      {-162, 3, 4},
      {611951LL * 611951, 611951, 2},
      {INT64_MAX, 7, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "valuation(" << row.n << ", " << row.p << ")");
    EXPECT_EQ(valuation(row.n, row.p), row.expected);
  }
}

TEST(Power, WrapsModuloTwoToTheSixtyFour) {
  struct Row {
    int32_t base;
    int32_t exp;
    int64_t expected;
  };
  const std::vector<Row> rows = {
      {7, 0, 1},       {0, 0, 1},           {-3, 3, -27},
      {2, 63, kMin64}, {2, 64, 0},          {3, 40, -6289078614652622815LL},
      {-1, 7, -1},     {611951, 1, 611951},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "power(" << row.base << ", " << row.exp << ")");
    EXPECT_EQ(power(row.base, row.exp), row.expected);
  }
}

TEST(RootSearch, LeastRootOrMinusOne) {
  struct Row {
    bool cube;
    int64_t n;
    int32_t m;
    int32_t expected;
  };
  const std::vector<Row> rows = {
      {true, 0, 7, 0},          {true, 1, 7, 1},  {true, 6, 7, 3},      {true, -1, 7, 3},
      {true, 2, 7, -1},         {true, 1, 9, 1},  {true, 8, 9, 2},      {true, -1, 9, 2},
      {true, 9, 9, 0},          {true, 3, 9, -1}, {true, kMin64, 7, 3}, {true, 5, 1, 0},
      {true, 2, 2, 0},          {true, 2, 3, 2},  {false, 2, 7, 3},     {false, -3, 7, 2},
      {false, 3, 7, -1},        {false, 0, 5, 0}, {false, -1, 5, 2},    {false, kMin64, 3, 1},
      {false, INT64_MAX, 3, 1}, {true, 7, 0, -1}, {false, 7, -5, -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << (row.cube ? "cubeRootMod(" : "squareRootMod(") << row.n
                                    << ", " << row.m << ")");
    EXPECT_EQ(row.cube ? cubeRootMod(row.n, row.m) : squareRootMod(row.n, row.m), row.expected);
  }
}

TEST(RootSearch, LargestTablePrimeGivesLeastRoot) {
  constexpr int32_t p = 611951;
  // (p - 1)^2 = 1 and (p - 1)^3 = -1: the least roots are 1 and p - 1 only
  // when no smaller residue shares the power.
  EXPECT_EQ(squareRootMod(1, p), 1);
  EXPECT_EQ(squareRootMod(p - 1, p), -1);  // p = 3 (mod 4): -1 is no square
  const int32_t root = cubeRootMod(-1, p);
  ASSERT_GT(root, 0);
  EXPECT_EQ(static_cast<int64_t>(root) * root % p * root % p, p - 1);
  for (int64_t i = 1; i < root; ++i) EXPECT_NE(i * i % p * i % p, p - 1);
}

TEST(Residue, IntoZeroToModulus) {
  EXPECT_EQ(residue(int64_t{-1}, 9), 8);
  EXPECT_EQ(residue(kMin64, 3), 1);                               // -2^63 = 1 (mod 3)
  EXPECT_EQ(residue(static_cast<__int128_t>(kMin64) * 4, 7), 3);  // -2^65 = -4 (mod 7)
  EXPECT_EQ(wrappingMul(INT64_MAX, 2), -2);
  EXPECT_EQ(wrappingSub(kMin64, 1), INT64_MAX);
}

}  // namespace
}  // namespace velrin
