// libFuzzer target: arbitrary bytes are the whole standard input of one
// session, run in-process through runDialogue with the output in memory.
//
// Beyond "no crash", the output is checked against a model of the dialogue
// written here independently of the program: the input is cut into lines as
// fgets with a 256-byte buffer would cut it, each line is read as a
// coefficient or a quit answer, and from that the exact sequence of prompts,
// range messages, line [1] texts and endings is known in advance. The report
// body of a nonsingular curve is read with a grammar of what the program can
// print, and checked against facts that hold for every curve:
//   - a listed bad prime is a prime of the table that divides B(A^3 - 27B);
//     a prime of the table that divides it yet is not listed divides B to at
//     least the third power (only then can scaling give good reduction);
//   - the 64-bit warning appears exactly when |B(A^3 - 27B)| exceeds the
//     factorisation range, the end-of-table warning exactly when its largest
//     prime factor is 611951 or beyond;
//   - an empty list comes with the end-of-table warning, since no elliptic
//     curve over Q has good reduction at every prime;
//   - line [3] holds dimensions in the range the candidates allow, and
//     line [4] is the bound that line [3] gives;
//   - with VELRIN_FUZZ_CHECK_DIMENSIONS set, the dimensions are at least 0
//     and add up to at least 1 (the 3-torsion point), when every bad prime
//     lies in the table.
// The same input runs a second time under the true rules (the default),
// whose report carries no warning, lists at least one bad prime (no curve
// over Q has good reduction everywhere), every one of any size dividing
// B(A^3 - 27B) and in increasing order, misses no prime of the table
// dividing it unless p^3 | B, and always has dimensions of at least 0
// adding up to at least 1.
// Any violation prints what was expected and where, and aborts.

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dialogue/dialogue.hpp"
#include "dialogue/line_reader.hpp"

namespace {

constexpr std::string_view kBanner =
    "Velrin ver1.0 - 3-isogeny descent on elliptic curves with a rational 3-torsion point\n";
constexpr std::string_view kAsk =
    "\nInput the coefficients A,B of Weierstrass equation\nE:y^2+Axy+By=x^3\n";
constexpr std::string_view kRangeMessage =
    "The coefficient must lie between -2147483648 and 2147483647.\n";
constexpr std::string_view kQuit = "Quit? (y/n) >";
constexpr std::string_view kSingular = "\n[1] The curve E is singular.\n\n";
constexpr std::string_view kTooLarge =
    "\n[2] The curve is too large: B(A^3-27B) does not fit in 64 bits.\n\n";
constexpr std::string_view kInt64Warning = "\nexceed the range of the type'__int64'!\n";
constexpr std::string_view kTableEndWarning = "\nexceed 50000th prime !\n";
constexpr std::string_view kListHeader =
    "\n[2] {bad prime, Kodaira symbol, Image[E(Qp) -> Qp^{*}/Qp^{*3}]}\n";
constexpr std::string_view kEmptyList = "none among the primes up to 611951.\n";
constexpr uint64_t kFactorizeRangeLimit = 9223362036854775807ULL;
constexpr uint32_t kLargestPrime = 611951;
constexpr size_t kMaxBadPrimes = 15;

// The primes up to 611951, the range in which bad primes are recognised.
const std::vector<uint32_t>& tablePrimes() {
  static const std::vector<uint32_t> primes = [] {
    std::vector<bool> composite(kLargestPrime + 1, false);
    std::vector<uint32_t> found;
    for (uint32_t n = 2; n <= kLargestPrime; ++n) {
      if (composite[n]) continue;
      found.push_back(n);
      for (uint64_t m = uint64_t{n} * n; m <= kLargestPrime; m += n) composite[m] = true;
    }
    return found;
  }();
  return primes;
}

bool isTablePrime(uint64_t n) {
  const std::vector<uint32_t>& primes = tablePrimes();
  return n <= kLargestPrime && std::binary_search(primes.begin(), primes.end(), n);
}

// True when the largest prime factor of m (m >= 2) is 611951 or more.
bool largestFactorReachesTableEnd(uint64_t m) {
  uint64_t largest = 1;
  for (const uint32_t p : tablePrimes()) {
    if (uint64_t{p} * p > m) break;
    if (m % p != 0) continue;
    largest = p;
    while (m % p == 0) m /= p;
  }
  // What is left is 1 or a prime above every one divided out.
  return std::max(largest, m) >= kLargestPrime;
}

// The input cut as fgets with a 256-byte buffer cuts it: at most 255 bytes,
// through the newline. Each line is cut again at its first NUL, where the
// program's reading of it stops.
std::vector<std::string_view> cutLines(std::string_view input) {
  std::vector<std::string_view> lines;
  while (!input.empty()) {
    size_t length = std::min<size_t>(input.size(), 255);
    const size_t newline = input.substr(0, length).find('\n');
    if (newline != std::string_view::npos) length = newline + 1;
    std::string_view line = input.substr(0, length);
    input.remove_prefix(length);
    lines.push_back(line.substr(0, line.find('\0')));
  }
  return lines;
}

// The coefficient a line stands for: its digits joined, negative when a '-'
// precedes the first digit; nothing when outside the signed 32-bit range.
std::optional<int64_t> coefficientOf(std::string_view line) {
  std::string digits;
  bool seenDigit = false;
  bool negative = false;
  for (const char c : line) {
    if (c >= '0' && c <= '9') {
      seenDigit = true;
      if (!digits.empty() || c != '0') digits.push_back(c);  // leading zeros add nothing
    } else if (c == '-' && !seenDigit) {
      negative = true;
    }
  }
  if (digits.size() > 10) return std::nullopt;
  int64_t magnitude = 0;
  for (const char c : digits) magnitude = magnitude * 10 + (c - '0');
  const int64_t value = negative ? -magnitude : magnitude;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return value;
}

// Appending the digits to the sign, rather than "+" + to_string, keeps
// g++ 12's -Wrestrict false positive on operator+ out of the build.
std::string signedText(int64_t v) {
  std::string text(1, v > 0 ? '+' : '-');
  text.append(std::to_string(v < 0 ? -v : v));
  return text;
}

// Line [1]: a coefficient of +-1 shows only its sign, except that B keeps
// its digit when A is +-1.
std::string equationLine(int64_t a, int64_t b) {
  std::string text = "\n[1] E is an elliptic curve defined by y^2";
  const bool aUnit = a == 1 || a == -1;
  if (a != 0) text.append(aUnit ? std::string(a > 0 ? "+" : "-") : signedText(a)).append("xy");
  const bool bUnit = b == 1 || b == -1;
  text.append(bUnit && !aUnit ? std::string(b > 0 ? "+" : "-") : signedText(b)).append("y=x^3\n");
  return text;
}

// VELRIN_FUZZ_CHECK_DIMENSIONS=1 in the environment turns on the check of
// the Selmer dimensions against the 3-torsion point.
bool checkDimensions() {
  static const bool on = std::getenv("VELRIN_FUZZ_CHECK_DIMENSIONS") != nullptr;
  return on;
}

[[noreturn]] void fail(std::string_view what, std::string_view output, size_t at) {
  std::fprintf(stderr, "dialogue_fuzzer: %.*s at output offset %zu\n",
               static_cast<int>(what.size()), what.data(), at);
  const size_t from = at > 200 ? at - 200 : 0;
  const std::string_view context = output.substr(from, 400);
  std::fprintf(stderr, "---- output around it ----\n%.*s\n----\n", static_cast<int>(context.size()),
               context.data());
  std::abort();
}

// Walks the program's output, consuming what the model says must come next.
class OutputChecker {
 public:
  OutputChecker(std::string_view output, std::string_view input, velrin::Rules rules)
      : out_(output), lines_(cutLines(input)), rules_(rules) {}

  void checkSession() {
    expect(kBanner);
    for (;;) {
      expect(kAsk);
      const std::optional<int64_t> a = readCoefficient("A=");
      if (!a) return;
      const std::optional<int64_t> b = readCoefficient("B=");
      if (!b) return;
      if (rules_ == velrin::Rules::kClassic) {
        checkReport(*a, *b);
      } else {
        checkTrueReport(*a, *b);
      }
      for (;;) {
        expect(kQuit);
        if (!nextLine()) return expectEndOfInputLine();
        const std::string_view answer =
            line_.substr(std::min(line_.find_first_not_of(' '), line_.size()));
        if (!answer.empty() && answer.front() == 'y') return expectEnd();
        if (!answer.empty() && answer.front() == 'n') break;
      }
    }
  }

 private:
  bool nextLine() {
    if (nextLineIndex_ == lines_.size()) return false;
    line_ = lines_[nextLineIndex_++];
    return true;
  }

  void expect(std::string_view text) {
    if (out_.substr(pos_, text.size()) != text) {
      std::string what = "expected \"";
      what.append(text).append("\"");
      fail(what, out_, pos_);
    }
    pos_ += text.size();
  }

  bool accept(std::string_view text) {
    if (out_.substr(pos_, text.size()) != text) return false;
    pos_ += text.size();
    return true;
  }

  void expectEnd() {
    if (pos_ != out_.size()) fail("expected the end of the output", out_, pos_);
  }

  // End of input at a read: a fresh line, then nothing.
  void expectEndOfInputLine() {
    expect("\n");
    expectEnd();
  }

  std::optional<int64_t> readCoefficient(std::string_view prompt) {
    for (;;) {
      expect(prompt);
      if (!nextLine()) {
        expectEndOfInputLine();
        return std::nullopt;
      }
      if (const std::optional<int64_t> value = coefficientOf(line_)) return value;
      expect(kRangeMessage);
    }
  }

  // A decimal number without sign or leading zero, of at most maxDigits
  // digits (38 keep it below 2^127).
  __uint128_t readDigits(size_t maxDigits) {
    const size_t start = pos_;
    __uint128_t value = 0;
    while (pos_ < out_.size() && out_[pos_] >= '0' && out_[pos_] <= '9' &&
           pos_ - start < maxDigits) {
      value = value * 10 + static_cast<unsigned>(out_[pos_] - '0');
      ++pos_;
    }
    if (pos_ == start || (out_[start] == '0' && pos_ - start > 1))
      fail("expected a number", out_, start);
    return value;
  }

  // A decimal number without sign or leading zero, below 2^40.
  uint64_t readNumber() { return static_cast<uint64_t>(readDigits(12)); }

  // A number as %d prints it: an optional '-', then digits.
  int64_t readSignedNumber() {
    const bool negative = accept("-");
    const auto magnitude = static_cast<int64_t>(readNumber());
    return negative ? -magnitude : magnitude;
  }

  // I<n> with n >= 1, I<n>^* with n >= 0, II, III, IV, IV^*.
  void readKodairaSymbol() {
    const size_t start = pos_;
    if (accept("IV^*") || accept("IV") || accept("III") || accept("II")) return;
    expect("I");
    const uint64_t n = readNumber();
    if (!accept("^*") && n == 0) fail("type I0 listed as a bad prime", out_, start);
  }

  void readImage() {
    if (accept("{e}") || accept("Zp^{*}Qp^*3/Qp^{*3}") || accept("<BQp^{*3}>") ||
        accept("Qp^{*}/Qp^{*3}")) {
      return;
    }
    fail("expected one of the four local images", out_, pos_);
  }

  // The entries of line [2], "{p, symbol, image}" joined by ",\n" and ended
  // by ".\n", with primes of at most maxDigits digits in increasing order,
  // each passed to admit with the offset of its entry.
  template <typename Admit>
  std::vector<__uint128_t> readEntries(size_t maxDigits, Admit admit) {
    std::vector<__uint128_t> listed;
    for (;;) {
      const size_t entry = pos_;
      expect("{");
      const __uint128_t p = readDigits(maxDigits);
      admit(p, entry);
      if (!listed.empty() && p <= listed.back()) fail("primes out of order", out_, entry);
      listed.push_back(p);
      expect(", ");
      readKodairaSymbol();
      expect(", ");
      readImage();
      expect("}");
      if (accept(".\n")) return listed;
      expect(",\n");
    }
  }

  void checkReport(int64_t a, int64_t b) {
    const __int128_t f = static_cast<__int128_t>(a) * a * a - 27 * static_cast<__int128_t>(b);
    if (b == 0 || f == 0) return expect(kSingular);
    expect(equationLine(a, b));
    const __int128_t d = b * f;
    if (d > INT64_MAX || d < INT64_MIN) return expect(kTooLarge);
    const uint64_t magnitude = static_cast<uint64_t>(d < 0 ? -d : d);
    if (magnitude > kFactorizeRangeLimit) expect(kInt64Warning);
    const bool tableEnd = largestFactorReachesTableEnd(magnitude);
    if (tableEnd) expect(kTableEndWarning);
    expect(kListHeader);

    std::vector<__uint128_t> listed;
    if (accept(kEmptyList)) {
      if (!tableEnd) fail("empty list without the end-of-table warning", out_, pos_);
    } else {
      listed = readEntries(12, [&](__uint128_t p, size_t entry) {
        if (p >> 64U != 0 || !isTablePrime(static_cast<uint64_t>(p)) || magnitude % p != 0) {
          fail("listed prime is not a table prime dividing B(A^3-27B)", out_, entry);
        }
      });
      if (listed.size() > kMaxBadPrimes) fail("more bad primes than 64 bits can hold", out_, pos_);
    }
    // A prime of the table dividing D but left out must divide B to the
    // third power at least: otherwise the reduction there is bad.
    const uint64_t bMagnitude = static_cast<uint64_t>(b < 0 ? -b : b);
    for (const uint32_t p : tablePrimes()) {
      if (uint64_t{p} > magnitude) break;
      if (magnitude % p != 0 || std::binary_search(listed.begin(), listed.end(), p)) continue;
      if (bMagnitude % (uint64_t{p} * p * p) != 0) {
        fail("a bad prime of the table is missing from the list", out_, pos_);
      }
    }

    expect("\n[3] dim(Sel(E^/Q))=");
    const int64_t dualDim = readSignedNumber();
    expect(", dim(Sel(E/Q))=");
    const int64_t dim = readSignedNumber();
    expect("\n");
    // The candidates of the descent are spanned by at most 16 primes (15
    // bad ones and 3), and each bad prime moves the second dimension by at
    // most one from the first.
    if (dualDim < 0 || dualDim > 16 || dim < dualDim - 15 || dim > dualDim + 15) {
      fail("Selmer dimensions out of range", out_, pos_);
    }
    // Line [4] must be the bound of line [3] as printed, whatever its sign.
    const int64_t sum = dualDim + dim;
    // Each Selmer group contains the image of the descent map on the
    // rational points, and those images have dimensions adding up to
    // rank E(Q) + dim E(Q)[3] >= 1, as (0,0) is a rational point of order 3
    // and the dual isogeny's kernel, a twist of mu_3, has no rational point.
    // The program breaks this on some curves (see fuzz/README.md), so the
    // check is on only when asked for, and only when no bad prime lies
    // beyond the table.
    if (checkDimensions() && !tableEnd && (dualDim < 0 || dim < 0 || sum < 1)) {
      fail("Selmer dimensions below 0 or adding up to less than 1", out_, pos_);
    }
    if (sum == 1) {
      expect("\n[4] rankE(Q)=0\n\n");
    } else {
      std::string bound = "\n[4] rankE(Q) < ";
      bound.append(std::to_string(sum - 1)).append("\n\n");
      expect(bound);
    }
  }

  void checkTrueReport(int64_t a, int64_t b) {
    const __int128_t f = static_cast<__int128_t>(a) * a * a - 27 * static_cast<__int128_t>(b);
    if (b == 0 || f == 0) return expect(kSingular);
    expect(equationLine(a, b));
    // |B| <= 2^31 and |F| < 2^94: |D| < 2^125.
    const __int128_t d = b * f;
    const __uint128_t magnitude = static_cast<__uint128_t>(d < 0 ? -d : d);
    if (accept(kTooLarge)) return;
    expect(kListHeader);
    const std::vector<__uint128_t> listed = readEntries(38, [&](__uint128_t p, size_t entry) {
      if (p < 2 || magnitude % p != 0) {
        fail("listed prime does not divide B(A^3-27B)", out_, entry);
      }
    });
    const uint64_t bMagnitude = static_cast<uint64_t>(b < 0 ? -b : b);
    for (const uint32_t p : tablePrimes()) {
      if (p > 1000 || __uint128_t{p} > magnitude) break;
      if (magnitude % p != 0 || std::binary_search(listed.begin(), listed.end(), p)) continue;
      if (bMagnitude % (uint64_t{p} * p * p) != 0) fail("a bad prime is missing", out_, pos_);
    }
    expect("\n[3] dim(Sel(E^/Q))=");
    const int64_t dualDim = readSignedNumber();
    expect(", dim(Sel(E/Q))=");
    const int64_t dim = readSignedNumber();
    expect("\n");
    // The images of the descent maps on E(Q) and E^(Q) hold the point
    // (0,0) or its image: the dimensions are at least 0 and add up to at
    // least 1; the first is at most the number of generators.
    if (dualDim < 0 || dim < 0 || dualDim + dim < 1 ||
        dualDim > static_cast<int64_t>(listed.size())) {
      fail("Selmer dimensions out of range", out_, pos_);
    }
    if (dualDim + dim == 1) return expect("\n[4] rankE(Q)=0\n\n");
    std::string bound = "\n[4] rankE(Q) < ";
    bound.append(std::to_string(dualDim + dim - 1)).append("\n\n");
    expect(bound);
  }

  std::string_view out_;
  size_t pos_ = 0;
  std::vector<std::string_view> lines_;
  size_t nextLineIndex_ = 0;
  std::string_view line_;
  velrin::Rules rules_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  for (const velrin::Rules rules : {velrin::Rules::kClassic, velrin::Rules::kTrue}) {
    char* buffer = nullptr;
    size_t length = 0;
    std::FILE* out = open_memstream(&buffer, &length);
    if (out == nullptr) std::abort();
    velrin::LineReader in(input);
    const int status = velrin::runDialogue(in, out, rules);
    std::fclose(out);
    const std::string output(buffer, length);
    std::free(buffer);
    if (status != 0) fail("exit status is not 0", output, output.size());
    OutputChecker(output, input, rules).checkSession();
  }
  return 0;
}
