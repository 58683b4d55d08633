#include <cstdio>
#include <string>

#include "arith/integer_primitives.hpp"
#include "curve/curve.hpp"

namespace velrin {

namespace {

// The image of E(Q_p) -> Q_p^*/Q_p^*3, as an index into imageNames.
constexpr int32_t kTrivialImage = 0;
constexpr int32_t kUnitImage = 1;
constexpr int32_t kImageOfB = 2;
constexpr int32_t kWholeGroup = 3;

void fill(BadPrimeNode& node, std::string kodaira, int32_t imageKind, int32_t dimDelta) {
  node.kodaira = std::move(kodaira);
  node.imageKind = imageKind;
  node.dimDelta = dimDelta;
}

// "I" followed by n: type I_n, multiplicative reduction.
std::string multiplicative(int32_t n) {
  char text[24];
  std::snprintf(text, sizeof text, "I%d", n);
  return text;
}

// "I" followed by n and "^*": type I*_n.
std::string starred(int32_t n) {
  char text[24];
  std::snprintf(text, sizeof text, "I%d^*", n);
  return text;
}

// The residue of y modulo 3 decides between II and III at 3; y = q * t / 81
// needs up to 98 bits, so it is formed in 128.
int32_t squareClassModThree(__int128_t y) { return squareRootMod(residue(y, 3), 3); }

}  // namespace

void Curve::classifyPrime(int32_t p, BadPrimeNode& node) {
  const int32_t vA = valuation(a, p);
  const int32_t vB = valuation(b, p);
  // F = A^3 - 27B divides D, which fits in 64 bits, so F fits too.
  const auto f = static_cast<int64_t>(static_cast<__int128_t>(a) * a * a - 27 * b);
  // For p = 1 (mod 3) the multiplicative and IV, IV* terms gain one.
  const int32_t g = (p - 1) % 3 == 0 ? 1 : 0;

  if (3 * vA < vB) {
    // Split by u = p^vA, A/u is a unit and p | B/u^3: multiplicative reduction
    // of type I_n with n the valuation of the scaled discriminant.
    const int64_t b1 = b / power(p, 3 * vA);
    node.prime = p;
    fill(node, multiplicative(3 * valuation(b1, p)), kWholeGroup, -1);
    return;
  }
  if (3 * vA == vB) {
    // Both A/u and B/u^3 are units: (A/u)^3 - 27 B/u^3 decides the type.
    const int32_t n = valuation(f / power(p, vB), p);
    if (n == 0) {
      fill(node, "I0", kUnitImage, 0);  // good reduction; the node stays open
      return;
    }
    node.prime = p;
    fill(node, multiplicative(n), p == 3 ? kUnitImage : kTrivialImage, p == 3 ? 0 : g);
    return;
  }

  // Additive reduction, or good reduction after scaling when 3 | vB.
  const int32_t r = vB % 3;
  const int32_t k = vB / 3;
  const int64_t u = power(3, k);  // used at p = 3 only
  const int64_t u3 = u * u * u;   // 3^(3k) <= 3^18 divides B
  if (r == 0 && p != 3) {
    fill(node, "I0", kUnitImage, 0);
    return;
  }
  node.prime = p;
  if (r == 0) {
    // Additive reduction at 3: the 3-adic valuation w of F/u sorts the types.
    const int64_t q = f / u;
    const int32_t w = valuation(q, 3);
    if (w == 3) {
      const int64_t z = cubeRootMod(b, 3);
      const int64_t t = (a / u) * z * z - (b / u3) * 4 + z * z * z;
      const int32_t s = squareClassModThree(static_cast<__int128_t>(q) * t / 81);
      if (s > 0) {
        fill(node, "II", kTrivialImage, 1);
      } else if (s == 0) {
        fill(node, "III", kUnitImage, 0);
      } else {
        fill(node, "II", kUnitImage, 0);
      }
    } else if (w == 4) {
      fill(node, "II", kUnitImage, 0);
    } else if (w == 5) {
      const int64_t d = (b / u - q / 243) % 3;
      if (d == 0) {
        fill(node, "IV", kUnitImage, -1);
      } else {
        fill(node, "IV", kTrivialImage, 0);
      }
    } else {
      fill(node, starred(w - 6), kTrivialImage, 1);
    }
    return;
  }
  if (r == 1) {
    if (p != 3) {
      fill(node, "IV", kImageOfB, g - 1);
    } else if (vA == 1 && (a / u + b / u3) % 9 == 0) {
      fill(node, "IV", kImageOfB, 0);
    } else {
      fill(node, "IV", kWholeGroup, -1);
    }
    return;
  }
  if (p != 3) {
    fill(node, "IV^*", kImageOfB, g - 1);
  } else if (vA == 1) {
    fill(node, "IV^*", kWholeGroup, -1);
  } else {
    fill(node, "IV^*", kImageOfB, 0);
  }
}

}  // namespace velrin
