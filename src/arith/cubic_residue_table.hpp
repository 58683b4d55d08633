#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace velrin {

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
  std::vector<uint8_t> bits_;               // four classes a byte
};

}  // namespace velrin
