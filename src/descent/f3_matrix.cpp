#include "descent/f3_matrix.hpp"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace velrin {

void F3Matrix::addRow(const Row& row) {
  Packed& packed = rows_[static_cast<size_t>(rowCount_++)];
  packed = {0, 0};
  for (size_t j = 0; j < row.size(); ++j) {
    const int32_t entry = ((row[j] % 3) + 3) % 3;
    if (entry == 1) packed.ones |= 1U << j;
    if (entry == 2) packed.twos |= 1U << j;
  }
}

void F3Matrix::addRow(uint32_t ones, uint32_t twos) {
  rows_[static_cast<size_t>(rowCount_++)] = {ones, twos};
}

int32_t F3Matrix::rank() const {
  // Only the rows in use are copied (kMaxRows is room, not the usual count).
  std::array<Packed, kMaxRows> rows;
  const auto rowCount = static_cast<size_t>(rowCount_);
  std::copy_n(rows_.begin(), rowCount, rows.begin());
  size_t rank = 0;
  while (rank < rowCount) {
    // The next column in which a row not yet used as a pivot has an entry;
    // the columns skipped would find no pivot.
    uint32_t present = 0;
    for (size_t i = rank; i < rowCount; ++i) present |= rows[i].ones | rows[i].twos;
    if (present == 0) break;
    const uint32_t bit = present & (0U - present);
    size_t pivot = rank;
    while (((rows[pivot].ones | rows[pivot].twos) & bit) == 0) ++pivot;
    std::swap(rows[rank], rows[pivot]);
    // Scale the pivot to 1: multiplying by 2 = -1 swaps the masks.
    if ((rows[rank].twos & bit) != 0) std::swap(rows[rank].ones, rows[rank].twos);
    const Packed pivotRow = rows[rank];
    for (size_t i = rank + 1; i < rowCount; ++i) {
      // Subtract the pivot row times the entry, clearing the column.
      if ((rows[i].ones & bit) != 0) {
        addF3Into(rows[i].ones, rows[i].twos, pivotRow.twos, pivotRow.ones);
      } else if ((rows[i].twos & bit) != 0) {
        addF3Into(rows[i].ones, rows[i].twos, pivotRow.ones, pivotRow.twos);
      }
    }
    ++rank;
  }
  return static_cast<int32_t>(rank);
}

int32_t F3Matrix::kernel(int32_t columns, std::array<Vector, kMaxColumns>& basis) const {
  // Reduced row echelon form: each pivot row has 1 in its pivot column and
  // 0 in every other pivot column.
  // Only the rows in use are copied, as in rank().
  std::array<Packed, kMaxRows> rows;
  const auto rowCount = static_cast<size_t>(rowCount_);
  std::copy_n(rows_.begin(), rowCount, rows.begin());
  // The pivot column of each pivot row, and the columns that have one.
  std::array<uint32_t, kMaxColumns> pivotBitOf;
  uint32_t pivots = 0;
  size_t rank = 0;
  for (int32_t column = 0; column < columns && rank < rowCount; ++column) {
    const uint32_t bit = 1U << static_cast<uint32_t>(column);
    size_t pivot = rank;
    while (pivot < rowCount && ((rows[pivot].ones | rows[pivot].twos) & bit) == 0) ++pivot;
    if (pivot == rowCount) continue;
    std::swap(rows[rank], rows[pivot]);
    if ((rows[rank].twos & bit) != 0) std::swap(rows[rank].ones, rows[rank].twos);
    const Packed pivotRow = rows[rank];
    for (size_t i = 0; i < rowCount; ++i) {
      if (i == rank) continue;
      if ((rows[i].ones & bit) != 0) {
        addF3Into(rows[i].ones, rows[i].twos, pivotRow.twos, pivotRow.ones);
      } else if ((rows[i].twos & bit) != 0) {
        addF3Into(rows[i].ones, rows[i].twos, pivotRow.ones, pivotRow.twos);
      }
    }
    pivotBitOf[rank] = bit;
    pivots |= bit;
    ++rank;
  }
  // For a free column f, x_f = 1, the other free coordinates 0, and each
  // pivot coordinate x_c = -(entry of its row in column f).
  int32_t count = 0;
  for (int32_t f = 0; f < columns; ++f) {
    const uint32_t freeBit = 1U << static_cast<uint32_t>(f);
    if ((pivots & freeBit) != 0) continue;
    Vector v{freeBit, 0};
    for (size_t r = 0; r < rank; ++r) {
      const Packed& row = rows[r];
      if ((row.ones & freeBit) != 0) v.twos |= pivotBitOf[r];  // -1 = 2
      if ((row.twos & freeBit) != 0) v.ones |= pivotBitOf[r];  // -2 = 1
    }
    basis[static_cast<size_t>(count++)] = v;
  }
  return count;
}

}  // namespace velrin
