#include "arith/modular.hpp"

#include "arith/cubic_residue_table.hpp"
#include "arith/integer_primitives.hpp"
#include "arith/wide_modular.hpp"

namespace velrin {

uint64_t powMod(uint64_t base, uint64_t exp, uint64_t m) {
  if (m <= uint64_t{1} << 32U) {
    // Residues below 2^32: a product stays below 2^64, one word division.
    uint64_t result = 1 % m;
    base %= m;
    for (; exp > 0; exp >>= 1U) {
      if ((exp & 1U) != 0) result = result * base % m;
      base = base * base % m;
    }
    return result;
  }
  uint64_t result = 1 % m;
  base %= m;
  while (exp > 0) {
    if (exp & 1U) result = mulMod(result, base, m);
    base = mulMod(base, base, m);
    exp >>= 1U;
  }
  return result;
}

int32_t cubeRootSign(int64_t n, int32_t m) {
  const auto r = static_cast<uint64_t>(residue(n, m));
  if (r == 0) return 0;
  if (m == 9) return r == 1 || r == 8 ? 1 : -1;
  // Modulo 2, 3 and every prime p = 2 (mod 3), cubing permutes the units.
  if (m <= 3 || m % 3 != 1) return 1;
  const auto p = static_cast<uint64_t>(m);
  return powMod(r, (p - 1) / 3, p) == 1 ? 1 : -1;
}

int32_t cubeRootSignWide(__int128_t n, __uint128_t p) {
  const __uint128_t r = residueWide(n, p);
  if (r == 0) return 0;
  if (p <= 3 || p % 3 != 1) return 1;
  return powModWide(r, (p - 1) / 3, p) == 1 ? 1 : -1;
}

CubicCharacter::CubicCharacter(__uint128_t p) : p_(p), omega_(1) {
  const CubicResidueTable& table = CubicResidueTable::instance();
  if (p_ >> 64U == 0 && table.holds(static_cast<uint64_t>(p_))) {
    table_ = &table;
    return;
  }
  // Euler's criterion for cubes: x^((p-1)/3) is a cube root of unity, and it
  // is 1 exactly for the cubes; the first non-cube fixes a generator omega.
  if (p_ >> 64U == 0) {
    const Montgomery64& m = montgomery_.emplace(static_cast<uint64_t>(p_));
    squareOfR_ = m.toForm(m.one());
    const auto exponent = static_cast<uint64_t>((p_ - 1) / 3);
    for (uint64_t a = 2; omegaForm_ == 0 || omegaForm_ == m.one(); ++a) {
      omegaForm_ = m.power(m.multiply(a, squareOfR_), exponent);
    }
    omega_ = m.fromForm(omegaForm_);
    return;
  }
  for (__uint128_t a = 2; omega_ == 1; ++a) omega_ = powModWide(a, (p_ - 1) / 3, p_);
}

int32_t CubicCharacter::of(__int128_t n) const {
  // A 64-bit n modulo a 64-bit p needs no 128-bit division.
  if (p_ >> 63U == 0 && n >= INT64_MIN && n <= INT64_MAX) {
    return classOf(
        static_cast<uint64_t>(residue(static_cast<int64_t>(n), static_cast<int64_t>(p_))));
  }
  return classOf(residueWide(n, p_));
}

int32_t CubicCharacter::ofUnsigned(__uint128_t n) const {
  if (p_ >> 64U == 0 && n >> 64U == 0) {
    return classOf(static_cast<uint64_t>(n) % static_cast<uint64_t>(p_));
  }
  return classOf(n % p_);
}

int32_t CubicCharacter::classOf(__uint128_t r) const {
  if (table_ != nullptr)
    return table_->classOf(static_cast<uint32_t>(p_), static_cast<uint32_t>(r));
  if (montgomery_) {
    const Montgomery64& m = *montgomery_;
    const uint64_t root = m.power(m.multiply(static_cast<uint64_t>(r), squareOfR_),
                                  static_cast<uint64_t>((p_ - 1) / 3));
    if (root == m.one()) return 0;
    return root == omegaForm_ ? 1 : 2;
  }
  const __uint128_t root = powModWide(r, (p_ - 1) / 3, p_);
  if (root == 1) return 0;
  return root == omega_ ? 1 : 2;
}

CubicRootsOfUnity::CubicRootsOfUnity(uint64_t p)
    : montgomery_(p), squareOfR_(montgomery_.toForm(montgomery_.one())), exponent_((p - 1) / 3) {}

int32_t characterModNine(int64_t n) {
  // Discrete logarithms to base 2 in (Z/9)^*: 1, 2, 4, 8, 7, 5 for 0..5;
  // the class modulo the cubes {1, 8} is that logarithm modulo 3.
  static constexpr int32_t kLogClass[9] = {-1, 0, 1, -1, 2, 2, -1, 1, 0};
  return kLogClass[residue(n, 9)];
}

}  // namespace velrin
