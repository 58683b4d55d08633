#pragma once

#include <array>
#include <cstdint>

namespace velrin {

/// Entrywise a += b over F_3 on the two-mask form (bit j of ones set: 1,
/// of twos: 2; the masks disjoint); a - b is a + (-b), and -b swaps the
/// masks of b (2 = -1). Mask is an unsigned integer type.
template <typename Mask>
void addF3Into(Mask& aOnes, Mask& aTwos, Mask bOnes, Mask bTwos) {
  const Mask t = (aOnes | bTwos) ^ (aTwos | bOnes);
  const Mask ones = (aTwos | bTwos) ^ t;
  const Mask twos = (aOnes | bOnes) ^ t;
  aOnes = ones;
  aTwos = twos;
}

/// A matrix over F_3 with at most kMaxColumns columns and kMaxRows rows, for
/// the linear conditions that cut the Selmer group out of the candidates.
/// Held in place (building and reducing it allocates nothing), a row as two
/// bit masks: column j holds 1 where bit j of `ones` is set, 2 where bit j
/// of `twos` is set, 0 elsewhere.
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

  /// Appends the row with 1 in the columns of ones, 2 in those of twos (the
  /// two masks are disjoint) and 0 elsewhere.
  void addRow(uint32_t ones, uint32_t twos);

  /// Returns the rank over F_3, by Gaussian elimination.
  int32_t rank() const;

  /// A vector of F_3^kMaxColumns in the rows' two-mask form.
  struct Vector {
    uint32_t ones = 0;
    uint32_t twos = 0;
  };

  /// Writes a basis of the kernel {x in F_3^columns : every row . x = 0}
  /// into basis and returns its size, columns - rank. The rows' entries in
  /// columns at or beyond `columns` must be 0; 0 <= columns <= kMaxColumns.
  /// The basis is the reduced one: one vector per column without a pivot,
  /// with 1 there and 0 in the other free columns.
  int32_t kernel(int32_t columns, std::array<Vector, kMaxColumns>& basis) const;

 private:
  // No initialisers: only the first rowCount_ rows are ever read, and a
  // matrix is built for every curve, so its 640 bytes are not cleared.
  struct Packed {
    uint32_t ones;
    uint32_t twos;
  };
  std::array<Packed, kMaxRows> rows_;
  int32_t rowCount_ = 0;
};

}  // namespace velrin
