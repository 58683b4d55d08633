#include "descent/selmer.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "arith/prime_factors.hpp"
#include "curve/curve.hpp"
#include "descent/covering_curve.hpp"
#include "descent/curve_analysis.hpp"
#include "descent/f3_matrix.hpp"
#include "descent/local_images.hpp"
#include "descent/rank_search.hpp"
#include "descent/second_descent.hpp"
#include "dialogue/reporting_curve.hpp"
#include "reference/plain_paths.hpp"
#include "support/captured_output.hpp"

namespace velrin {
namespace {

struct Node {
  int32_t prime;
  int32_t imageKind;
  int32_t dimDelta;
};

struct CountRow {
  const char* name;
  int64_t b;
  int32_t threeIsBad;
  std::vector<Node> nodes;
  std::array<int32_t, 2> dims;
};

// Dimensions from hand-built lists, by enumeration and by elimination.
TEST(SelmerDimensions, FromTheLocalImages) {
  const std::vector<CountRow> rows = {
      {"no bad prime, with the seeds", 1, 0, {}, {1, 1}},
      {"no bad prime, 3 bad", 1, 1, {}, {0, 0}},
      {"whole group with the seeds: all 9 pass", 1, 0, {{2, 3, -1}}, {2, 1}},
      {"whole group without the seeds: 3 pass", 1, 1, {{2, 3, -1}}, {1, 0}},
      // 1, 2, 4, 3, 6, 12, 9, 18, 36: the odd ones 1, 3, 9 pass.
      {"trivial image at 2", 1, 0, {{2, 0, 0}}, {1, 1}},
      // 3 and 9 are no cubes modulo 7, the multiples of 7 fail: only 1.
      {"trivial image at 7", 1, 0, {{7, 0, 1}}, {0, 1}},
      {"trivial image at 7 and 13", 1, 0, {{7, 0, 1}, {13, 0, 1}}, {0, 2}},
      // 2 is no cube modulo 7 but a unit at 7; at 2 the whole group.
      {"units at 7, whole group at 2", 1, 0, {{2, 3, -1}, {7, 1, 0}}, {2, 1}},
      // B = 7 is p times a cube: 7^e passes, 3 and 9 are no cubes modulo 7.
      {"image of B at 7, B = 7", 7, 0, {{7, 2, 0}}, {1, 1}},
      {"negative terms", 1, 1, {{2, 3, -1}, {5, 3, -1}}, {2, 0}},
      {"dim Sel(E/Q) below zero", 1, 1, {{3, 0, 0}, {2, 2, -1}, {5, 2, -1}}, {0, -2}},
  };
  for (const Paths paths : {Paths::kPlain, Paths::kFast}) {
    for (const CountRow& row : rows) {
      SCOPED_TRACE(testing::Message() << row.name << (paths == Paths::kFast ? " (fast)" : ""));
      CapturedOutput out;
      ReportingCurve curve(out.stream());
      curve.b = row.b;
      curve.threeIsBad = row.threeIsBad;
      BadPrimeNode* node = curve.head;
      for (const Node& n : row.nodes) {
        node->prime = n.prime;
        node->imageKind = static_cast<LocalImage>(n.imageKind);
        node->dimDelta = n.dimDelta;
        node->next = new BadPrimeNode;
        node = node->next;
      }
      EXPECT_EQ(selmerDimensions(curve, paths), row.dims);
    }
  }
}

// Whether two analyses say the same of their curve.
bool sameAnalysis(const CurveAnalysis& x, const CurveAnalysis& y) {
  if (x.a != y.a || x.b != y.b || x.rules != y.rules || x.status != y.status ||
      x.scale != y.scale || x.dimSelmerEHat != y.dimSelmerEHat || x.dimSelmerE != y.dimSelmerE ||
      x.badPrimeCount != y.badPrimeCount || x.warningCount != y.warningCount ||
      x.selmerBasisCount != y.selmerBasisCount) {
    return false;
  }
  for (size_t i = 0; i < x.badPrimes().size(); ++i) {
    const LocalDatum& p = x.badPrimes()[i];
    const LocalDatum& q = y.badPrimes()[i];
    if (p.prime != q.prime || !(p.kodaira == q.kodaira) || p.image != q.image || p.term != q.term) {
      return false;
    }
  }
  for (size_t i = 0; i < x.warnings().size(); ++i) {
    if (x.warnings()[i] != y.warnings()[i]) return false;
  }
  for (size_t i = 0; i < x.selmerBasis().size(); ++i) {
    if (x.selmerBasis()[i].ones != y.selmerBasis()[i].ones ||
        x.selmerBasis()[i].twos != y.selmerBasis()[i].twos) {
      return false;
    }
  }
  return true;
}

TEST(AnalyzeCurve, FromGivenFactorsEqualsFromThePairUnderBothRules) {
  // A caller that has factored B and F (a row sieve) runs the later stages
  // directly, into one record reused from curve to curve; the pairs mix
  // sizes so that a long list, warnings or a refusal precede a short one.
  std::mt19937_64 rng(0xfac7ULL);
  CurveAnalysis reused;
  int32_t warned = 0;
  int32_t refused = 0;
  for (int32_t i = 0; i < 3000; ++i) {
    const int32_t bits = 2 + i % 31;
    const auto draw = [&rng, bits] {
      const auto magnitude = static_cast<int32_t>(rng() >> (64 - bits));
      return (rng() & 1U) != 0 ? magnitude : -magnitude;
    };
    const int32_t a = i % 7 == 0 ? 0 : draw();
    const int32_t b = i % 11 == 0 ? 611953 : draw();
    const Rules rules = i % 2 == 0 ? Rules::kTrue : Rules::kClassic;
    SCOPED_TRACE(testing::Message() << "(" << a << ", " << b << ")"
                                    << (rules == Rules::kClassic ? " classic" : " true"));
    const CurveAnalysis expected = analyzeCurve(a, b, rules);
    // F, not F0: the analysis accepts the primes of either.
    const __int128_t f = static_cast<__int128_t>(a) * a * a - static_cast<__int128_t>(27) * b;
    const PrimeFactors ofB =
        primeFactors(b < 0 ? 0 - static_cast<__uint128_t>(b) : static_cast<__uint128_t>(b));
    const PrimeFactors ofF =
        primeFactors(f < 0 ? 0 - static_cast<__uint128_t>(f) : static_cast<__uint128_t>(f));
    const CurveFactors factors{ofB.primes(), ofF.primes()};
    if (b != 0 && f != 0) {
      EXPECT_TRUE(sameAnalysis(analyzeCurve(a, b, factors, rules), expected));
    }
    analyzeCurve(a, b, b != 0 && f != 0 ? factors : CurveFactors{}, reused, rules);
    EXPECT_TRUE(sameAnalysis(reused, expected));
    warned += expected.warningCount > 0 ? 1 : 0;
    refused += expected.status == CurveStatus::kTooLarge ? 1 : 0;
  }
  EXPECT_GT(warned, 100);
  EXPECT_GT(refused, 100);
}

TEST(PrintReport, BoundLineForEverySum) {
  // d1 + d2 = 1 is the one case written as rank 0; other sums give the
  // inclusive bound d1 + d2 - 1, negative ones with their sign.
  struct Row {
    int32_t a;
    int32_t b;
    const char* lineFour;
  };
  const std::vector<Row> rows = {
      {1, 1, "\n[4] rankE(Q)=0\n\n"},          // dims 0, 1
      {1, 2, "\n[4] rankE(Q) < 2\n\n"},        // dims 2, 1
      {0, 611953, "\n[4] rankE(Q) < -1\n\n"},  // dims 0, 0
      {9, 54, "\n[4] rankE(Q) < -2\n\n"},      // dims 0, -1
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "(" << row.a << ", " << row.b << ")");
    CapturedOutput out;
    ReportingCurve curve(out.stream());
    ASSERT_EQ(curve.setCoefficients(row.a, row.b), 1);
    printReport(curve);
    const std::string text = out.text();
    const std::string lineFour = row.lineFour;
    ASSERT_GE(text.size(), lineFour.size());
    EXPECT_EQ(text.substr(text.size() - lineFour.size()), lineFour);
  }
}

// The kernel against brute force: every vector of F_3^n tested against
// every row, on random matrices of up to 6 columns and rows.
TEST(F3MatrixKernel, AgreesWithEveryVectorTested) {
  std::mt19937 random(20261210);
  for (int trial = 0; trial < 400; ++trial) {
    const auto columns = static_cast<int32_t>(random() % 7);
    const auto rowCount = static_cast<int32_t>(random() % 7);
    std::vector<F3Matrix::Row> rows(static_cast<size_t>(rowCount));
    F3Matrix matrix;
    for (F3Matrix::Row& row : rows) {
      row = {};
      for (int32_t j = 0; j < columns; ++j)
        row[static_cast<size_t>(j)] = static_cast<int32_t>(random() % 3);
      matrix.addRow(row);
    }
    SCOPED_TRACE(testing::Message() << "trial " << trial << ": " << rowCount << " x " << columns);
    const auto entry = [](const F3Matrix::Vector& v, int32_t j) {
      return ((v.ones >> j) & 1U) != 0 ? 1 : (((v.twos >> j) & 1U) != 0 ? 2 : 0);
    };
    const auto inKernel = [&](const F3Matrix::Vector& v) {
      for (const F3Matrix::Row& row : rows) {
        int32_t dot = 0;
        for (int32_t j = 0; j < columns; ++j) dot += row[static_cast<size_t>(j)] * entry(v, j);
        if (dot % 3 != 0) return false;
      }
      return true;
    };
    int64_t kernelSize = 0;
    int64_t total = 1;
    for (int32_t j = 0; j < columns; ++j) total *= 3;
    for (int64_t index = 0; index < total; ++index) {
      F3Matrix::Vector v;
      int64_t digits = index;
      for (int32_t j = 0; j < columns; ++j, digits /= 3) {
        if (digits % 3 == 1) v.ones |= 1U << j;
        if (digits % 3 == 2) v.twos |= 1U << j;
      }
      if (inKernel(v)) ++kernelSize;
    }
    std::array<F3Matrix::Vector, F3Matrix::kMaxColumns> basis{};
    const int32_t size = matrix.kernel(columns, basis);
    EXPECT_EQ(size, columns - matrix.rank());
    int64_t expected = 1;
    for (int32_t i = 0; i < size; ++i) expected *= 3;
    EXPECT_EQ(kernelSize, expected);
    // The basis lies in the kernel and is independent.
    F3Matrix spanned;
    for (int32_t i = 0; i < size; ++i) {
      EXPECT_TRUE(inKernel(basis[static_cast<size_t>(i)]));
      spanned.addRow(basis[static_cast<size_t>(i)].ones, basis[static_cast<size_t>(i)].twos);
    }
    EXPECT_EQ(spanned.rank(), size);
  }
}

// The covers' maps against E: every point of a small box on the cover of
// each Selmer class (and of classes outside the group, whose covers have
// no points) goes to a point of E whose class is the cover's.
TEST(CoveringCurves, PointsMapToTheirClassOnTheCurve) {
  struct Row {
    int32_t a;
    int32_t b;
    int32_t pointsAtLeast;  // on the covers of the whole Selmer group
  };
  // (-5, 3) and (-39, 19) have rank 1 and 2 (gp: ellrank); (0, 1) rank 0;
  // (19456, 2^30) is a scaled model, (-4, 6) has d1 = 2.
  const std::vector<Row> rows = {{-5, 3, 2}, {-39, 19, 2},           {0, 1, 1},
                                 {-4, 6, 2}, {19456, 1073741824, 1}, {9, 54, 1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "(" << row.a << ", " << row.b << ")");
    const CurveAnalysis analysis = analyzeCurve(row.a, row.b);
    ASSERT_EQ(analysis.status, CurveStatus::kAnalysed);
    ASSERT_EQ(analysis.selmerBasisCount, analysis.dimSelmerEHat);
    const int64_t scale = analysis.scale;
    const int64_t a0 = row.a / scale;
    const int64_t b0 = row.b / (scale * scale * scale);
    // Every class of the group: the basis's combinations.
    std::vector<F3Matrix::Vector> classes{{}};
    for (const F3Matrix::Vector& e : analysis.selmerBasis()) {
      const std::vector<F3Matrix::Vector> before = classes;
      for (const F3Matrix::Vector& c : before) {
        // c + e and c + 2e by their exponents, one prime at a time.
        F3Matrix::Vector once;
        F3Matrix::Vector twice;
        for (int32_t j = 0; j < analysis.badPrimeCount; ++j) {
          const int32_t x = ((c.ones >> j) & 1U) + 2 * ((c.twos >> j) & 1U);
          const int32_t y = ((e.ones >> j) & 1U) + 2 * ((e.twos >> j) & 1U);
          for (auto [k, target] : {std::pair{1, &once}, std::pair{2, &twice}}) {
            const int32_t z = (x + k * y) % 3;
            if (z == 1) target->ones |= 1U << j;
            if (z == 2) target->twos |= 1U << j;
          }
        }
        classes.push_back(once);
        classes.push_back(twice);
      }
    }
    int32_t points = 0;
    for (const F3Matrix::Vector& m : classes) {
      __uint128_t m1 = 0;
      __uint128_t m2 = 0;
      ASSERT_TRUE(selmerClassFactors(analysis, m, m1, m2));
      const std::optional<CoveringCurve> cover = coveringCurve(a0, b0, m1, m2);
      if (!cover) continue;
      for (int64_t u = -8; u <= 8; ++u) {
        for (int64_t v = -8; v <= 8; ++v) {
          for (int64_t w = 1; w <= 8; ++w) {
            const std::optional<__int128_t> value = coverValue(*cover, u, v, w);
            ASSERT_TRUE(value.has_value());
            const std::optional<RationalPoint> point =
                coverPointOnCurve(*cover, row.a, row.b, scale, u, v, w);
            EXPECT_EQ(point.has_value(), *value == 0);
            if (!point) continue;
            ++points;
            EXPECT_TRUE(onCurve(*point, row.a, row.b)) << point->x << ", " << point->y;
            const std::optional<F3Matrix::Vector> delta = kummerClass(analysis, *point);
            ASSERT_TRUE(delta.has_value());
            // U = 0 is T, whose class is B^2 wherever it lies; any other
            // point has the cover's class.
            if (u != 0) {
              EXPECT_EQ(delta->ones, m.ones);
              EXPECT_EQ(delta->twos, m.twos);
            }
          }
        }
      }
    }
    EXPECT_GE(points, row.pointsAtLeast);
  }
}

// The second descent against gp's points: each row's point P (from gp's
// ellrank, or from the search of tests/oracle/three_covering.gp; h is the
// canonical height of the point of E it covers) lies on the cover C_m at
// (U:V:W) of size about exp(h/2), beyond the covers' search; the 3-coverings
// of C_m bring it within their search, and every point they give lies on
// C_m and on E, exactly. (0, 53) has A = 0 (the covering's equation is
// e0 = 0) and m = 1 (C_1, a model of E^).
TEST(ThreeCoverings, CarryTheGeneratorsOfLargeHeight) {
  struct Row {
    int32_t a;
    int32_t b;
    uint32_t m1;
    uint32_t m2;
    std::array<int64_t, 3> point;  // gp's P on C_m, primitive
  };
  const std::vector<Row> rows = {
      {69, 82229, 4837, 1, {341342, 44703, 214121}},  // h = 26.9
      {-673, 14445, 107, 3, {-3754, 10343, 4391}},    // h = 20.6
      {0, 53, 1, 1, {1819, 1872, 217}},               // h = 15.1
      // Q(cuberoot(n)) for n = -5098564 and -4012, of regulators 291 and
      // 285: the unit alone has 125 digits, delta hundreds, and the reduction
      // needs delta's smallest embedding to far more than the library's
      // default precision.
      {382, 92578, 2258, 41, {43, 22, 57}},          // h = 10.9
      {-586, 38114, 2, 19, {48901, 153224, 66723}},  // h = 26.1
      // 20 generators of the S-units and 12 free coordinates of delta: 81
      // classes of the right norm, each model within the PARI stack.
      {-703, 97005, 29, 15, {544, 4043, 3113}},  // h = 19.3
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "(" << row.a << ", " << row.b << ")");
    const std::optional<CoveringCurve> cover = coveringCurve(row.a, row.b, row.m1, row.m2);
    ASSERT_TRUE(cover.has_value());
    const std::optional<__int128_t> value =
        coverValue(*cover, row.point[0], row.point[1], row.point[2]);
    ASSERT_TRUE(value.has_value());
    ASSERT_EQ(*value, 0) << "gp's point is not on C_m";
    const std::vector<ThreeCovering> coverings =
        threeCoverings(*cover, row.a, row.b, SecondDescentLimits{});
    ASSERT_FALSE(coverings.empty());
    bool found = false;
    size_t points = 0;
    for (const ThreeCovering& covering : coverings) {
      for (const auto& [u, v, w] :
           threeCoveringPoints(covering, *cover, SecondDescentLimits{}.height)) {
        const std::optional<RationalPoint> point =
            coverPointOnCurve(*cover, row.a, row.b, 1, u, v, w);
        ASSERT_TRUE(point.has_value());
        EXPECT_TRUE(onCurve(*point, row.a, row.b));
        ++points;
        const bool same = (u == row.point[0] && v == row.point[1] && w == row.point[2]) ||
                          (u == -row.point[0] && v == -row.point[1] && w == -row.point[2]);
        found = found || same;
      }
    }
    EXPECT_GE(points, 1u);
    EXPECT_TRUE(found) << "gp's point not among the coverings' points";
  }
}

// Where the flexes over T are rational (B0 m a cube: the class of T) there
// is no field to descend in: no coverings.
TEST(ThreeCoverings, NoneWithoutAField) {
  // (-26, 98783): m = 98783^2 is the class of T.
  const std::optional<CoveringCurve> torsion = coveringCurve(-26, 98783, 1, 98783);
  ASSERT_TRUE(torsion.has_value());
  EXPECT_TRUE(threeCoverings(*torsion, -26, 98783, SecondDescentLimits{}).empty());
}

// The Selmer classes as integers: exact beyond 128 bits.
TEST(SelmerClasses, TextIsTheCubeFreeProduct) {
  const CurveAnalysis analysis = analyzeCurve(-4, 6);
  ASSERT_EQ(analysis.status, CurveStatus::kAnalysed);
  // 2 and 3 are bad primes of (-4, 6): 2^1 3^2 = 18, 2^2 3^1 = 12.
  ASSERT_GE(analysis.badPrimeCount, 2);
  EXPECT_EQ(analysis.badPrimes()[0].prime, 2u);
  EXPECT_EQ(analysis.badPrimes()[1].prime, 3u);
  EXPECT_EQ(selmerClassText(analysis, {1U, 2U}), "18");
  EXPECT_EQ(selmerClassText(analysis, {2U, 1U}), "12");
  EXPECT_EQ(selmerClassText(analysis, {0U, 0U}), "1");
  // A wide prime, the factor of 2147483639^3 - 54 beyond 2^64, squared
  // (gp: 1980704037953504044698409213^2).
  CurveAnalysis wide;
  wide.status = CurveStatus::kAnalysed;
  wide.badPrimeCount = 1;
  wide.badPrimeSlots[0].prime =
      (__uint128_t{1980704037953504044ULL} * 1000000000ULL) + 698409213ULL;
  EXPECT_EQ(selmerClassText(wide, {0U, 1U}),
            "3923188485965315991169105114590411716412490172803279369");
}

}  // namespace
}  // namespace velrin
