// The whole program on the fast paths against the plain ones: for families
// of curves chosen to reach every Kodaira type, every local image, every
// warning and lists of up to a dozen bad primes, the two reports must agree
// byte for byte, candidate by candidate and over a long session.
//
// The plain descent tests 3^(k+1) candidates at k bad primes, each with
// least-root searches of up to p steps, so a sampled curve goes to the
// plain path only when that bound stays within kPlainBudget steps; the
// long lists of bad primes are built from small primes instead.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "arith/factored_integer.hpp"
#include "curve/curve.hpp"
#include "descent/curve_analysis.hpp"
#include "descent/local_images.hpp"
#include "descent/selmer.hpp"
#include "dialogue/reporting_curve.hpp"
#include "differential/sampling.hpp"
#include "reference/plain_paths.hpp"
#include "support/captured_output.hpp"
#include "support/report_capture.hpp"

namespace velrin {
namespace {

using differential::SplitMix64;

struct Coefficients {
  int32_t a;
  int32_t b;
};

constexpr int64_t kPlainBudget = 4000000;

// An upper bound on the plain path's root-search steps for the curve that
// `curve` (on any path) holds after setCoefficients.
int64_t plainSearchSteps(const Curve& curve) {
  int64_t candidates = curve.threeIsBad == 0 ? 3 : 1;
  int64_t stepsPerCandidate = 1;
  for (const BadPrimeNode* node = curve.head; node->prime != 0; node = node->next) {
    candidates *= 3;
    stepsPerCandidate += 3 * static_cast<int64_t>(node->prime);
  }
  return candidates > kPlainBudget ? kPlainBudget + 1 : candidates * stepsPerCandidate;
}

// Keeps the curves whose plain report is cheap enough to compute.
std::vector<Coefficients> withinPlainBudget(const std::vector<Coefficients>& curves) {
  CapturedOutput sink;
  ReportingCurve fast(sink.stream());
  std::vector<Coefficients> kept;
  for (const Coefficients& c : curves) {
    if (fast.setCoefficients(c.a, c.b) == 0 || fast.tooLarge ||
        plainSearchSteps(fast) <= kPlainBudget) {
      kept.push_back(c);
    }
  }
  return kept;
}

// Every curve with |A|, |B| <= bound: all small bad primes and all the
// singular curves A^3 = 27B of that size.
std::vector<Coefficients> gridCurves(int32_t bound) {
  std::vector<Coefficients> curves;
  for (int32_t a = -bound; a <= bound; ++a) {
    for (int32_t b = -bound; b <= bound; ++b) curves.push_back({a, b});
  }
  return curves;
}

// A = u p^i and B = v p^j with units u, v at p: every relation between
// 3 v_p(A) and v_p(B), which is what sorts the reduction types at p, for
// primes 2 and 5 (= 2 mod 3), 3, and 7 and 13 (= 1 mod 3). At 3 the residues
// of u and v modulo 9 matter too, so the units run over all of them.
std::vector<Coefficients> adicCurves() {
  std::vector<Coefficients> curves;
  for (const int64_t p : {2, 3, 5, 7, 13}) {
    for (const int64_t u : {1, -1, 2, 4, -5, 7, 8, 10, -11, 13, 17, 20}) {
      for (const int64_t v : {1, -1, 2, -4, 5, 7, -8, 11, 13, -16, 19}) {
        if (u % p == 0 || v % p == 0) continue;
        int64_t a = u;
        for (int32_t i = 0; i <= 5; ++i, a *= p) {
          int64_t b = v;
          for (int32_t j = 0; j <= 16 && b <= INT32_MAX && b >= INT32_MIN; ++j, b *= p) {
            curves.push_back({static_cast<int32_t>(a), static_cast<int32_t>(b)});
          }
        }
      }
    }
  }
  return curves;
}

// Coefficients of every size, B kept small enough next to A^3 that most
// products B(A^3 - 27B) fit in 64 bits; the rest are refused as too large.
std::vector<Coefficients> sizedCurves(uint64_t seed, int32_t count) {
  SplitMix64 rng(seed);
  std::vector<Coefficients> curves;
  for (int32_t i = 0; i < count; ++i) {
    const int64_t bitsA = rng.between(1, 21);
    const int64_t bitsB = rng.between(1, std::clamp<int64_t>(63 - 3 * bitsA, 1, 31));
    const int64_t a = rng.oneIn(8) ? 0 : rng.between(-(int64_t{1} << bitsA), int64_t{1} << bitsA);
    int64_t b = rng.between(-(int64_t{1} << bitsB), int64_t{1} << bitsB);
    if (b == 0) b = 1;
    curves.push_back({static_cast<int32_t>(std::clamp<int64_t>(a, INT32_MIN, INT32_MAX)),
                      static_cast<int32_t>(std::clamp<int64_t>(b, INT32_MIN, INT32_MAX))});
  }
  return curves;
}

// B = 2 * 3 * 5 * ... * 19 and the A in [-3000, 3000] for which A^3 - 27B
// has no prime factor above 1000: lists of 8 to 13 bad primes, all small,
// so that the plain enumeration of up to 3^14 candidates stays quick while
// the elimination works on up to 14 columns. Every stride-th such curve.
std::vector<Coefficients> smoothCurves(size_t stride) {
  constexpr int64_t kPrimorial = 9699690;
  const std::vector<int32_t> smallPrimes = differential::primesUpTo(1000);
  std::vector<Coefficients> curves;
  for (int64_t a = -3000; a <= 3000; ++a) {
    __int128_t f = static_cast<__int128_t>(a) * a * a - 27 * kPrimorial;
    if (f < 0) f = -f;
    for (const int32_t p : smallPrimes) {
      while (f % p == 0) f /= p;
    }
    if (f == 1) curves.push_back({static_cast<int32_t>(a), static_cast<int32_t>(kPrimorial)});
  }
  std::vector<Coefficients> every;
  for (size_t i = 0; i < curves.size(); i += stride) every.push_back(curves[i]);
  return every;
}

// Curves at the edges of what the report can say.
const std::vector<Coefficients> kEdgeCurves = {
    // Singular: B = 0 or A^3 = 27B.
    {0, 0},
    {3, 1},
    {-3, -1},
    {6, 8},
    {300, 1000000},
    // B(A^3 - 27B) beyond 64 bits, at most and at least.
    {2147483647, 2147483647},
    {-2147483647 - 1, 1},
    {19456, 1073741824},
    // A^3 next to 2^63.
    {2097151, 1},
    {2097152, 1},
    {-2097152, -1},
    // |B(A^3 - 27B)| between the range limit and 2^63: the range warning.
    {-14541, -2999979},
    {14541, -2999821},
    // Primes at the end of the table and just beyond it.
    {1, 611951},
    {0, 611953},
    {0, 611951},
    {0, -611939},
    {1, 611953},
    // Worked reports, and 3 to high powers.
    {0, 1},
    {0, 2},
    {3, 2},
    {1, 2},
    {9, 54},
    {3, 27},
    {-27, 729},
    {81, 729},
    {0, 3 * 3 * 3 * 3 * 3 * 3},
};

// The outcomes that a family of reports reached, to make sure that the
// comparison covers them rather than passing on a sample that misses them.
struct Coverage {
  std::set<std::string> kodairaKinds;
  std::set<std::string> images;
  std::set<std::string> messages;
  int32_t mostBadPrimes = 0;
  int32_t trueEnumerations = 0;  // curves whose true candidates were enumerated

  void add(std::string_view report) {
    const std::map<std::string, std::string_view> marks = {
        {"singular", "The curve E is singular."},
        {"too large", "The curve is too large"},
        {"range warning", "exceed the range"},
        {"table end warning", "exceed 50000th prime"},
        {"no bad prime in the table", "none among the primes"},
        {"rank 0", "rankE(Q)=0"},
        {"negative bound", "rankE(Q) < -"},
        {"bound", "rankE(Q) < "},
    };
    for (const auto& [name, text] : marks) {
      if (report.find(text) != std::string_view::npos) messages.insert(name);
    }
    int32_t badPrimes = 0;
    for (size_t at = report.find("\n{"); at != std::string_view::npos;
         at = report.find("\n{", at + 1)) {
      const std::string_view entry = report.substr(at + 2, report.find('\n', at + 1) - at - 2);
      const size_t first = entry.find(", ");
      const size_t second = entry.find(", ", first + 2);
      if (first == std::string_view::npos || second == std::string_view::npos) continue;
      ++badPrimes;
      const std::string kodaira(entry.substr(first + 2, second - first - 2));
      const bool fixed =
          kodaira == "II" || kodaira == "III" || kodaira == "IV" || kodaira == "IV^*";
      const bool starred = kodaira.size() > 2 && kodaira.substr(kodaira.size() - 2) == "^*";
      kodairaKinds.insert(fixed ? kodaira : (starred ? "In^*" : "In"));
      // The image runs to the entry's closing brace before "," or ".".
      images.insert(std::string(entry.substr(second + 2, entry.size() - second - 4)));
    }
    mostBadPrimes = std::max(mostBadPrimes, badPrimes);
  }
};

std::string traceOf(const Coefficients& c) {
  return std::string("A=").append(std::to_string(c.a)).append(", B=").append(std::to_string(c.b));
}

// True when the enumeration of the true rules' candidates, 3^n of them with
// root searches of up to p steps at each bad prime, stays within the budget.
bool trueEnumerationAffordable(const CurveAnalysis& analysis) {
  int64_t candidates = 1;
  int64_t stepsPerCandidate = 1;
  for (const LocalDatum& local : analysis.badPrimes()) {
    if (local.prime > 1000000 || candidates > kPlainBudget) return false;
    candidates *= 3;
    stepsPerCandidate += 9 + 3 * static_cast<int64_t>(local.prime);
  }
  return candidates * stepsPerCandidate <= 4 * kPlainBudget;
}

// Compares the reports of the two paths on each curve, under the classic
// rules byte for byte and under the true rules the first dimension, which
// the fast path finds by elimination and the plain one by testing every
// candidate with root searches; stops after a few differences, since one
// fault usually shows on many curves.
Coverage compareReports(const std::vector<Coefficients>& curves) {
  Coverage coverage;
  int32_t differences = 0;
  for (const Coefficients& c : curves) {
    const std::string fast = reportOf(c.a, c.b, Paths::kFast);
    const std::string plain = reportOf(c.a, c.b, Paths::kPlain);
    EXPECT_EQ(fast, plain) << traceOf(c);
    if (fast != plain && ++differences == 5) break;
    coverage.add(plain);
    const CurveAnalysis fastTrue = analyzeCurve(c.a, c.b, Rules::kTrue);
    if (fastTrue.status == CurveStatus::kAnalysed) {
      // The rank alone (a summary's path, the settled columns counted)
      // against the basis of the whole reduction.
      const int64_t scale = fastTrue.scale;
      const int64_t b0 = c.b / (scale * scale * scale);
      EXPECT_EQ(minimalSelmerDimension(fastTrue.badPrimes(), b0), fastTrue.selmerBasisCount)
          << traceOf(c) << " (true rules, the dimension alone)";
    }
    if (!trueEnumerationAffordable(fastTrue)) continue;
    ++coverage.trueEnumerations;
    const CurveAnalysis plainTrue = analyzeByEnumeration(c.a, c.b);
    const bool same = fastTrue.dimSelmerEHat == plainTrue.dimSelmerEHat &&
                      fastTrue.dimSelmerE == plainTrue.dimSelmerE;
    EXPECT_TRUE(same) << traceOf(c) << " (true rules): " << fastTrue.dimSelmerEHat << " "
                      << fastTrue.dimSelmerE << " against " << plainTrue.dimSelmerEHat << " "
                      << plainTrue.dimSelmerE;
    if (!same && ++differences == 5) break;
  }
  return coverage;
}

const std::set<std::string> kAllKodairaKinds = {"In", "In^*", "II", "III", "IV", "IV^*"};
const std::set<std::string> kAllImages = {"{e}", "Zp^{*}Qp^*3/Qp^{*3}", "<BQp^{*3}>",
                                          "Qp^{*}/Qp^{*3}"};

TEST(ReportPaths, AgreeOnEverySmallCurve) {
  const Coverage coverage = compareReports(gridCurves(24));
  EXPECT_EQ(coverage.images, kAllImages);
  EXPECT_TRUE(coverage.messages.count("singular"));
  EXPECT_TRUE(coverage.messages.count("rank 0"));
  EXPECT_TRUE(coverage.messages.count("negative bound"));
}

TEST(ReportPaths, AgreeOnEveryReductionTypeAtTwoThreeFiveSevenAndThirteen) {
  const std::vector<Coefficients> curves = withinPlainBudget(adicCurves());
  EXPECT_GE(curves.size(), 4000u);
  const Coverage coverage = compareReports(curves);
  EXPECT_EQ(coverage.kodairaKinds, kAllKodairaKinds);
  EXPECT_EQ(coverage.images, kAllImages);
  EXPECT_GE(coverage.trueEnumerations, 3000);
}

TEST(ReportPaths, AgreeOnCoefficientsOfEverySize) {
  const std::vector<Coefficients> curves = withinPlainBudget(sizedCurves(0x512e5ULL, 3000));
  EXPECT_GE(curves.size(), 1500u);
  const Coverage coverage = compareReports(curves);
  EXPECT_TRUE(coverage.messages.count("too large"));
  EXPECT_TRUE(coverage.messages.count("table end warning"));
  EXPECT_TRUE(coverage.messages.count("no bad prime in the table"));
}

TEST(ReportPaths, AgreeOnLongListsOfBadPrimes) {
  const std::vector<Coefficients> curves = smoothCurves(8);
  EXPECT_GE(curves.size(), 25u);
  const Coverage coverage = compareReports(curves);
  EXPECT_GE(coverage.mostBadPrimes, 12);
}

TEST(ReportPaths, AgreeAtTheEdges) {
  const Coverage coverage = compareReports(kEdgeCurves);
  for (const char* message : {"singular", "too large", "range warning", "table end warning"}) {
    EXPECT_TRUE(coverage.messages.count(message)) << message;
  }
}

// Every candidate of the descent, as the plain enumeration builds it: the
// generators are the bad primes and 3 when no node holds it.
std::vector<FactoredInteger> candidatesOf(const Curve& curve) {
  std::vector<int32_t> generators;
  if (curve.threeIsBad == 0) generators.push_back(3);
  for (const BadPrimeNode* node = curve.head; node->prime != 0; node = node->next) {
    generators.push_back(node->prime);
  }
  std::vector<FactoredInteger> candidates = {FactoredInteger()};
  for (const int32_t p : generators) {
    std::vector<FactoredInteger> longer;
    for (const FactoredInteger& m : candidates) {
      for (int32_t e = 0; e < 3; ++e) longer.push_back(m.times(p, e));
    }
    candidates = std::move(longer);
  }
  return candidates;
}

TEST(ReportPaths, LocalImagesAgreeOnEveryCandidate) {
  // The cube tests of the two paths, one candidate at a time, so that a
  // fault shows at its candidate even where the counts happen to agree.
  std::vector<Coefficients> curves = gridCurves(12);
  for (const Coefficients& c : withinPlainBudget(adicCurves())) {
    if (c.a % 4 == 1) curves.push_back(c);  // a tenth of them, every type still present
  }
  CapturedOutput sink;
  ReportingCurve fast(sink.stream());
  ReportingCurve plain(sink.stream());
  int64_t tested = 0;
  for (const Coefficients& c : curves) {
    if (fast.setCoefficients(c.a, c.b) == 0 || fast.tooLarge) continue;
    if (plainSearchSteps(fast) > kPlainBudget / 10) continue;
    ASSERT_EQ(plain.setCoefficients(c.a, c.b), 1);
    SCOPED_TRACE(traceOf(c));
    int32_t differences = 0;
    for (const FactoredInteger& m : candidatesOf(fast)) {
      const int32_t expected = inLocalImagesPlain(plain, m);
      EXPECT_EQ(inLocalImages(fast, m), expected) << "candidate " << m.valueIfSmall();
      if (inLocalImages(fast, m) != expected && ++differences == 3) return;
      ++tested;
    }
  }
  EXPECT_GE(tested, 100000);
}

TEST(ReportPaths, LongSessionOnTheFastPathsMatchesFreshPlainReports) {
  // The dialogue, through the analysis and its renderer, must print for
  // each pass what a fresh Curve prints for the same coefficients, checked
  // against the plain references.
  std::vector<Coefficients> curves = kEdgeCurves;
  for (const Coefficients& c : withinPlainBudget(sizedCurves(0x5e55ULL, 300))) curves.push_back(c);
  for (const Coefficients& c : smoothCurves(40)) curves.push_back(c);
  std::string input;
  std::string expected =
      "Velrin ver1.0 - 3-isogeny descent on elliptic curves with a rational 3-torsion point\n";
  for (size_t i = 0; i < curves.size(); ++i) {
    const Coefficients& c = curves[i];
    input.append(std::to_string(c.a)).append("\n").append(std::to_string(c.b)).append("\n");
    input.append(i + 1 == curves.size() ? "y\n" : "n\n");
    expected.append("\nInput the coefficients A,B of Weierstrass equation\nE:y^2+Axy+By=x^3\n")
        .append("A=B=")
        .append(reportOf(c.a, c.b, Paths::kPlain))
        .append("Quit? (y/n) >");
  }
  EXPECT_EQ(dialogueOf(input), expected);
}

}  // namespace
}  // namespace velrin
