// Hostile standard input through the built program: each row is the whole
// input of one run and the whole output expected, byte for byte, written from
// the dialogue's rules. The main report body used is that of
// y^2 + xy + y = x^3, worked by hand below; other rows end in a singular
// curve, whose text the rules fix completely, or at one of the extreme
// coefficients, worked beside them from the rules and PARI/GP's data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_program.hpp"

namespace velrin {
namespace {

const std::string kBanner =
    "Velrin ver1.0 - 3-isogeny descent on elliptic curves with a rational 3-torsion point\n";
const std::string kAsk = "\nInput the coefficients A,B of Weierstrass equation\nE:y^2+Axy+By=x^3\n";
const std::string kRange = "The coefficient must lie between -2147483648 and 2147483647.\n";
const std::string kQuit = "Quit? (y/n) >";
const std::string kSingular = "\n[1] The curve E is singular.\n\n";

// A = B = 1: D = B(A^3 - 27B) = -26 = -2 * 13, each prime once, so both are
// of type I1 with split image {e}. The descent candidates are 3^e (3 is
// good): a unit at 2, and a cube modulo 13 only for e = 0, since the cubes
// modulo 13 are 1, 5, 8, 12. So dim Sel(E^/Q) = 0; the term of 13 = 1 (mod 3)
// adds 1 for dim Sel(E/Q) = 1, and the sum 1 means rank 0.
const std::string kReportOneOne =
    "\n[1] E is an elliptic curve defined by y^2+xy+1y=x^3\n"
    "\n[2] {bad prime, Kodaira symbol, Image[E(Qp) -> Qp^{*}/Qp^{*3}]}\n"
    "{2, I1, {e}},\n"
    "{13, I1, {e}}.\n"
    "\n[3] dim(Sel(E^/Q))=0, dim(Sel(E/Q))=1\n"
    "\n[4] rankE(Q)=0\n\n";

// The session for A = B = 1 answered y, once the coefficients are read.
const std::string kOneOneThenQuit = kAsk + "A=B=" + kReportOneOne + kQuit;

std::string repeat(const std::string& text, size_t times) {
  std::string out;
  for (size_t i = 0; i < times; ++i) out.append(text);
  return out;
}

struct BadInputCase {
  std::string name;
  std::string input;
  std::string expected;  // everything after the banner
};

std::vector<BadInputCase> badInputCases() {
  using namespace std::string_literals;
  const std::string ones(100000, '1');
  return {
      {"empty standard input", "", kAsk + "A=\n"},
      // The parser stops at a NUL: "1\0" "9" is the coefficient 1.
      {"NUL inside a coefficient line",
       "1\0"s
       "9\n1\ny\n",
       kOneOneThenQuit},
      {"NUL before the digits gives 0",
       "\0"s
       "5\n\0"s
       "7\nn\n1\n1\ny\n",
       kAsk + "A=B=" + kSingular + kQuit + kOneOneThenQuit},
      // A NUL ahead of the answer leaves nothing to read as y.
      {"NUL before the quit answer", "1\n1\n\0y\ny\n"s, kOneOneThenQuit + kQuit},
      {"CR LF line ends", "1\r\n1\r\ny\r\n", kOneOneThenQuit},
      {"bytes above 127 are dropped",
       "\xff"
       "1\xe9\n\xc3\xa9"
       "1\xb5\n y\n",
       kOneOneThenQuit},
      {"a byte above 127 is no quit answer", "1\n1\n\xb5y\n\xe9n\ny\n",
       kOneOneThenQuit + kQuit + kQuit},
      // fgets reads at most 255 bytes: 253 blanks, "1" and the newline fit.
      {"line of 254 characters", std::string(253, ' ') + "1\n1\ny\n", kOneOneThenQuit},
      // 255 characters fill the buffer; the newline alone is the next line,
      // which holds no digit: B = 0.
      {"line of 255 characters", std::string(254, ' ') + "1\nn\n1\n1\ny\n",
       kAsk + "A=B=" + kSingular + kQuit + kOneOneThenQuit},
      // 256 characters: the 256th, "1", is read as the next line, B.
      {"line of 256 characters", std::string(254, ' ') + "11\ny\n", kOneOneThenQuit},
      // 100000 = 392 * 255 + 40: 393 pieces of ones, each out of range.
      {"line of 100000 characters", ones + "\n1\n1\ny\n",
       kAsk + "A=" + repeat(kRange + "A=", 393) + "B=" + kReportOneOne + kQuit},
      {"last line without a newline", "1\n1\ny", kOneOneThenQuit},
      {"input ends inside B without a newline", "1\n1",
       kAsk + "A=B=" + kReportOneOne + kQuit + "\n"},
      {"digits only after letters", "abc1\nB=x1;\ny\n", kOneOneThenQuit},
      {"letters without digits give 0", "abc\nxyz\ny\n", kAsk + "A=B=" + kSingular + kQuit},
      // "1-2" is 12 and "6-4" is 64: 12^3 = 27 * 64, a singular curve; so is
      // A = -3, B = -1, read from signs that stand before the first digit.
      {"a minus after a digit is dropped", "1-2\n6-4\nn\n-3-\nx-1-\ny\n",
       kAsk + "A=B=" + kSingular + kQuit + kAsk + "A=B=" + kSingular + kQuit},
      // A = 2^31 - 1, B = 1: A^3 - 27 = 2^2 * 19 * 233 * 1103 * 2089 *
      // 242720316872361661, each prime to the first power but 2 (PARI:
      // conductor primes, types I2 and I1). A and B are units there, so every
      // image is {e}: the valuation conditions leave only m = 1, d1 = 0, and
      // the terms 1 of the three primes = 1 (mod 3) (19, 2089 and the last;
      // PARI: c_p(E^)/c_p(E) = 3) give d2 = 3.
      {"largest coefficient", "2147483647\n1\ny\n",
       kAsk + "A=B=\n[1] E is an elliptic curve defined by y^2+2147483647xy+y=x^3\n" +
           "\n[2] {bad prime, Kodaira symbol, Image[E(Qp) -> Qp^{*}/Qp^{*3}]}\n"
           "{2, I2, {e}},\n{19, I1, {e}},\n{233, I1, {e}},\n{1103, I1, {e}},\n"
           "{2089, I1, {e}},\n{242720316872361661, I1, {e}}.\n"
           "\n[3] dim(Sel(E^/Q))=0, dim(Sel(E/Q))=3\n\n[4] rankE(Q) < 2\n\n" +
           kQuit},
      // y^2 - 2^31 y = x^3 scales by u = 2^10 to y^2 - 2y = x^3, which y -> -y
      // takes to y^2 + 2y = x^3: IV at 2 (2 | A0 = 0, v2(B0) = 1) with the
      // image <B>, and at 3 (A0 = 0, B0 = 7 mod 9) type III with the units;
      // PARI agrees (IV, III; rank 0). Only 2 and 3 generate the candidates,
      // 3 must be a unit: d1 = 1, and the term -1 of 2 gives d2 = 0.
      {"smallest coefficient", "0\n-2147483648\ny\n",
       kAsk + "A=B=\n[1] E is an elliptic curve defined by y^2-2147483648y=x^3\n" +
           "\n[2] {bad prime, Kodaira symbol, Image[E(Qp) -> Qp^{*}/Qp^{*3}]}\n"
           "{2, IV, <BQp^{*3}>},\n{3, III, Zp^{*}Qp^*3/Qp^{*3}}.\n"
           "\n[3] dim(Sel(E^/Q))=1, dim(Sel(E/Q))=0\n\n[4] rankE(Q)=0\n\n" +
           kQuit},
      {"2147483648 is out of range", "2147483648\n1\n1\ny\n",
       kAsk + "A=" + kRange + "A=B=" + kReportOneOne + kQuit},
      {"-2147483649 is out of range", "1\n-2147483649\n1\ny\n",
       kAsk + "A=B=" + kRange + "B=" + kReportOneOne + kQuit},
      {"10^30 is out of range", "1000000000000000000000000000000\n1\n1\ny\n",
       kAsk + "A=" + kRange + "A=B=" + kReportOneOne + kQuit},
      {"leading zeros keep a value in range", "000000000000000000001\n-0\nn\n1\n1\ny\n",
       kAsk + "A=B=" + kSingular + kQuit + kOneOneThenQuit},
      {"answers: blanks, tab, capital, then y", "1\n1\n   \n\ty\nY\nN\n   y\n",
       kOneOneThenQuit + kQuit + kQuit + kQuit + kQuit},
      {"end of input at the quit prompt", "1\n1\nmaybe\n", kOneOneThenQuit + kQuit + "\n"},
  };
}

TEST(BadInput, ProgramPrintsExactlyTheExpectedSession) {
  for (const BadInputCase& row : badInputCases()) {
    SCOPED_TRACE(row.name);
    const ProgramRun run = runProgram(row.input);
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.output, kBanner + row.expected);
  }
}

}  // namespace
}  // namespace velrin
