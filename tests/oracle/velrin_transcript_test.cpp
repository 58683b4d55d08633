// The oracle check is only as good as its reading of the program's output: a
// reader that dropped entries or misread a bound would pass vacuously.

#include "oracle/velrin_transcript.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "oracle/oracle_fixture.hpp"

namespace velrin::oracle {
namespace {

constexpr const char* kAsk =
    "\nInput the coefficients A,B of Weierstrass equation\nE:y^2+Axy+By=x^3\nA=B=";
constexpr const char* kQuit = "Quit? (y/n) >";

std::string session(const std::vector<std::string>& reports) {
  std::string out = "Velrin banner\n";
  for (const auto& r : reports) out += kAsk + r + kQuit;
  return out;
}

TEST(OracleTranscriptParse, ReadsEachKindOfReport) {
  const std::string twoPrimes =
      "\n[1] E is an elliptic curve defined by y^2+xy+y=x^3\n"
      "\n[2] {bad prime, Kodaira symbol, Image[E(Qp) -> Qp^{*}/Qp^{*3}]}\n"
      "{3, IV^*, Zp^{*}Qp^*3/Qp^{*3}},\n{26, I12, {e}}.\n"
      "\n[3] dim(Sel(E^/Q))=1, dim(Sel(E/Q))=2\n\n[4] rankE(Q) < 1\n\n";
  const std::string noPrimes =
      "\n[1] E is an elliptic curve defined by y^2+xy+y=x^3\n"
      "\nexceed the range of the type'__int64'!\n\nexceed 50000th prime !\n"
      "\n[2] {bad prime, Kodaira symbol, Image[E(Qp) -> Qp^{*}/Qp^{*3}]}\n"
      "none among the primes up to 611951.\n"
      "\n[3] dim(Sel(E^/Q))=0, dim(Sel(E/Q))=1\n\n[4] rankE(Q)=0\n\n";
  const std::string negative =
      "\n[1] E is an elliptic curve defined by y^2+xy+y=x^3\n"
      "\n[2] {bad prime, Kodaira symbol, Image[E(Qp) -> Qp^{*}/Qp^{*3}]}\n"
      "{7, I0^*, <BQp^{*3}>}.\n"
      "\n[3] dim(Sel(E^/Q))=0, dim(Sel(E/Q))=0\n\n[4] rankE(Q) < -1\n\n";
  const std::string singular = "\n[1] The curve E is singular.\n\n";
  const std::string tooLarge =
      "\n[1] E is an elliptic curve defined by y^2+xy+y=x^3\n"
      "\n[2] The curve is too large: B(A^3-27B) does not fit in 64 bits.\n\n";

  const Transcript t =
      parseTranscript(session({twoPrimes, noPrimes, negative, singular, tooLarge}));
  ASSERT_TRUE(t.error.empty()) << t.error;
  ASSERT_EQ(t.reports.size(), 5u);

  const CurveReport& a = t.reports[0];
  ASSERT_EQ(a.badPrimes.size(), 2u);
  EXPECT_EQ(detail::decimal(a.badPrimes[0].prime), "3");
  EXPECT_EQ(a.badPrimes[0].kodaira, "IV^*");
  EXPECT_EQ(a.badPrimes[0].image, "Zp^{*}Qp^*3/Qp^{*3}");
  EXPECT_EQ(detail::decimal(a.badPrimes[1].prime), "26");
  EXPECT_EQ(a.badPrimes[1].kodaira, "I12");
  EXPECT_EQ(a.badPrimes[1].image, "{e}");
  EXPECT_EQ(a.selmerDualDim, 1);
  EXPECT_EQ(a.selmerDim, 2);
  EXPECT_EQ(a.rankBound, 1);
  EXPECT_FALSE(a.int64Warning || a.tableEndWarning || a.singular || a.tooLarge);

  const CurveReport& b = t.reports[1];
  EXPECT_TRUE(b.badPrimes.empty());
  EXPECT_TRUE(b.int64Warning);
  EXPECT_TRUE(b.tableEndWarning);
  EXPECT_EQ(b.rankBound, 0);

  EXPECT_EQ(t.reports[2].badPrimes.at(0).kodaira, "I0^*");
  EXPECT_EQ(t.reports[2].rankBound, -1);
  EXPECT_TRUE(t.reports[3].singular);
  EXPECT_TRUE(t.reports[4].tooLarge);
}

TEST(OracleTranscriptParse, RejectsGarbledReports) {
  const std::vector<std::string> rows = {
      // an entry without its Kodaira symbol
      "\n[1] E is an elliptic curve\n\n[2] {bad prime, x}\n{5}.\n"
      "\n[3] dim(Sel(E^/Q))=0, dim(Sel(E/Q))=0\n\n[4] rankE(Q)=0\n\n",
      // a rank line that is neither form
      "\n[1] E is an elliptic curve\n\n[2] {bad prime, x}\n"
      "\n[3] dim(Sel(E^/Q))=0, dim(Sel(E/Q))=0\n\n[4] rankE(Q) <= 2\n\n",
      // no line [1]
      "\n[2] {bad prime, x}\n",
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row);
    EXPECT_FALSE(parseTranscript(session({row})).error.empty());
  }
}

TEST(OracleTranscriptParse, SessionAnswersYesOnlyAfterTheLastCurve) {
  EXPECT_EQ(sessionInput({{1, -2}, {-30, 1000000}}), "1\n-2\nn\n-30\n1000000\ny\n");
}

TEST(OracleTranscriptParse, ReadsPrimesBeyond64Bits) {
  const std::string wide =
      "\n[1] E is an elliptic curve defined by y^2+xy+y=x^3\n"
      "\n[2] {bad prime, Kodaira symbol, Image[E(Qp) -> Qp^{*}/Qp^{*3}]}\n"
      "{28942949256472950887813, I1, {e}}.\n"
      "\n[3] dim(Sel(E^/Q))=0, dim(Sel(E/Q))=1\n\n[4] rankE(Q)=0\n\n";
  const Transcript t = parseTranscript(session({wide}));
  ASSERT_TRUE(t.error.empty()) << t.error;
  EXPECT_EQ(detail::decimal(t.reports.at(0).badPrimes.at(0).prime), "28942949256472950887813");
}

TEST(OracleFixtureParse, ReadsLinesAndNamesTheBadOne) {
  std::istringstream good(
      "# comment\n"
      "-3 17 | 3:IV^*:3:1 5:I2:2:2 71:I1:1:1 | 1 0 | -1 | 1 2\n"
      "2147483647 -2147483648 | 2:I3:1:3 169625093278987120340162287:I1:1:3 | 0 1 | 1 | ? ?\n");
  std::string error;
  auto curves = readOracle(good, error);
  ASSERT_TRUE(error.empty()) << error;
  ASSERT_EQ(curves.size(), 2u);
  const OracleCurve& c = curves[0];
  EXPECT_EQ(c.a, -3);
  EXPECT_EQ(c.b, 17);
  ASSERT_EQ(c.conductorPrimes.size(), 3u);
  EXPECT_EQ(detail::decimal(c.conductorPrimes[2].prime), "71");
  EXPECT_EQ(c.conductorPrimes[0].kodaira, "IV^*");
  EXPECT_EQ(c.conductorPrimes[0].tamagawa, 3);
  EXPECT_EQ(c.conductorPrimes[0].tamagawaHat, 1);
  EXPECT_EQ(c.scaleV3, 1);
  EXPECT_EQ(c.scaleV3Hat, 0);
  EXPECT_EQ(c.rootNumber, -1);
  EXPECT_TRUE(c.rankKnown);
  EXPECT_EQ(c.rankLow, 1);
  EXPECT_EQ(c.rankHigh, 2);
  EXPECT_EQ(curves[1].b, -2147483648);
  EXPECT_EQ(detail::decimal(curves[1].conductorPrimes[1].prime), "169625093278987120340162287");
  EXPECT_FALSE(curves[1].rankKnown);

  // Each row garbles one field of a good line; the reader names line 2.
  const std::vector<std::string> rows = {
      "1 2 | 3:I1 | 0 0 | 1 | 0 0",          // no Tamagawa numbers
      "1 2 | 3:I1:1:0 | 0 0 | 1 | 0 0",      // a Tamagawa number 0
      "1 2 | | 0 0 | 1 | 0 0",               // no conductor prime
      "1 2 | 3:I1:1:1 | 0 | 1 | 0 0",        // one v3 value
      "1 2 | 3:I1:1:1 | 0 0 | 0 | 0 0",      // a root number 0
      "1 2 | 3:I1:1:1 | 0 0 | 1 | 2 1",      // rlow above rhigh
      "1 2 | 3:I1:1:1 | 0 0 | 1 | ? 1",      // half an unknown rank
      "1 2 | 3:I1:1:1 | 0 0 | 1 | 0 0 | 1",  // a sixth field
      "1 2 | 3:I1:1:1 | 0 0 | 0 0",          // the old format
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row);
    std::istringstream bad("1 2 | 3:I1:1:1 | 0 0 | 1 | 0 0\n" + row + "\n");
    error.clear();
    readOracle(bad, error);
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace velrin::oracle
