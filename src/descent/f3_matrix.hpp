#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace velrin {

/// A matrix over F_3 with at most kMaxColumns columns, for the linear
/// conditions that cut the Selmer group out of the candidates.
class F3Matrix {
 public:
  static constexpr int32_t kMaxColumns = 16;
  using Row = std::array<int32_t, kMaxColumns>;

  /// Appends a row; entries are taken modulo 3 (any sign).
  void addRow(const Row& row);

  /// Returns the rank over F_3, by Gaussian elimination.
  int32_t rank() const;

 private:
  std::vector<Row> rows_;
};

}  // namespace velrin
