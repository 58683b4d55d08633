// The exact program against the literal 64-bit model of its first design:
// on every curve where no value of that design leaves int64, the two must
// print the same report byte for byte.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "arith/integer_primitives.hpp"
#include "support/powers_of_three.hpp"
#include "support/report_capture.hpp"
#include "support/wrapping_reference.hpp"

namespace velrin {
namespace {

struct Coefficients {
  int32_t a;
  int32_t b;
};

// Small curves (|A|, |B| <= 100) never wrap; medium ones (up to 3000) wrap
// in the Selmer candidates about half the time, which leaves the other half
// to compare.
std::vector<Coefficients> randomCurves(uint64_t seed, int32_t count, int32_t smallBound,
                                       int32_t mediumBound) {
  std::mt19937_64 rng(seed);
  std::uniform_int_distribution<int32_t> small(-smallBound, smallBound);
  std::uniform_int_distribution<int32_t> medium(-mediumBound, mediumBound);
  std::vector<Coefficients> curves;
  for (int32_t i = 0; i < count; ++i) {
    if (i % 2 == 0) {
      curves.push_back({small(rng), small(rng)});
    } else {
      curves.push_back({medium(rng), medium(rng)});
    }
  }
  return curves;
}

std::string traceOf(const Coefficients& c) {
  return testing::PrintToString(c.a).append(", ").append(testing::PrintToString(c.b));
}

TEST(WrappingReferenceDifferential, FastPathsAgreeWhereNothingWraps) {
  const std::vector<Coefficients> curves = randomCurves(0x5e1d0c0ffeeULL, 20000, 100, 3000);
  int32_t compared = 0;
  int32_t mismatches = 0;
  for (const Coefficients& c : curves) {
    const WrappingReport expected = wrappingReference(c.a, c.b, Paths::kFast);
    if (expected.wrapped()) continue;
    SCOPED_TRACE(traceOf(c));
    ++compared;
    // Exact candidates form a group under multiplication modulo cubes.
    if (!expected.singular) {
      EXPECT_TRUE(isPowerOfThree(expected.rawCount)) << expected.rawCount;
    }
    const std::string actual = reportOf(c.a, c.b, Paths::kFast);
    EXPECT_EQ(actual, expected.text);
    if (actual != expected.text && ++mismatches >= 10) break;
  }
  // Guards against a sample in which everything wraps and nothing is checked.
  EXPECT_GE(compared, 14000);
}

TEST(WrappingReferenceDifferential, LargeCoefficientsAgreeWhereNothingWraps) {
  // Large A with small B puts A^3 near 2^60 and the type at 3 on q t; large
  // B with small A puts B^2 near 2^60. Most such curves wrap somewhere, and
  // the rest must still agree.
  std::mt19937_64 rng(0x1a46eULL);
  std::uniform_int_distribution<int32_t> largeA(-1000000, 1000000);
  std::uniform_int_distribution<int32_t> smallB(-1000, 1000);
  std::uniform_int_distribution<int32_t> smallA(-1000, 1000);
  std::uniform_int_distribution<int32_t> largeB(-500000000, 500000000);
  int32_t compared = 0;
  for (int32_t i = 0; i < 6000; ++i) {
    const Coefficients c = i % 2 == 0 ? Coefficients{largeA(rng), smallB(rng)}
                                      : Coefficients{smallA(rng), largeB(rng)};
    const WrappingReport expected = wrappingReference(c.a, c.b, Paths::kFast);
    if (expected.wrapped()) continue;
    SCOPED_TRACE(traceOf(c));
    ++compared;
    EXPECT_EQ(reportOf(c.a, c.b, Paths::kFast), expected.text);
  }
  EXPECT_GE(compared, 1200);
}

TEST(WrappingReferenceDifferential, PlainPathsAgreeWhereNothingWraps) {
  // The least-root searches and the whole table walk cost up to a few
  // hundred thousand steps per curve, so the plain sample is smaller.
  const std::vector<Coefficients> curves = randomCurves(0x91a1e5eedULL, 400, 60, 400);
  int32_t compared = 0;
  for (const Coefficients& c : curves) {
    const WrappingReport expected = wrappingReference(c.a, c.b, Paths::kPlain);
    if (expected.wrapped()) continue;
    SCOPED_TRACE(traceOf(c));
    ++compared;
    EXPECT_EQ(reportOf(c.a, c.b, Paths::kPlain), expected.text);
  }
  EXPECT_GE(compared, 300);
}

TEST(WrappingReferenceDifferential, OneLongDialogueMatchesTheReports) {
  // A session of many passes through the dialogue: each answer "n" brings
  // the next prompt, the last "y" ends the run.
  const std::vector<Coefficients> curves = randomCurves(0xd1a106eULL, 600, 100, 2000);
  std::string input;
  std::string expected =
      "Velrin ver1.0 - 3-isogeny descent on elliptic curves with a rational 3-torsion point\n";
  std::vector<Coefficients> kept;
  for (const Coefficients& c : curves) {
    const WrappingReport report = wrappingReference(c.a, c.b, Paths::kFast);
    if (report.wrapped()) continue;
    kept.push_back(c);
    expected.append("\nInput the coefficients A,B of Weierstrass equation\nE:y^2+Axy+By=x^3\n");
    expected.append("A=B=").append(report.text).append("Quit? (y/n) >");
  }
  ASSERT_GE(kept.size(), 400U);
  for (size_t i = 0; i < kept.size(); ++i) {
    input.append(std::to_string(kept[i].a)).append("\n");
    input.append(std::to_string(kept[i].b)).append("\n");
    input.append(i + 1 == kept.size() ? "y\n" : "n\n");
  }
  const std::string actual = dialogueOf(input);
  // Report the first differing pass rather than two enormous strings.
  size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  EXPECT_EQ(actual.size(), expected.size());
  if (at < actual.size() || at < expected.size()) {
    const size_t from = at > 200 ? at - 200 : 0;
    ADD_FAILURE() << "transcripts differ at byte " << at << "\nexpected: ..."
                  << expected.substr(from, 400) << "\nactual: ..." << actual.substr(from, 400);
  }
}

}  // namespace
}  // namespace velrin
