#include "arith/wide_modular.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "arith/modular.hpp"
#include "arith/montgomery.hpp"
#include "arith/wide_literal.hpp"

namespace velrin {
namespace {

// Moduli across the word boundary and up to the top of the domain.
const std::vector<__uint128_t> kModuli = {
    3U,
    1000003U,
    wide("18446744073709551557"),  // 2^64 - 59
    wide("18446744073709551629"),  // 2^64 + 13
    wide("9903520314283042199193006149"),
    wide("85070591730234615865843651857942052871"),   // 2^126 + 7
    wide("170141183460469231731687303715884105727"),  // 2^127 - 1
    wide("340282366920938463463374607431768211455"),  // 2^128 - 1: no Montgomery
    wide("340282366920938463463374607431768211454"),  // even
};

/// Returns a * b mod m by schoolbook halving: an oracle independent of both
/// the doubling loop and Montgomery's reduction.
__uint128_t plainProduct(__uint128_t a, __uint128_t b, __uint128_t m) {
  // a * b = (a * (b / 2)) * 2 + a * (b mod 2), recursively on b's bits.
  if (b == 0) return 0;
  const __uint128_t half = plainProduct(a, b / 2, m);
  __uint128_t doubled = half >= m - half ? half - (m - half) : half + half;
  if ((b & 1U) != 0) doubled = doubled >= m - a % m ? doubled - (m - a % m) : doubled + a % m;
  return doubled;
}

TEST(WideModular, ProductsAndPowersAgreeWithPlainArithmetic) {
  uint64_t state = 12345;  // xorshift64: a fixed sequence of operands
  const auto draw = [&state] {
    const auto next = [&state] {
      state ^= state << 13U;
      state ^= state >> 7U;
      state ^= state << 17U;
      return state;
    };
    return (static_cast<__uint128_t>(next()) << 64U) | next();
  };
  for (const __uint128_t m : kModuli) {
    SCOPED_TRACE(testing::Message() << "m = " << decimal(m));
    const bool montgomery = (m & 1U) != 0 && m >> 127U == 0 && m > 2;
    for (int i = 0; i < 200; ++i) {
      const __uint128_t a = draw() % m;
      const __uint128_t b = draw() % m;
      const __uint128_t product = plainProduct(a, b, m);
      ASSERT_EQ(decimal(mulModWide(a, b, m)), decimal(product))
          << decimal(a) << " * " << decimal(b);
      if (montgomery) {
        const Montgomery128 field(m);
        const __uint128_t inForm = field.multiply(field.toForm(a), field.toForm(b));
        ASSERT_EQ(decimal(field.fromForm(inForm)), decimal(product));
      }
      // a^(e + f) = a^e a^f, with exponents of every size.
      const __uint128_t e = draw() >> (i % 128);
      const __uint128_t f = draw() >> (i % 128);
      if (e > ~f) continue;
      ASSERT_EQ(decimal(powModWide(a, e + f, m)),
                decimal(plainProduct(powModWide(a, e, m), powModWide(a, f, m), m)));
    }
  }
}

TEST(Montgomery64, ProductsSumsAndPowersAgreeWithPlainWideArithmetic) {
  // Odd moduli of every size from 3 to just below 2^64, where a sum of two
  // residues carries out of the word; the plain product is formed in 128
  // bits and reduced by division.
  uint64_t state = 0x6d6f6e74ULL;
  const auto next = [&state] {
    state ^= state << 13U;
    state ^= state >> 7U;
    state ^= state << 17U;
    return state;
  };
  for (int32_t sample = 0; sample < 400; ++sample) {
    const int32_t bits = 2 + sample % 63;
    uint64_t n = (next() >> (64 - bits)) | 1U;
    if (n < 3) n = 3;
    if (sample % 50 == 0) n = UINT64_MAX - 2 * static_cast<uint64_t>(sample);  // odd, near 2^64
    SCOPED_TRACE(testing::Message() << "n = " << n);
    const Montgomery64 field(n);
    for (int32_t i = 0; i < 20; ++i) {
      const uint64_t a = next() % n;
      const uint64_t b = next() % n;
      const auto product = static_cast<uint64_t>(static_cast<__uint128_t>(a) * b % n);
      const uint64_t fa = field.toForm(a);
      const uint64_t fb = field.toForm(b);
      ASSERT_EQ(field.fromForm(field.multiply(fa, fb)), product) << a << " * " << b;
      ASSERT_EQ(field.fromForm(field.add(fa, fb)),
                static_cast<uint64_t>((static_cast<__uint128_t>(a) + b) % n));
      ASSERT_EQ(field.fromForm(field.sub(fa, fb)), a >= b ? a - b : a + (n - b));
      // a^e by repeated plain squaring.
      const uint64_t e = next() >> (next() % 64);
      uint64_t plain = 1 % n;
      uint64_t base = a;
      for (uint64_t k = e; k != 0; k >>= 1U) {
        if ((k & 1U) != 0)
          plain = static_cast<uint64_t>(static_cast<__uint128_t>(plain) * base % n);
        base = static_cast<uint64_t>(static_cast<__uint128_t>(base) * base % n);
      }
      ASSERT_EQ(field.fromForm(field.power(fa, e)), plain) << a << "^" << e;
    }
  }
}

TEST(WideModular, EdgeValues) {
  const __uint128_t top = wide("340282366920938463463374607431768211455");  // 2^128 - 1
  EXPECT_EQ(decimal(residueWide(-1, top)), decimal(top - 1));
  EXPECT_EQ(decimal(residueWide(
                static_cast<__int128_t>(wide("-170141183460469231731687303715884105728")), 7)),
            "5");                                              // -2^127 = -2 (mod 7)
  EXPECT_EQ(decimal(mulModWide(top - 1, top - 1, top)), "1");  // (-1)^2
  EXPECT_EQ(decimal(powModWide(2, 127, wide("170141183460469231731687303715884105727"))), "1");
  EXPECT_EQ(decimal(powModWide(7, 0, 1)), "0");
  EXPECT_EQ(decimal(powModWide(3, wide("18446744073709551616"), 1000003)),
            decimal(powMod(powMod(3, uint64_t{1} << 32U, 1000003), uint64_t{1} << 32U, 1000003)));
  EXPECT_EQ(decimal(gcdWide(wide("19807040628550603274666900929"), wide("140737488355333") * 6)),
            "140737488355333");
  EXPECT_EQ(decimal(gcdWide(0, 0)), "0");
  EXPECT_EQ(decimal(squareRootFloor(top)), "18446744073709551615");
  EXPECT_EQ(decimal(squareRootFloor(wide("19807040628567491773269540889"))), "140737488355333");
  EXPECT_EQ(decimal(squareRootFloor(wide("19807040628567491773269540888"))), "140737488355332");
  const Montgomery64 word(18446744073709551557U);  // near 2^64: carries in add
  const uint64_t minusOne = word.sub(0, word.one());
  EXPECT_EQ(word.fromForm(word.add(minusOne, minusOne)), 18446744073709551555U);
  EXPECT_EQ(word.fromForm(word.multiply(minusOne, minusOne)), 1U);
}

// The class of x (columns) modulo p (rows) from gp, computed as in the
// definition: omega = a^((p-1)/3) for the least non-cube a >= 2, class 0,
// 1 or 2 as Mod(x, p)^((p-1)/3) is 1, omega or omega^2.
const std::vector<__int128_t> kResidues = {
    2,
    3,
    -1,
    -2,
    7,
    static_cast<__int128_t>(wide("100000000000000000039")),
    -static_cast<__int128_t>(wide("1000000000000000000000000000007")),
    static_cast<__int128_t>(wide("170141183460469231731687303715884105727")),
    static_cast<__int128_t>(wide("-170141183460469231731687303715884105728")),
};
struct CharacterRow {
  const char* p;
  std::vector<int32_t> classes;
  int32_t classOfTop;  // of 2^128 - 1, given unsigned
};
const std::vector<CharacterRow> kCharacterRows = {
    {"18446744073709551667", {0, 1, 0, 0, 0, 1, 0, 1, 0}, 1},
    {"1267650600228229401496703205823", {1, 2, 0, 1, 2, 2, 2, 2, 1}, 2},
    {"127605887595351923798765477786913079303", {1, 0, 0, 1, 2, 1, 1, 0, 1}, 1},
};

TEST(CubicCharacter, WidePrimesAgreeWithEulersCriterionInGp) {
  for (const CharacterRow& row : kCharacterRows) {
    SCOPED_TRACE(testing::Message() << "p = " << row.p);
    const __uint128_t p = wide(row.p);
    const CubicCharacter character(p);
    for (size_t i = 0; i < kResidues.size(); ++i) {
      EXPECT_EQ(character.of(kResidues[i]), row.classes[i]) << "column " << i;
      EXPECT_EQ(cubeRootSignWide(kResidues[i], p), row.classes[i] == 0 ? 1 : -1) << "column " << i;
    }
    EXPECT_EQ(character.ofUnsigned(wide("340282366920938463463374607431768211455")),
              row.classOfTop);
    EXPECT_EQ(cubeRootSignWide(-static_cast<__int128_t>(p), p), 0);
  }
  // Modulo p = 2 (mod 3) every unit is a cube.
  EXPECT_EQ(cubeRootSignWide(2, wide("18446744073709551629")), 1);
}

}  // namespace
}  // namespace velrin
