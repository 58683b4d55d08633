// The fast cube tests against the plain least-root search: cubeRootSign
// (Euler's criterion) must give the sign of cubeRootMod, and the cubic
// residue characters that the elimination uses must vanish exactly on the
// residues that the search finds to be cubes.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <vector>

#include "arith/cubic_residue_table.hpp"
#include "arith/integer_primitives.hpp"
#include "arith/modular.hpp"
#include "arith/primality.hpp"
#include "arith/prime_table.hpp"
#include "arith/wide_modular.hpp"
#include "differential/sampling.hpp"

namespace velrin {
namespace {

using differential::primesUpTo;
using differential::SplitMix64;

int32_t signOf(int32_t root) { return root > 0 ? 1 : root; }

// The largest table primes of each class modulo 3, where a linear search
// is longest; found by walking down the table.
std::vector<int32_t> largeTablePrimes() {
  std::vector<int32_t> primes;
  bool haveOne = false;
  bool haveTwo = false;
  const PrimeTable& table = PrimeTable::instance();
  for (int32_t slot = PrimeTable::kSlots - 1; !(haveOne && haveTwo); --slot) {
    const int32_t p = table[slot];
    bool& have = p % 3 == 1 ? haveOne : haveTwo;
    if (!have) primes.push_back(p);
    have = true;
  }
  return primes;
}

TEST(CubeTestPaths, SignAgreesWithTheSearchOnEveryResidueOfSmallModuli) {
  // Every residue class, reached from both signs and from beyond m, for 9
  // and the primes up to 400: the classes 1 and 2 modulo 3 both occur.
  std::vector<int32_t> moduli = primesUpTo(400);
  moduli.push_back(9);
  for (const int32_t m : moduli) {
    for (int64_t n = -2 * static_cast<int64_t>(m); n <= 2 * m; ++n) {
      const int32_t plain = signOf(cubeRootMod(n, m));
      const int32_t fast = cubeRootSign(n, m);
      ASSERT_EQ(fast, plain) << "n = " << n << ", m = " << m;
    }
  }
}

TEST(CubeTestPaths, SignAgreesWithTheSearchAtTheLargestTablePrimes) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  SplitMix64 rng(0xc0be5ULL);
  for (const int32_t p : largeTablePrimes()) {
    // Cubes, non-cubes, multiples of p and the extremes of int64, whose
    // residues the two paths reduce separately.
    std::vector<int64_t> values = {0,    1,    -1,       p,        -p,
                                   kMax, kMin, kMax - p, kMin + p, int64_t{p} * p - 1};
    for (int32_t i = 0; i < 40; ++i) values.push_back(rng.between(kMin, kMax));
    for (int32_t i = 0; i < 10; ++i) {
      const int64_t x = rng.between(1, p - 1);
      values.push_back(x * x % p * x);  // a cube, seen from above p
    }
    for (const int64_t n : values) {
      ASSERT_EQ(cubeRootSign(n, p), signOf(cubeRootMod(n, p))) << "n = " << n << ", p = " << p;
    }
  }
}

TEST(CubeTestPaths, CubicCharacterVanishesExactlyOnTheCubes) {
  // For p = 1 (mod 3) the character must be 0 on the cubes that the search
  // finds, take each of its three values on a third of the units, and add
  // under multiplication; that makes it a homomorphism onto Z/3 whose kernel
  // is the cubes, which is all that the elimination needs.
  for (const int32_t p : primesUpTo(700)) {
    if (p % 3 != 1) continue;
    SCOPED_TRACE(testing::Message() << "p = " << p);
    const CubicCharacter character(p);
    std::vector<int32_t> classOf(static_cast<size_t>(p), -1);
    std::array<int32_t, 3> counts{};
    for (int32_t x = 1; x < p; ++x) {
      const int32_t c = character.of(x);
      ASSERT_GE(c, 0);
      ASSERT_LE(c, 2);
      classOf[static_cast<size_t>(x)] = c;
      ++counts[static_cast<size_t>(c)];
      ASSERT_EQ(c == 0, cubeRootMod(x, p) > 0) << "x = " << x;
      // The class belongs to the residue, whatever the representative.
      ASSERT_EQ(character.of(x - 3 * static_cast<int64_t>(p)), c) << "x = " << x;
    }
    EXPECT_EQ(counts[0], (p - 1) / 3);
    EXPECT_EQ(counts[1], (p - 1) / 3);
    EXPECT_EQ(counts[2], (p - 1) / 3);
    for (int32_t x = 1; x < p; ++x) {
      for (const int32_t y : {2, 3, 5, p - 1, p - 2}) {
        const auto product = static_cast<size_t>(static_cast<int64_t>(x) * y % p);
        ASSERT_EQ(classOf[product],
                  (classOf[static_cast<size_t>(x)] + classOf[static_cast<size_t>(y)]) % 3)
            << x << " * " << y;
      }
    }
  }
}

TEST(CubeTestPaths, CharacterModNineVanishesExactlyOnTheThreeAdicCubes) {
  for (int64_t n = -300; n <= 300; ++n) {
    if (n % 3 == 0) continue;
    SCOPED_TRACE(testing::Message() << "n = " << n);
    const int32_t c = characterModNine(n);
    ASSERT_GE(c, 0);
    ASSERT_LE(c, 2);
    EXPECT_EQ(c == 0, cubeRootMod(n, 9) > 0);
    for (const int64_t m : {2, 4, 5, -1, 7}) {
      EXPECT_EQ(characterModNine(n * m), (c + characterModNine(m)) % 3) << "times " << m;
    }
  }
  // The extremes of int64 are 7 and 1 modulo 9.
  EXPECT_EQ(characterModNine(std::numeric_limits<int64_t>::max()), characterModNine(7));
  EXPECT_EQ(characterModNine(std::numeric_limits<int64_t>::min()), characterModNine(1));
}

}  // namespace
}  // namespace velrin

namespace velrin {
namespace {

// The class of r modulo p by exponentiation, as the character numbers it:
// 0 for the cubes, 1 where r^((p-1)/3) is the power of the least non-cube.
int32_t classByPower(uint64_t r, uint64_t p) {
  const __uint128_t e = (p - 1) / 3;
  __uint128_t omega = 1;
  for (__uint128_t a = 2; omega == 1; ++a) omega = powModWide(a, e, p);
  const __uint128_t root = powModWide(r, e, p);
  if (root == 1) return 0;
  return root == omega ? 1 : 2;
}

TEST(CubeTestPaths, ResidueTableAgreesWithExponentiationForEveryPrimeItHolds) {
  const CubicResidueTable& table = CubicResidueTable::instance();
  int32_t held = 0;
  for (const int32_t p : primesUpTo(static_cast<int32_t>(CubicResidueTable::kBound) + 100)) {
    const auto q = static_cast<uint32_t>(p);
    SCOPED_TRACE(testing::Message() << "p = " << p);
    ASSERT_EQ(table.holds(q), p % 3 == 1 && q < CubicResidueTable::kBound);
    if (!table.holds(q)) continue;
    ++held;
    const CubicCharacter character(q);
    for (uint32_t r = 1; r < q; ++r) {
      const int32_t expected = classByPower(r, q);
      ASSERT_EQ(table.classOf(q, r), expected) << "r = " << r;
      ASSERT_EQ(character.of(static_cast<__int128_t>(r) - 5 * p), expected) << "r = " << r;
    }
  }
  EXPECT_EQ(held, 151);  // the primes p = 1 (mod 3) below 2048
  EXPECT_FALSE(table.holds(2053));
  EXPECT_FALSE(table.holds(uint64_t{1} << 40));
}

TEST(CubeTestPaths, CharacterBeyondTheTableAgreesWithExponentiation) {
  // Primes p = 1 (mod 3) from just past the table to near 2^63, where the
  // Montgomery powers take over.
  SplitMix64 random(20261209);
  int32_t tested = 0;
  for (uint64_t bits = 12; bits <= 63; ++bits) {
    for (uint64_t p = (uint64_t{1} << (bits - 1)) + 1 + random.next() % (uint64_t{1} << (bits - 2));
         tested < static_cast<int32_t>(bits - 11) * 2; ++p) {
      if (p % 3 != 1 || !isPrime(p)) continue;
      ++tested;
      SCOPED_TRACE(testing::Message() << "p = " << p);
      const CubicCharacter character(p);
      // The unnumbered roots must part the units exactly as the classes do.
      const CubicRootsOfUnity roots(p);
      uint64_t previous = 1;
      for (int i = 0; i < 50; ++i) {
        const uint64_t r = 1 + random.next() % (p - 1);
        ASSERT_EQ(character.ofUnsigned(r), classByPower(r, p)) << "r = " << r;
        ASSERT_EQ(character.of(-static_cast<__int128_t>(p - r)), classByPower(r, p)) << "r = " << r;
        ASSERT_EQ(roots.rootOf(r) == roots.one(), classByPower(r, p) == 0) << "r = " << r;
        ASSERT_EQ(roots.rootOf(r) == roots.rootOf(previous),
                  classByPower(r, p) == classByPower(previous, p))
            << "r = " << r << ", " << previous;
        previous = r;
      }
    }
  }
}

}  // namespace
}  // namespace velrin
