#include "curve/local_classification.hpp"

#include "arith/integer_primitives.hpp"

namespace velrin {

namespace {

LocalDatum datum(__uint128_t p, KodairaSymbol kodaira, LocalImage image, int32_t term) {
  return LocalDatum{p, kodaira, image, term};
}

constexpr KodairaSymbol kTypeII{ReductionType::kII, 0};
constexpr KodairaSymbol kTypeIII{ReductionType::kIII, 0};
constexpr KodairaSymbol kTypeIV{ReductionType::kIV, 0};
constexpr KodairaSymbol kTypeIVStar{ReductionType::kIVStar, 0};

KodairaSymbol multiplicative(int32_t n) { return {ReductionType::kI, n}; }
KodairaSymbol starred(int32_t n) { return {ReductionType::kIStar, n}; }

// n modulo m in [0, m), for the small moduli 3 and 9.
int32_t residueSmall(__int128_t n, int32_t m) {
  const auto r = static_cast<int32_t>(n % m);
  return r < 0 ? r + m : r;
}

// The local data at 3 on the minimal model, with a = v3(A0), b = v3(B0).
LocalDatum classifyAtThree(const MinimalModel& model) {
  const int32_t a = model.a0 == 0 ? kValuationOfZero : valuation(model.a0, 3);
  const int32_t b = valuation(model.b0, 3);
  if (a == 0) {
    // F0 = A0^3 (mod 3) is a unit: good reduction, or I_3b when 3 | B0.
    if (b == 0) return datum(0, multiplicative(0), LocalImage::kUnits, 0);
    return datum(3, multiplicative(3 * b), LocalImage::kWholeGroup, -1);
  }
  if (b == 1) {
    // Type IV; the image shrinks to <B> exactly when a = 1 and A0 + B0 = 0
    // (mod 9).
    if (a == 1 && residueSmall(model.a0 + model.b0, 9) == 0) {
      return datum(3, kTypeIV, LocalImage::kGeneratedByB, 0);
    }
    return datum(3, kTypeIV, LocalImage::kWholeGroup, -1);
  }
  if (b == 2) {
    if (a == 1) return datum(3, kTypeIVStar, LocalImage::kWholeGroup, -1);
    return datum(3, kTypeIVStar, LocalImage::kGeneratedByB, 0);
  }
  // 3 | A0 and B0 a unit (b >= 3 would make the model non-minimal): F0 has
  // d = v3(F0) >= 3 since 27 | A0^3 and v3(27 B0) = 3.
  const int32_t d = valuationWide(model.f0, 3);
  KodairaSymbol kodaira = starred(d - 6);
  if (d == 3) {
    const int32_t r = residueSmall(model.b0 + 2 * model.a0, 9);
    kodaira = r == 2 || r == 7 ? kTypeIII : kTypeII;
  } else if (d == 4) {
    kodaira = kTypeII;
  } else if (d == 5) {
    kodaira = kTypeIV;
  }
  // The image is the units unless B0 is a 3-adic cube (+-1 mod 9), where it
  // is trivial, save for d = 5 with A0/3 = F0/243 (mod 3).
  const int32_t r = residueSmall(model.b0, 9);
  bool units = r != 1 && r != 8;
  if (d == 5 && residueSmall(model.a0 / 3 - model.f0 / 243, 3) == 0) units = true;
  if (units) return datum(3, kodaira, LocalImage::kUnits, 0);
  return datum(3, kodaira, LocalImage::kTrivial, 1);
}

}  // namespace

LocalDatum classifyMinimal(const MinimalModel& model, __uint128_t p) {
  if (p == 3) return classifyAtThree(model);
  // For p = 1 (mod 3) the multiplicative, IV and IV* terms gain one.
  const int32_t g =
      (p >> 64U == 0 ? static_cast<uint64_t>(p) % 3 : static_cast<uint64_t>(p % 3)) == 1 ? 1 : 0;
  const bool pDividesA = model.a0 == 0 || valuationWide(model.a0, p) > 0;
  const int32_t vB = valuationWide(model.b0, p);
  if (!pDividesA) {
    // A0 a unit: I_{3 vB} with the whole group when p | B0, otherwise
    // I_{v(F0)} with the trivial image (or good reduction).
    if (vB > 0) return datum(p, multiplicative(3 * vB), LocalImage::kWholeGroup, -1);
    const int32_t vF = valuationWide(model.f0, p);
    if (vF == 0) return datum(0, multiplicative(0), LocalImage::kUnits, 0);
    return datum(p, multiplicative(vF), LocalImage::kTrivial, g);
  }
  // p | A0: minimality leaves vB in {0, 1, 2}; vB = 0 is good reduction
  // (F0 = -27 B0 is a unit), 1 and 2 are IV and IV^* with the image <B>.
  if (vB == 1) return datum(p, kTypeIV, LocalImage::kGeneratedByB, g - 1);
  if (vB == 2) return datum(p, kTypeIVStar, LocalImage::kGeneratedByB, g - 1);
  return datum(0, multiplicative(0), LocalImage::kUnits, 0);
}

LocalDatum classifyMinimal(const MinimalModel& model, __uint128_t p, bool dividesB, bool dividesF) {
  const int32_t g =
      (p >> 64U == 0 ? static_cast<uint64_t>(p) % 3 : static_cast<uint64_t>(p % 3)) == 1 ? 1 : 0;
  if (!dividesF) {
    return datum(p, multiplicative(3 * valuationWide(model.b0, p)), LocalImage::kWholeGroup, -1);
  }
  if (!dividesB) {
    return datum(p, multiplicative(valuationWide(model.f0, p)), LocalImage::kTrivial, g);
  }
  // p | A0 and, the model being minimal, v_p(B0) is 1 or 2.
  const int32_t vB = valuationWide(model.b0, p);
  if (vB == 1) return datum(p, kTypeIV, LocalImage::kGeneratedByB, g - 1);
  if (vB == 2) return datum(p, kTypeIVStar, LocalImage::kGeneratedByB, g - 1);
  return classifyMinimal(model, p);
}

LocalDatum classifyMinimalFromValuations(const MinimalModel& model, __uint128_t p, int32_t vB,
                                         int32_t vF) {
  const int32_t g =
      (p >> 64U == 0 ? static_cast<uint64_t>(p) % 3 : static_cast<uint64_t>(p % 3)) == 1 ? 1 : 0;
  if (vF == 0) return datum(p, multiplicative(3 * vB), LocalImage::kWholeGroup, -1);
  if (vB == 0) return datum(p, multiplicative(vF), LocalImage::kTrivial, g);
  if (vB == 1) return datum(p, kTypeIV, LocalImage::kGeneratedByB, g - 1);
  if (vB == 2) return datum(p, kTypeIVStar, LocalImage::kGeneratedByB, g - 1);
  return classifyMinimal(model, p);
}

namespace {

// The residue of y modulo 3 decides between II and III at 3; y = q * t / 81
// needs up to 98 bits, so it is formed in 128.
int32_t squareClassModThree(__int128_t y) { return squareRootMod(residue(y, 3), 3); }

}  // namespace

LocalDatum classifyClassic(int64_t a, int64_t b, int32_t p) {
  const int32_t vA = valuation(a, p);
  const int32_t vB = valuation(b, p);
  // F = A^3 - 27B divides D, which fits in 64 bits, so F fits too.
  const auto f = static_cast<int64_t>(static_cast<__int128_t>(a) * a * a - 27 * b);
  // For p = 1 (mod 3) the multiplicative and IV, IV* terms gain one.
  const int32_t g = (p - 1) % 3 == 0 ? 1 : 0;
  const auto prime = static_cast<__uint128_t>(p);
  const LocalDatum good = datum(0, multiplicative(0), LocalImage::kUnits, 0);

  if (3 * vA < vB) {
    // Split by u = p^vA, A/u is a unit and p | B/u^3: multiplicative reduction
    // of type I_n with n the valuation of the scaled discriminant.
    const int64_t b1 = b / power(p, 3 * vA);
    return datum(prime, multiplicative(3 * valuation(b1, p)), LocalImage::kWholeGroup, -1);
  }
  if (3 * vA == vB) {
    // Both A/u and B/u^3 are units: (A/u)^3 - 27 B/u^3 decides the type.
    const int32_t n = valuation(f / power(p, vB), p);
    if (n == 0) return good;
    if (p == 3) return datum(prime, multiplicative(n), LocalImage::kUnits, 0);
    return datum(prime, multiplicative(n), LocalImage::kTrivial, g);
  }

  // Additive reduction, or good reduction after scaling when 3 | vB.
  const int32_t r = vB % 3;
  const int32_t k = vB / 3;
  const int64_t u = power(3, k);  // used at p = 3 only
  const int64_t u3 = u * u * u;   // 3^(3k) <= 3^18 divides B
  if (r == 0 && p != 3) return good;
  if (r == 0) {
    // Additive reduction at 3: the 3-adic valuation w of F/u sorts the types.
    const int64_t q = f / u;
    const int32_t w = valuation(q, 3);
    if (w == 3) {
      const int64_t z = cubeRootMod(b, 3);
      const int64_t t = (a / u) * z * z - (b / u3) * 4 + z * z * z;
      const int32_t s = squareClassModThree(static_cast<__int128_t>(q) * t / 81);
      if (s > 0) return datum(prime, kTypeII, LocalImage::kTrivial, 1);
      if (s == 0) return datum(prime, kTypeIII, LocalImage::kUnits, 0);
      return datum(prime, kTypeII, LocalImage::kUnits, 0);
    }
    if (w == 4) return datum(prime, kTypeII, LocalImage::kUnits, 0);
    if (w == 5) {
      const int64_t d = (b / u - q / 243) % 3;
      if (d == 0) return datum(prime, kTypeIV, LocalImage::kUnits, -1);
      return datum(prime, kTypeIV, LocalImage::kTrivial, 0);
    }
    return datum(prime, starred(w - 6), LocalImage::kTrivial, 1);
  }
  if (r == 1) {
    if (p != 3) return datum(prime, kTypeIV, LocalImage::kGeneratedByB, g - 1);
    if (vA == 1 && (a / u + b / u3) % 9 == 0) {
      return datum(prime, kTypeIV, LocalImage::kGeneratedByB, 0);
    }
    return datum(prime, kTypeIV, LocalImage::kWholeGroup, -1);
  }
  if (p != 3) return datum(prime, kTypeIVStar, LocalImage::kGeneratedByB, g - 1);
  if (vA == 1) return datum(prime, kTypeIVStar, LocalImage::kWholeGroup, -1);
  return datum(prime, kTypeIVStar, LocalImage::kGeneratedByB, 0);
}

}  // namespace velrin
