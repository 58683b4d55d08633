#include "descent/f3_matrix.hpp"

#include <cstddef>
#include <utility>

namespace velrin {

void F3Matrix::addRow(const Row& row) {
  Reduced& reduced = rows_[static_cast<size_t>(rowCount_++)];
  for (size_t j = 0; j < reduced.size(); ++j) {
    reduced[j] = static_cast<uint8_t>(((row[j] % 3) + 3) % 3);
  }
}

int32_t F3Matrix::rank() const {
  std::array<Reduced, kMaxRows> rows = rows_;
  const auto rowCount = static_cast<size_t>(rowCount_);
  size_t rank = 0;
  for (size_t column = 0; column < static_cast<size_t>(kMaxColumns) && rank < rowCount;
       ++column) {
    size_t pivot = rank;
    while (pivot < rowCount && rows[pivot][column] == 0) ++pivot;
    if (pivot == rowCount) continue;
    std::swap(rows[rank], rows[pivot]);
    // Scale the pivot to 1: in F_3 every non-zero entry is its own inverse.
    const int32_t inverse = rows[rank][column];
    for (uint8_t& entry : rows[rank]) entry = static_cast<uint8_t>(entry * inverse % 3);
    for (size_t i = 0; i < rowCount; ++i) {
      const int32_t factor = rows[i][column];
      if (i == rank || factor == 0) continue;
      for (size_t j = 0; j < rows[i].size(); ++j) {
        rows[i][j] = static_cast<uint8_t>((rows[i][j] + 3 * 3 - factor * rows[rank][j]) % 3);
      }
    }
    ++rank;
  }
  return static_cast<int32_t>(rank);
}

}  // namespace velrin
