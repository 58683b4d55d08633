// Gaussian elimination over F_3 against counting: the fast descent takes
// dim Sel = n - rank, the plain one counts the accepted candidates, which
// are the common kernel of the conditions in F_3^n. So rank must equal n
// minus the exponent of 3 in the number of vectors that every row kills.

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "descent/f3_matrix.hpp"
#include "differential/sampling.hpp"

namespace velrin {
namespace {

using differential::SplitMix64;
using Row = F3Matrix::Row;

// Counts the x in F_3^n with row . x = 0 for every row; the rows have no
// entries beyond column n. Returns the exponent of 3 in that count.
int32_t kernelDimensionByCounting(const std::vector<Row>& rows, int32_t n) {
  std::vector<int32_t> x(static_cast<size_t>(n), 0);
  int64_t count = 0;
  for (;;) {
    bool killed = true;
    for (const Row& row : rows) {
      int64_t sum = 0;
      for (size_t j = 0; j < x.size(); ++j) sum += static_cast<int64_t>(row[j]) * x[j];
      if (sum % 3 != 0) {
        killed = false;
        break;
      }
    }
    if (killed) ++count;
    // The next vector in base 3.
    size_t j = 0;
    while (j < x.size() && x[j] == 2) x[j++] = 0;
    if (j == x.size()) break;
    ++x[j];
  }
  int32_t dimension = 0;
  while (count % 3 == 0) {
    count /= 3;
    ++dimension;
  }
  EXPECT_EQ(count, 1) << "the kernel of linear forms is a subgroup";
  return dimension;
}

TEST(F3RankPaths, EliminationAgreesWithCountingTheKernel) {
  // Entries of either sign and beyond 3, as the conditions are built from
  // differences of characters; up to 7 columns keeps the count at 2187
  // vectors.
  SplitMix64 rng(0xf3f3ULL);
  for (int32_t sample = 0; sample < 1500; ++sample) {
    const auto columns = static_cast<int32_t>(rng.between(1, 7));
    const auto rowCount = static_cast<int32_t>(rng.between(0, 9));
    std::vector<Row> rows;
    F3Matrix matrix;
    for (int32_t i = 0; i < rowCount; ++i) {
      Row row{};
      for (int32_t j = 0; j < columns; ++j) {
        // Sparse rows, like the conditions, half of the time.
        if (sample % 2 == 0 && !rng.oneIn(3)) continue;
        row[static_cast<size_t>(j)] = static_cast<int32_t>(rng.between(-5, 5));
      }
      // Now and then a multiple of an earlier row: a dependent row.
      if (!rows.empty() && rng.oneIn(4)) {
        row = rows[static_cast<size_t>(rng.between(0, static_cast<int64_t>(rows.size()) - 1))];
        for (int32_t& entry : row) entry *= -4;
      }
      rows.push_back(row);
      matrix.addRow(row);
    }
    SCOPED_TRACE(testing::Message()
                 << "sample " << sample << ": " << rowCount << " rows, " << columns << " columns");
    ASSERT_EQ(matrix.rank(), columns - kernelDimensionByCounting(rows, columns));
  }
}

TEST(F3RankPaths, EliminationFindsTheRankOfWideMatrices) {
  // All 16 columns, where counting 3^16 vectors is too slow: r rows in
  // reduced echelon form at random pivot columns are independent, and
  // combinations of them add nothing, so the rank is exactly r.
  SplitMix64 rng(0x16c01ULL);
  for (int32_t sample = 0; sample < 400; ++sample) {
    const auto r = static_cast<int32_t>(rng.between(0, F3Matrix::kMaxColumns));
    std::vector<size_t> order;
    for (size_t j = 0; j < static_cast<size_t>(F3Matrix::kMaxColumns); ++j) order.push_back(j);
    for (size_t j = order.size() - 1; j > 0; --j) {
      std::swap(order[j], order[static_cast<size_t>(rng.between(0, static_cast<int64_t>(j)))]);
    }
    const std::vector<size_t> pivots(order.begin(), order.begin() + r);
    std::vector<Row> basis;
    for (int32_t i = 0; i < r; ++i) {
      Row row{};
      for (size_t j = 0; j < row.size(); ++j) row[j] = static_cast<int32_t>(rng.between(0, 2));
      for (int32_t k = 0; k < r; ++k) row[pivots[static_cast<size_t>(k)]] = k == i ? 1 : 0;
      basis.push_back(row);
    }
    std::vector<Row> rows;
    for (const Row& row : basis) rows.push_back(row);
    const auto extra = rng.between(0, 8);
    for (int64_t e = 0; e < extra && r > 0; ++e) {
      Row combination{};
      for (const Row& row : basis) {
        const auto c = static_cast<int32_t>(rng.between(-2, 2));
        for (size_t j = 0; j < row.size(); ++j) combination[j] += c * row[j];
      }
      rows.push_back(combination);
    }
    for (size_t i = rows.size(); i > 1; --i) {
      std::swap(rows[i - 1],
                rows[static_cast<size_t>(rng.between(0, static_cast<int64_t>(i) - 1))]);
    }
    F3Matrix matrix;
    for (const Row& row : rows) matrix.addRow(row);
    SCOPED_TRACE(testing::Message()
                 << "sample " << sample << ": rank " << r << ", " << rows.size() << " rows");
    ASSERT_EQ(matrix.rank(), r);
  }
}

}  // namespace
}  // namespace velrin
