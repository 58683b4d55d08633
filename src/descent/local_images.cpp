#include "descent/local_images.hpp"

#include <cstddef>
#include <optional>

#include "arith/cubic_residue_table.hpp"
#include "arith/integer_primitives.hpp"
#include "arith/modular.hpp"
#include "arith/wide_modular.hpp"
#include "curve/curve.hpp"

namespace velrin {

namespace {

constexpr LocalImage kTrivialImage = LocalImage::kTrivial;
constexpr LocalImage kUnitImage = LocalImage::kUnits;
constexpr LocalImage kImageOfB = LocalImage::kGeneratedByB;

// Only the sign of the least cube root is read, which Euler's criterion
// gives without searching for the root.
int32_t cubeTest(int64_t n, int32_t m) { return cubeRootSign(n, m); }

}  // namespace

int32_t inLocalImages(const Curve& curve, const FactoredInteger& m) {
  const int64_t b = curve.b;
  for (const BadPrimeNode* node = curve.head; node->prime != 0; node = node->next) {
    const int32_t p = node->prime;
    bool passes = true;
    if (node->imageKind == kTrivialImage) {
      // m must be a cube in Q_p^*: a unit that is a cube modulo 9 at 3,
      // modulo p when p = 1 (mod 3); any unit for the other primes.
      if (p == 3) {
        passes = cubeTest(m.residue(9), 9) > 0;
      } else if ((p - 1) % 3 == 0) {
        passes = cubeTest(m.residue(p), p) > 0;
      } else {
        passes = m.residue(p) != 0;
      }
    } else if (node->imageKind == kUnitImage) {
      // Units times cubes: the candidates carry p to at most the square.
      passes = cubeTest(m.residue(p), p) != 0;
    } else if (node->imageKind == kImageOfB) {
      // m lies in <B> Q_p^*3 when one of m, mB, mB^2 is a cube in Q_p^*:
      // its valuation a multiple of 3 and its unit part a cube modulo p.
      const int32_t v = m.valuation(p);
      const int32_t w = valuation(b, p);
      const int64_t unitOfM = m.residueWithout(p, p);
      const int64_t unitOfB = residue(b / power(p, w), static_cast<int64_t>(p));
      passes = false;
      int64_t unit = unitOfM;
      for (int32_t k = 0; k < 3; ++k, unit = unit * unitOfB % p) {
        if ((v + k * w) % 3 == 0 && cubeTest(unit, p) > 0) passes = true;
      }
    }
    if (!passes) return 0;
  }
  return 1;
}

namespace {

// The classes of units at one prime p = 3 or p = 1 (mod 3), for the forms
// of that prime alone: the forms of one prime may number the two classes
// other than the cubes either way, as long as they all number them alike
// (swapping 1 and 2 negates those rows, which keeps the rank). Below the
// table's bound and at 3 the fixed numbering is a look-up; from there to
// 2^64 the first class met is called 1, which spares the character its
// search for a non-cube; beyond, the character.
class UnitClasses {
 public:
  explicit UnitClasses(__uint128_t p) : p_(p) {
    if (p == 3) return;
    const CubicResidueTable& table = CubicResidueTable::instance();
    if (table.holds(static_cast<uint64_t>(p >> 64U == 0 ? p : 0))) {
      table_ = &table;
      word_ = static_cast<uint32_t>(p);
    }
  }

  /// The class of a generator, a prime q > 0: below 2^64, as nearly all
  /// are, its residue takes one word's division.
  int32_t ofPrime(__uint128_t q) {
    if (p_ != 3 && (q | p_) >> 64U == 0) {
      return ofResidue(static_cast<uint64_t>(q) % static_cast<uint64_t>(p_));
    }
    return of(static_cast<__int128_t>(q));
  }

  int32_t of(__int128_t n) {
    if (p_ == 3) return characterModNine(static_cast<int64_t>(residueWide(n, 9)));
    return ofResidue(residueWide(n, p_));
  }

 private:
  // r in [1, p), p != 3.
  int32_t ofResidue(__uint128_t r) {
    if (table_ != nullptr) return table_->classOf(word_, static_cast<uint32_t>(r));
    if (p_ >> 64U != 0) {
      if (!character_) character_.emplace(p_);
      return character_->ofUnsigned(r);
    }
    if (!roots_) roots_.emplace(static_cast<uint64_t>(p_));
    const uint64_t root = roots_->rootOf(static_cast<uint64_t>(r));
    if (root == roots_->one()) return 0;
    if (firstRoot_ == 0) firstRoot_ = root;  // a root of unity is never 0
    return root == firstRoot_ ? 1 : 2;
  }

  __uint128_t p_;
  const CubicResidueTable* table_ = nullptr;  // when it holds p
  uint32_t word_ = 0;                         // p, when the table holds it
  std::optional<CubicCharacter> character_;   // beyond 2^64
  std::optional<CubicRootsOfUnity> roots_;
  uint64_t firstRoot_ = 0;
};

// Sets column j of the two-mask row to value (0, 1 or 2).
void setEntry(uint32_t& ones, uint32_t& twos, uint32_t j, int32_t value) {
  if (value == 1) ones |= 1U << j;
  if (value == 2) twos |= 1U << j;
}

// v_p(b0) and the unit part b0 / p^v of b0 != 0; p a prime. A p beyond
// |b0| does not divide it, so the division runs in 64 bits.
int32_t splitValuation(int64_t b0, __uint128_t p, int64_t& unit) {
  unit = b0;
  const uint64_t magnitude = b0 < 0 ? 0 - static_cast<uint64_t>(b0) : static_cast<uint64_t>(b0);
  if (b0 == 0 || p > magnitude) return 0;
  // A prime p <= |b0| <= 2^63 lies below 2^63 (2^63 is no prime): q fits.
  const auto q = static_cast<int64_t>(p);
  int32_t w = 0;
  while (unit % q == 0) {
    unit /= q;
    ++w;
  }
  return w;
}

}  // namespace

void appendLocalConditions(const LocalDatum& local, int64_t b0,
                           std::span<const __uint128_t> generators, F3Matrix& conditions,
                           uint32_t settled, Rules rules) {
  const __uint128_t p = local.prime;
  if (local.image == LocalImage::kWholeGroup) return;
  // Q_p^*/Q_p^*3 is F_3 (the valuation) for p = 2 (mod 3) and p = 2, since
  // every unit is a cube there; F_3^2 at 3 and at p = 1 (mod 3). The
  // classic rules read <B> at 3 modulo 3, through the valuation alone.
  const bool classicAtThree =
      rules == Rules::kClassic && p == 3 && local.image == LocalImage::kGeneratedByB;
  const bool hasCharacter =
      (p == 3 && !classicAtThree) ||
      (p >> 64U == 0 ? static_cast<uint64_t>(p) % 3 : static_cast<uint64_t>(p % 3)) == 1;
  // Set up on the first class needed.
  UnitClasses classes(p);
  // The valuation form is the coordinate of p itself; the character form
  // takes the class of every other generator.
  uint32_t valuationBit = 0;
  uint32_t characterOnes = 0;
  uint32_t characterTwos = 0;
  for (size_t j = 0; j < generators.size(); ++j) {
    if (generators[j] == p) {
      valuationBit = 1U << j;
    } else if (hasCharacter && ((settled >> j) & 1U) == 0) {
      setEntry(characterOnes, characterTwos, static_cast<uint32_t>(j),
               classes.ofPrime(generators[j]));
    }
  }

  if (local.image == LocalImage::kTrivial) {
    conditions.addRow(valuationBit, 0);
    if (hasCharacter) conditions.addRow(characterOnes, characterTwos);
    return;
  }
  if (local.image == LocalImage::kUnits) {
    conditions.addRow(valuationBit, 0);
    return;
  }
  // <B>: the coordinates (v, c) of m must be a multiple of those (w, c_B) of
  // B0, that is v c_B - c w = 0; without a character, v must be a multiple
  // of w, a condition only when 3 | w.
  __int128_t unitOfB = b0;
  int32_t w = 0;
  while (residueWide(unitOfB, p) == 0) {
    unitOfB /= static_cast<__int128_t>(p);
    ++w;
  }
  const int32_t bValuation = w % 3;
  const int32_t bCharacter = hasCharacter ? classes.of(unitOfB) : 0;
  if (bValuation == 0 && bCharacter == 0) {
    conditions.addRow(valuationBit, 0);
    if (hasCharacter) conditions.addRow(characterOnes, characterTwos);
    return;
  }
  if (!hasCharacter) return;
  uint32_t ones = 0;
  uint32_t twos = 0;
  for (size_t j = 0; j < generators.size(); ++j) {
    const int32_t v = (valuationBit >> j) & 1U ? 1 : 0;
    const int32_t c = (characterOnes >> j) & 1U ? 1 : ((characterTwos >> j) & 1U ? 2 : 0);
    setEntry(ones, twos, static_cast<uint32_t>(j), ((v * bCharacter - c * bValuation) % 3 + 3) % 3);
  }
  conditions.addRow(ones, twos);
}

void appendMinimalConditions(std::span<const LocalDatum> badPrimes, uint32_t column, int64_t b0,
                             F3Matrix& conditions, uint32_t settled) {
  const LocalDatum& local = badPrimes[column];
  const __uint128_t p = local.prime;
  // The whole group: no condition. Units times cubes: the valuation alone,
  // the unit row of a settled column.
  if (local.image == LocalImage::kWholeGroup || local.image == LocalImage::kUnits) return;
  const uint32_t valuationBit = 1U << column;
  const bool open = (settled & valuationBit) == 0;
  // Q_p^*/Q_p^*3 is F_3 (the valuation) for p = 2 (mod 3) and p = 2, since
  // every unit is a cube there; F_3^2 at 3 and at p = 1 (mod 3).
  const bool hasCharacter =
      p == 3 || (p >> 64U == 0 ? static_cast<uint64_t>(p) % 3 : static_cast<uint64_t>(p % 3)) == 1;
  // <B>: the coordinates (v, c) of m must be a multiple of those (w, c_B) of
  // B0, that is v c_B - c w = 0; without a character, v must be a multiple
  // of w, a condition only when 3 | w.
  int64_t unitOfB = b0;
  const int32_t w = local.image == LocalImage::kGeneratedByB ? splitValuation(b0, p, unitOfB) : 0;
  const int32_t bValuation = w % 3;
  if (!hasCharacter) {
    if (open && bValuation == 0) conditions.addRow(valuationBit, 0);
    return;
  }
  // The valuation form is the coordinate of p itself; the character form
  // takes the class of every other generator whose column is not settled,
  // in the order of the columns (which fixes the numbering of the classes
  // beyond the table).
  UnitClasses classes(p);
  uint32_t characterOnes = 0;
  uint32_t characterTwos = 0;
  const uint32_t columns =
      badPrimes.size() >= 32 ? ~0U : (1U << static_cast<uint32_t>(badPrimes.size())) - 1U;
  for (uint32_t rest = columns & ~settled & ~valuationBit; rest != 0; rest &= rest - 1U) {
    const auto j = static_cast<uint32_t>(__builtin_ctz(rest));
    setEntry(characterOnes, characterTwos, j, classes.ofPrime(badPrimes[j].prime));
  }
  const int32_t bCharacter = local.image == LocalImage::kGeneratedByB ? classes.of(unitOfB) : 0;
  if (bValuation == 0 && bCharacter == 0) {
    if (open) conditions.addRow(valuationBit, 0);
    conditions.addRow(characterOnes, characterTwos);
    return;
  }
  // v c_B - c w: c_B in the column of p (whose character entry is 0), and
  // -w times the character row elsewhere; -1 = 2 swaps the masks.
  uint32_t ones = 0;
  uint32_t twos = 0;
  if (bValuation == 1) {
    ones = characterTwos;
    twos = characterOnes;
  } else if (bValuation == 2) {
    ones = characterOnes;
    twos = characterTwos;
  }
  setEntry(ones, twos, column, bCharacter);
  conditions.addRow(ones, twos);
}

}  // namespace velrin
