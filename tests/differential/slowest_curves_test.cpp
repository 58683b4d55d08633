// The slowest curves that bench/slow_input_search.cpp found, which
// bench/full_pass.cpp times: the longest lists of bad primes that fit in 64
// bits, table primes near 611951, primes just beyond the table and
// cofactors that only Pollard's rho splits. Their bad primes are checked
// against factorisations of D = B(A^3 - 27B) made apart from the program
// (every prime divisor in the table is bad on these curves), and the fast
// report against the plain one wherever the plain descent stays short; the
// benchmark compares the rest on every run.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "curve/curve.hpp"
#include "support/report_capture.hpp"

namespace velrin {
namespace {

struct SlowCurve {
  int32_t a;
  int32_t b;
  std::vector<int32_t> badPrimes;  // the prime divisors of D up to 611951
  bool beyondTable;                // D has a prime factor above 611951
  bool plainIsShort;               // the plain descent takes well under a second
};

const std::vector<SlowCurve> kSlowCurves = {
    {-4931, 73277490, {2, 3, 5, 7, 11, 13, 19, 23, 29, 31, 37, 47, 67, 73, 89}, false, false},
    {-2725, -382771290, {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37, 41, 47, 53}, false, false},
    {3431, 1542250710, {2, 3, 5, 7, 11, 13, 17, 19, 23, 53, 89, 611557}, false, false},
    {-839, 554213660, {2, 5, 7, 11, 13, 17, 19, 29, 31, 47, 53, 595291}, false, false},
    {-6679, -29099070, {2, 3, 5, 7, 11, 13, 17, 19, 516679, 575131}, false, false},
    {1697, 606996390, {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 37, 41}, true, true},
    {1, 611953, {2, 5, 7, 193, 1223}, true, true},
    {-1656316, -2, {2}, true, true},
    {1491695, 2, {2}, true, true},
    {1602641, 2, {2}, true, true},
    {1662, 73718371, {3}, true, true},
};

// The primes of the entries "{p, symbol, image}" of line [2], in order.
std::vector<int32_t> listedPrimes(std::string_view report) {
  std::vector<int32_t> primes;
  for (size_t at = report.find("\n{"); at != std::string_view::npos;
       at = report.find("\n{", at + 1)) {
    int32_t p = 0;
    for (size_t i = at + 2; i < report.size() && report[i] >= '0' && report[i] <= '9'; ++i) {
      p = p * 10 + (report[i] - '0');
    }
    primes.push_back(p);
  }
  return primes;
}

TEST(SlowestCurves, ListTheBadPrimesOfAnIndependentFactorisation) {
  for (const SlowCurve& curve : kSlowCurves) {
    SCOPED_TRACE(testing::Message() << "A=" << curve.a << " B=" << curve.b);
    const std::string report = reportOf(curve.a, curve.b, Paths::kFast);
    EXPECT_EQ(listedPrimes(report), curve.badPrimes);
    EXPECT_EQ(report.find("exceed 50000th prime !") != std::string::npos, curve.beyondTable);
    EXPECT_EQ(report.find("exceed the range"), std::string::npos);
    EXPECT_NE(report.find("\n[4] rankE(Q)"), std::string::npos);
  }
}

TEST(SlowestCurves, FastReportEqualsPlainWhereThePlainDescentIsShort) {
  for (const SlowCurve& curve : kSlowCurves) {
    if (!curve.plainIsShort) continue;
    SCOPED_TRACE(testing::Message() << "A=" << curve.a << " B=" << curve.b);
    EXPECT_EQ(reportOf(curve.a, curve.b, Paths::kFast), reportOf(curve.a, curve.b, Paths::kPlain));
  }
}

}  // namespace
}  // namespace velrin
