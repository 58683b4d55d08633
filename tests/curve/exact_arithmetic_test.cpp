// Curves on which 64-bit wrapping arithmetic gave a wrong answer, with the
// wrong answer (from the wrapping model) and the exact one the program gives.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "arith/factored_integer.hpp"
#include "arith/integer_primitives.hpp"
#include "curve/curve.hpp"
#include "descent/local_images.hpp"
#include "descent/selmer.hpp"
#include "dialogue/reporting_curve.hpp"
#include "support/report_capture.hpp"
#include "support/wrapping_reference.hpp"

namespace velrin {
namespace {

constexpr const char* kTooLarge =
    "\n[2] The curve is too large: B(A^3-27B) does not fit in 64 bits.\n\n";
constexpr const char* kPassPrompt =
    "\nInput the coefficients A,B of Weierstrass equation\nE:y^2+Axy+By=x^3\nA=B=";

std::string lineOne(const char* equation) {
  return std::string("\n[1] E is an elliptic curve defined by ").append(equation).append("\n");
}

// The number of accepted candidates, counted one by one over exact
// factorisations, as the plain descent does before taking the valuation.
int32_t exactCandidateCount(int32_t A, int32_t B) {
  std::FILE* sink = std::fopen("/dev/null", "w");
  ReportingCurve curve(sink);
  int32_t count = -1;
  if (curve.setCoefficients(A, B) != 0 && !curve.tooLarge) {
    curve.selmerDims[0] = 0;
    countSelmerElements(curve, FactoredInteger(), curve.head);
    if (curve.threeIsBad == 0) {
      countSelmerElements(curve, FactoredInteger().times(3, 1), curve.head);
      countSelmerElements(curve, FactoredInteger().times(3, 2), curve.head);
    }
    count = curve.selmerDims[0];
  }
  std::fclose(sink);
  return count;
}

// B(A^3 - 27B) beyond 64 bits. The wrapping design factorised the wrapped
// value instead: for A = 19456 = 2^10 * 19, B = 2^30 it is 427 * 2^64,
// which wraps to 0, so that design found no bad prime at all and printed
// "none among the primes up to 611951." with dim 1, 1 and rankE(Q) < 1.
// For A = 0, B = 2^31 - 1 it printed the end-of-table warning and the same
// empty list and dimensions.
TEST(ExactArithmetic, DiscriminantBeyondSixtyFourBitsIsRefused) {
  struct Row {
    int32_t a;
    int32_t b;
    const char* equation;
  };
  const std::vector<Row> rows = {
      {19456, 1073741824, "y^2+19456xy+1073741824y=x^3"},
      {0, 2147483647, "y^2+2147483647y=x^3"},
      {0, -2147483647 - 1, "y^2-2147483648y=x^3"},
      {-2147483647 - 1, 1, "y^2-2147483648xy+y=x^3"},
      {2097152, 2, "y^2+2097152xy+2y=x^3"},  // 2(2^63 - 54)
      {2097151, -1000, "y^2+2097151xy-1000y=x^3"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "A=" << row.a << " B=" << row.b);
    const std::string expected = lineOne(row.equation).append(kTooLarge);
    EXPECT_EQ(reportOf(row.a, row.b, Paths::kFast), expected);
    EXPECT_EQ(reportOf(row.a, row.b, Paths::kPlain), expected);
    const WrappingReport old = wrappingReference(row.a, row.b);
    EXPECT_NE(old.wraps & kWrapInDiscriminant, 0U);
    EXPECT_NE(old.text, expected);
  }
}

TEST(ExactArithmetic, DialogueGoesOnAfterARefusedCurve) {
  // A refused curve, then a small one, then the end.
  const std::string transcript = dialogueOf("19456\n1073741824\nn\n0\n2147483647\ny\n");
  std::string expected =
      "Velrin ver1.0 - 3-isogeny descent on elliptic curves with a rational 3-torsion point\n";
  expected.append(kPassPrompt)
      .append(lineOne("y^2+19456xy+1073741824y=x^3"))
      .append(kTooLarge)
      .append("Quit? (y/n) >");
  expected.append(kPassPrompt)
      .append(lineOne("y^2+2147483647y=x^3"))
      .append(kTooLarge)
      .append("Quit? (y/n) >");
  EXPECT_EQ(transcript, expected);
}

// Selmer candidates beyond 64 bits. For A = -232, B = 83 the bad primes are
// 83, 131, 95339 and 3 is good, so the largest candidate is
// 9 * 83^2 * 131^2 * 95339^2, about 9.67e18 > 2^63. The wrapping design
// accepted 10 candidates (not a power of 3) and printed
//   [3] dim(Sel(E^/Q))=0, dim(Sel(E/Q))=-1   [4] rankE(Q) < -2
// For A = 229, B = 86 (bad primes 2, 23, 29, 43, 47, 383) it accepted 28
// and printed
//   [3] dim(Sel(E^/Q))=0, dim(Sel(E/Q))=-2   [4] rankE(Q) < -3
// The exact candidates are accepted 9 and 27 times.
TEST(ExactArithmetic, WrappedCandidatesNoLongerBreakTheCount) {
  struct Row {
    int32_t a;
    int32_t b;
    int64_t wrappedCount;
    int32_t exactCount;
    const char* lines3And4;
  };
  const std::vector<Row> rows = {
      {-232, 83, 10, 9, "\n[3] dim(Sel(E^/Q))=2, dim(Sel(E/Q))=1\n\n[4] rankE(Q) < 2\n\n"},
      {232, -83, 10, 9, "\n[3] dim(Sel(E^/Q))=2, dim(Sel(E/Q))=1\n\n[4] rankE(Q) < 2\n\n"},
      {229, 86, 28, 27, "\n[3] dim(Sel(E^/Q))=3, dim(Sel(E/Q))=1\n\n[4] rankE(Q) < 3\n\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "A=" << row.a << " B=" << row.b);
    const WrappingReport old = wrappingReference(row.a, row.b);
    EXPECT_EQ(old.wraps, static_cast<uint32_t>(kWrapInCandidate));  // D itself fits
    EXPECT_EQ(old.rawCount, row.wrappedCount);
    EXPECT_EQ(exactCandidateCount(row.a, row.b), row.exactCount);
    for (const Paths paths : {Paths::kFast, Paths::kPlain}) {
      const std::string report = reportOf(row.a, row.b, paths);
      const size_t line3 = report.find("\n[3]");
      ASSERT_NE(line3, std::string::npos);
      EXPECT_EQ(report.substr(line3), row.lines3And4);
      // Lines [1] and [2] never depended on the candidates.
      EXPECT_EQ(report.substr(0, line3), old.text.substr(0, old.text.find("\n[3]")));
    }
  }
}

// Type II or III at 3 (3 | A, 3 does not divide B, v3(A^3 - 27B) = 3) is
// read off y = q t / 81 modulo 3, where q = A^3 - 27B and
// t = A z^2 - 4B + z^3 with z^3 = B (mod 3); for A near 10^6, q t is near
// 4 * 10^24 and wrapped. With A = 3c, c = 333333 = 0 (mod 3):
//   B = 1:  z = 1, y = (c^3 - 1)(c - 1) = 1 (mod 3): type II, trivial image;
//           the wrapping design got y = 0 and printed
//           {3, III, Zp^{*}Qp^*3/Qp^{*3}}, dim 0, 1 and rankE(Q)=0.
//   B = -2: z = 1, y = (c^3 + 2)(c + 3) = 0 (mod 3): type III, units image;
//           the wrapping design printed {3, II, {e}}, dim 0, 0, rankE(Q) < -1.
//   B = -5: z = 1, y = (c^3 + 5)(c + 7) = 2 (mod 3): type II, units image;
//           the wrapping design printed {3, II, {e}}, dim 0, 0, rankE(Q) < -1.
TEST(ExactArithmetic, TypeAtThreeFollowsTheExactResidue) {
  struct Row {
    int32_t a;
    int32_t b;
    const char* oldEntry;
    const char* entry;
    const char* line3;
  };
  const std::vector<Row> rows = {
      {999999, 1, "{3, III, Zp^{*}Qp^*3/Qp^{*3}}", "{3, II, {e}}",
       "[3] dim(Sel(E^/Q))=0, dim(Sel(E/Q))=2"},
      {999999, -2, "{3, II, {e}}", "{3, III, Zp^{*}Qp^*3/Qp^{*3}}",
       "[3] dim(Sel(E^/Q))=1, dim(Sel(E/Q))=0"},
      {999999, -5, "{3, II, {e}}", "{3, II, Zp^{*}Qp^*3/Qp^{*3}}",
       "[3] dim(Sel(E^/Q))=1, dim(Sel(E/Q))=0"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "A=" << row.a << " B=" << row.b);
    const WrappingReport old = wrappingReference(row.a, row.b);
    EXPECT_EQ(old.wraps, static_cast<uint32_t>(kWrapInResidueAtThree));
    EXPECT_NE(old.text.find(row.oldEntry), std::string::npos) << old.text;
    for (const Paths paths : {Paths::kFast, Paths::kPlain}) {
      const std::string report = reportOf(row.a, row.b, paths);
      EXPECT_NE(report.find(row.entry), std::string::npos) << report;
      EXPECT_NE(report.find(row.line3), std::string::npos) << report;
    }
  }
}

// A^3 and 27B compared as integers. For A = 365613572, B = -506288960 the
// two agree modulo 2^64 (A is no multiple of 3, so A^3 != 27B), and the
// wrapping design printed "[1] The curve E is singular." The curve is
// nonsingular; its D is far beyond 64 bits, so line [1] is followed by the
// refusal.
TEST(ExactArithmetic, SingularityIsDecidedOnExactValues) {
  struct Row {
    int32_t a;
    int32_t b;
    const char* expected;
  };
  const std::string singular = "\n[1] The curve E is singular.\n\n";
  const std::vector<Row> rows = {
      {365613572, -506288960, "y^2+365613572xy-506288960y=x^3"},
      {-365613572, 506288960, "y^2-365613572xy+506288960y=x^3"},
      // A = 3c, B = c^3: singular, the largest such c being 1290.
      {3, 1, nullptr},
      {-6, -8, nullptr},
      {3870, 2146689000, nullptr},
      {7, 0, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "A=" << row.a << " B=" << row.b);
    const std::string report = reportOf(row.a, row.b, Paths::kFast);
    if (row.expected == nullptr) {
      EXPECT_EQ(report, singular);
      continue;
    }
    EXPECT_EQ(report, lineOne(row.expected).append(kTooLarge));
    const WrappingReport old = wrappingReference(row.a, row.b);
    EXPECT_TRUE(old.singular);
    EXPECT_EQ(old.wraps, static_cast<uint32_t>(kWrapInSingularityTest));
  }
}

}  // namespace
}  // namespace velrin
