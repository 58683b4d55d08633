#pragma once

#include <array>
#include <cstdint>

namespace velrin {

/// A matrix over F_3 with at most kMaxColumns columns and kMaxRows rows, for
/// the linear conditions that cut the Selmer group out of the candidates.
/// Held in place: building and reducing it allocates nothing.
class F3Matrix {
 public:
  /// One column per generator of the candidates: the bad primes of a curve
  /// with 32-bit coefficients, at most 29, and 3.
  static constexpr int32_t kMaxColumns = 32;
  /// At most two conditions per bad prime, and room for tests to add more.
  static constexpr int32_t kMaxRows = 80;
  using Row = std::array<int32_t, kMaxColumns>;

  /// Appends a row; entries are taken modulo 3 (any sign). Fewer than
  /// kMaxRows rows are held.
  void addRow(const Row& row);

  /// Returns the rank over F_3, by Gaussian elimination.
  int32_t rank() const;

 private:
  using Reduced = std::array<uint8_t, kMaxColumns>;
  std::array<Reduced, kMaxRows> rows_{};
  int32_t rowCount_ = 0;
};

}  // namespace velrin
