#include "support/wrapping_reference.hpp"

#include <array>
#include <cinttypes>
#include <cstddef>
#include <cstdio>
#include <vector>

#include "arith/factorize.hpp"
#include "arith/integer_primitives.hpp"
#include "arith/modular.hpp"
#include "reference/plain_paths.hpp"
#include "render/text_report.hpp"
#include "support/captured_output.hpp"

namespace velrin {

namespace {

// Local image kinds, in the order of the report's image names.
constexpr int32_t kTrivial = 0;
constexpr int32_t kUnits = 1;
constexpr int32_t kOfB = 2;
constexpr std::array<const char*, 4> kImageNames = {"{e}", "Zp^{*}Qp^*3/Qp^{*3}", "<BQp^{*3}>",
                                                    "Qp^{*}/Qp^{*3}"};

struct Node {
  int32_t prime = 0;
  std::string kodaira;
  int32_t kind = 0;
  int32_t delta = 0;
};

bool fitsInt64(__int128_t x) { return x >= INT64_MIN && x <= INT64_MAX; }

std::string format(const char* pattern, int64_t value) {
  char text[48];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

// Line [1]: a unit coefficient shows its sign alone, except that B keeps
// its digits whenever A is a unit.
std::string equationLine(int64_t a, int64_t b) {
  std::string line = "\n[1] E is an elliptic curve defined by y^2";
  const bool aUnit = a == 1 || a == -1;
  const bool bUnit = b == 1 || b == -1;
  if (aUnit) {
    line.append(a > 0 ? "+xy" : "-xy");
  } else if (a != 0) {
    line.append(format("%+" PRId64 "xy", a));
  }
  if (bUnit && !aUnit) {
    line.append(b > 0 ? "+y" : "-y");
  } else {
    line.append(format("%+" PRId64 "y", b));
  }
  line.append("=x^3\n");
  return line;
}

class Model {
 public:
  Model(int32_t A, int32_t B, Paths paths) : a_(A), b_(B), paths_(paths) {}

  WrappingReport run() {
    if (isSingular()) {
      report_.singular = true;
      report_.text = "\n[1] The curve E is singular.\n\n";
      return report_;
    }
    report_.text = equationLine(a_, b_);
    scan();
    count();
    printReport();
    return report_;
  }

 private:
  // The 64-bit design compared A^3 with 27B after both had wrapped.
  bool isSingular() {
    const __int128_t cube = static_cast<__int128_t>(a_) * a_ * a_;
    const __int128_t scaledB = static_cast<__int128_t>(b_) * 27;
    if (!fitsInt64(cube) || !fitsInt64(scaledB)) report_.wraps |= kWrapInSingularityTest;
    return b_ == 0 || wrappingMul(wrappingMul(a_, a_), a_) == wrappingMul(b_, 27);
  }

  // F = A^3 - 27B as the 64-bit design held it.
  int64_t wrappedF() const {
    return wrappingSub(wrappingMul(wrappingMul(a_, a_), a_), wrappingMul(b_, 27));
  }

  // Factorises the wrapped D = B(A^3 - 27B) and classifies its primes, with
  // the factorisation warnings going into the text as the program prints them.
  void scan() {
    const __int128_t exactF =
        static_cast<__int128_t>(a_) * a_ * a_ - static_cast<__int128_t>(b_) * 27;
    if (!fitsInt64(exactF) || !fitsInt64(exactF * b_)) report_.wraps |= kWrapInDiscriminant;
    const int64_t d = wrappingMul(wrappedF(), b_);

    std::array<int32_t, 17> primes{};
    OutputBuffer warnings;
    appendFactorizeWarnings(
        paths_ == Paths::kPlain ? factorizeByTable(d, primes) : factorize(d, primes), warnings);
    report_.text.append(warnings.view());

    for (size_t i = 1; primes[i] != 0; ++i) {
      const int32_t p = primes[i];
      if (p == 3) threeIsBad_ = true;
      Node node;
      classify(p, node);
      if (node.prime != 0) nodes_.push_back(node);
    }
  }

  void fill(Node& node, int32_t p, std::string kodaira, int32_t kind, int32_t delta) {
    node.prime = p;
    node.kodaira = std::move(kodaira);
    node.kind = kind;
    node.delta = delta;
  }

  // Tate's algorithm for y^2 + Axy + By = x^3 at p, in 64-bit arithmetic;
  // node.prime stays 0 for good reduction after scaling.
  void classify(int32_t p, Node& node) {
    const int32_t vA = valuation(a_, p);
    const int32_t vB = valuation(b_, p);
    const int64_t f = wrappedF();
    const int32_t g = (p - 1) % 3 == 0 ? 1 : 0;

    if (3 * vA < vB) {
      const int64_t b1 = b_ / power(p, 3 * vA);
      fill(node, p, format("I%" PRId64, 3 * int64_t{valuation(b1, p)}), 3, -1);
      return;
    }
    if (3 * vA == vB) {
      const int64_t q = f / power(p, vB);
      const int32_t n = valuation(q, p);
      if (n == 0) return;  // I0: the node stays open
      fill(node, p, format("I%" PRId64, n), p == 3 ? 1 : 0, p == 3 ? 0 : g);
      return;
    }
    const int32_t r = vB % 3;
    if (r == 0 && p != 3) return;  // I0 after scaling
    if (r == 0) {
      const int32_t k = vB / 3;
      const int64_t u = power(3, k);
      const int64_t u3 = wrappingMul(wrappingMul(u, u), u);
      const int64_t q = f / u;
      const int32_t w = valuation(q, 3);
      if (w == 3) {
        const int64_t z = cubeRootMod(b_, 3);
        const int64_t t = (a_ / u) * z * z - (b_ / u3) * 4 + z * z * z;
        if (!fitsInt64(static_cast<__int128_t>(q) * t)) report_.wraps |= kWrapInResidueAtThree;
        const int64_t y = wrappingMul(q, t) / 81;
        const int32_t s = squareRootMod(y, 3);
        if (s > 0) {
          fill(node, p, "II", 0, 1);
        } else if (s == 0) {
          fill(node, p, "III", 1, 0);
        } else {
          fill(node, p, "II", 1, 0);
        }
      } else if (w == 4) {
        fill(node, p, "II", 1, 0);
      } else if (w == 5) {
        const int64_t d = (b_ / u - q / 243) % 3;
        fill(node, p, "IV", d == 0 ? 1 : 0, d == 0 ? -1 : 0);
      } else {
        fill(node, p, format("I%" PRId64 "^*", int64_t{w} - 6), 0, 1);
      }
      return;
    }
    const int64_t u = power(3, vB / 3);
    const int64_t u3 = wrappingMul(wrappingMul(u, u), u);
    if (r == 1) {
      if (p != 3) {
        fill(node, p, "IV", 2, g - 1);
      } else if (vA == 1 && (a_ / u + b_ / u3) % 9 == 0) {
        fill(node, p, "IV", 2, 0);
      } else {
        fill(node, p, "IV", 3, -1);
      }
      return;
    }
    if (p != 3) {
      fill(node, p, "IV^*", 2, g - 1);
    } else if (vA == 1) {
      fill(node, p, "IV^*", 3, -1);
    } else {
      fill(node, p, "IV^*", 2, 0);
    }
  }

  // Only the sign of the least cube root is ever read: 0 for n = 0 (mod m),
  // positive for a non-zero cube, negative for a non-cube.
  int32_t cubeRoot(int64_t n, int32_t m) const {
    return paths_ == Paths::kPlain ? cubeRootMod(n, m) : cubeRootSign(n, m);
  }

  // The local conditions on a candidate m held as a plain 64-bit value;
  // exact says whether m is the true candidate or a wrapped one.
  bool inLocalImages(int64_t m, bool exact) {
    for (const Node& node : nodes_) {
      const int32_t p = node.prime;
      bool passes = true;
      if (node.kind == kTrivial) {
        if (p == 3) {
          passes = cubeRoot(m, 9) > 0;
        } else if (p % 3 == 1) {
          passes = cubeRoot(m, p) > 0;
        } else {
          passes = m % p != 0;
        }
      } else if (node.kind == kUnits) {
        passes = cubeRoot(m, p) != 0;
      } else if (node.kind == kOfB) {
        passes = anyTwistIsCube(m, exact, p);
      }
      if (!passes) return false;
    }
    return true;
  }

  // One of m, mB, mB^2 is a cube in Q_p^*: valuation divisible by 3 and the
  // unit part, brought into [0, p] by the design's own sign rule, a cube.
  bool anyTwistIsCube(int64_t m, bool exact, int32_t p) {
    const int32_t v = valuation(m, p);
    const int32_t w = valuation(b_, p);
    bool passes = false;
    int64_t x = m;
    __int128_t exactX = m;
    for (int32_t k = 0; k < 3; ++k) {
      if (k > 0) {
        x = wrappingMul(x, b_);
        exactX *= b_;  // |m| < 2^63 and |B| <= 2^31 keep m B^2 within 128 bits
      }
      const int32_t e = v + k * w;
      if (e % 3 != 0) continue;
      if (exact && !fitsInt64(exactX)) report_.wraps |= kWrapInCandidate;
      const int64_t q = x / power(p, e);
      const int64_t t = q >= 0 ? q % p : p - wrappingSub(0, q) % p;
      if (cubeRoot(t, p) > 0) passes = true;
    }
    return passes;
  }

  // Depth first over the exponents 0, 1, 2 of each bad prime in list order.
  void countFrom(int64_t m, bool exact, size_t index) {
    if (index == nodes_.size()) {
      if (inLocalImages(m, exact)) ++report_.rawCount;
      return;
    }
    const int64_t p = nodes_[index].prime;
    for (int32_t exponent = 0; exponent < 3; ++exponent) {
      countFrom(m, exact, index + 1);
      if (exponent == 2) break;
      int64_t product = 0;
      if (__builtin_mul_overflow(m, p, &product)) {
        if (exact) report_.wraps |= kWrapInCandidate;
        exact = false;
      }
      m = wrappingMul(m, p);
    }
  }

  void count() {
    const std::vector<int64_t> seeds =
        threeIsBad_ ? std::vector<int64_t>{1} : std::vector<int64_t>{1, 3, 9};
    for (const int64_t seed : seeds) countFrom(seed, true, 0);
    report_.dualDim = valuation(report_.rawCount, 3);
    report_.selmerDim = report_.dualDim;
    for (const Node& node : nodes_) report_.selmerDim += node.delta;
  }

  void printReport() {
    std::string& text = report_.text;
    text.append("\n[2] {bad prime, Kodaira symbol, Image[E(Qp) -> Qp^{*}/Qp^{*3}]}\n");
    if (nodes_.empty()) text.append("none among the primes up to 611951.\n");
    for (size_t i = 0; i < nodes_.size(); ++i) {
      text.append(format("{%" PRId64 ", ", nodes_[i].prime));
      text.append(nodes_[i].kodaira).append(", ");
      text.append(kImageNames[static_cast<size_t>(nodes_[i].kind)]).append("}");
      text.append(i + 1 == nodes_.size() ? ".\n" : ",\n");
    }
    char line[96];
    std::snprintf(line, sizeof line, "\n[3] dim(Sel(E^/Q))=%d, dim(Sel(E/Q))=%d\n", report_.dualDim,
                  report_.selmerDim);
    text.append(line);
    const int32_t sum = report_.dualDim + report_.selmerDim;
    if (sum == 1) {
      text.append("\n[4] rankE(Q)=0\n\n");
    } else {
      std::snprintf(line, sizeof line, "\n[4] rankE(Q) < %d\n\n", sum - 1);
      text.append(line);
    }
  }

  int64_t a_;
  int64_t b_;
  Paths paths_;
  bool threeIsBad_ = false;
  std::vector<Node> nodes_;
  WrappingReport report_;
};

}  // namespace

WrappingReport wrappingReference(int32_t A, int32_t B, Paths paths) {
  return Model(A, B, paths).run();
}

}  // namespace velrin
