#pragma once

#include <array>
#include <cstdint>

namespace velrin {

/// The number of residues modulo all primes p = 1 (mod 3) below bound: the
/// sum of those primes.
constexpr uint32_t cubicTableResidues(uint32_t bound) {
  uint32_t count = 0;
  for (uint32_t p = 7; p < bound; p += 6) {
    bool prime = true;
    for (uint32_t d = 2; d * d <= p; ++d) prime = prime && p % d != 0;
    if (prime) count += p;
  }
  return count;
}

/// The cubic residue character modulo every prime p = 1 (mod 3) below
/// kBound, tabulated for every residue: the bad primes of a family are
/// mostly small, and a look-up replaces a modular power. The classes are
/// numbered as CubicCharacter numbers them: 0 for the cubes, 1 for the
/// residues r with r^((p-1)/3) = omega, the power of the least non-cube,
/// 2 for the rest. Two bits a residue, about 40 KiB in all.
class CubicResidueTable {
 public:
  static constexpr uint32_t kBound = 2048;

  /// The one table, built on first use (about 0.2 ms) and constant
  /// afterwards.
  static const CubicResidueTable& instance();

  /// True when p is a prime p = 1 (mod 3) below kBound; any p.
  bool holds(uint64_t p) const { return p < kBound && offsets_[p] != kNone; }

  /// The class of r modulo a held prime p; 1 <= r < p.
  int32_t classOf(uint32_t p, uint32_t r) const {
    const uint32_t at = offsets_[p] + r;
    return static_cast<int32_t>((bits_[at >> 2U] >> ((at & 3U) * 2U)) & 3U);
  }

 private:
  CubicResidueTable();

  static constexpr uint32_t kNone = UINT32_MAX;
  std::array<uint32_t, kBound> offsets_{};  // where p's residues start, or kNone
  // The residues of every held prime, four classes a byte; held in place,
  // not on the heap.
  std::array<uint8_t, (cubicTableResidues(kBound) + 3) / 4> bits_{};
};

}  // namespace velrin
