#include "curve/global_invariants.hpp"

#include "curve/minimal_model.hpp"

namespace velrin {

namespace {

// floor(n / d) for d > 0.
__int128_t floorDiv(__int128_t n, __int128_t d) {
  const __int128_t q = n / d;
  return (n % d != 0 && n < 0) ? q - 1 : q;
}

// floor(n / d) for d > 0, in 64 bits.
int64_t floorDiv64(int64_t n, int64_t d) {
  const int64_t q = n / d;
  return (n % d != 0 && n < 0) ? q - 1 : q;
}

}  // namespace

int32_t componentCount(KodairaSymbol symbol) {
  switch (symbol.type) {
    case ReductionType::kI:
      return symbol.n == 0 ? 1 : symbol.n;
    case ReductionType::kII:
      return 1;
    case ReductionType::kIII:
      return 2;
    case ReductionType::kIV:
      return 3;
    case ReductionType::kIVStar:
      return 7;
    case ReductionType::kIStar:
      break;
  }
  return symbol.n + 5;
}

int32_t conductorExponentByOgg(int64_t a0, int64_t b0, const LocalDatum& datum) {
  // |A0^3 - 27 B0| < 2^93 + 2^36 fits in 128 bits.
  const __int128_t f0 = static_cast<__int128_t>(a0) * a0 * a0 - static_cast<__int128_t>(27) * b0;
  const int32_t discriminant = 3 * valuationWide(b0, datum.prime) + valuationWide(f0, datum.prime);
  return discriminant - componentCount(datum.kodaira) + 1;
}

int32_t conductorExponent(int64_t a0, int64_t b0, const LocalDatum& datum) {
  // Away from 3, f_p is 1 for I_n (the minimal discriminant's valuation is
  // n, so Ogg gives n - n + 1) and 2 for the additive types. At p >= 5 the
  // reduction is tame; at 2 the additive types are IV and IV^* (2 | A0 and
  // v_2(B0) = 1 or 2, so v_2(F0) = v_2(B0) and v_2(Delta) = 4 or 8), where
  // Ogg gives 4 - 3 + 1 = 8 - 7 + 1 = 2 as well. Only 3 needs the formula.
  if (datum.prime != 3) return datum.kodaira.type == ReductionType::kI ? 1 : 2;
  return conductorExponentByOgg(a0, b0, datum);
}

Int256 conductor(int64_t a0, int64_t b0, std::span<const LocalDatum> badPrimes) {
  // Each partial product divides |Delta| < 2^187, so none wraps.
  Int256 product = 1;
  for (const LocalDatum& datum : badPrimes) {
    const auto prime = static_cast<__int128_t>(datum.prime);  // below 2^96
    for (int32_t e = conductorExponent(a0, b0, datum); e > 0; --e) product = product * prime;
  }
  return product;
}

uint64_t conductorBelow2To53(int64_t a0, int64_t b0, std::span<const LocalDatum> badPrimes) {
  constexpr unsigned kBits = 53;
  // Every factor is at least 2, so the partial products only grow: once
  // one reaches 2^53 so does the conductor. Before that the product is
  // below 2^53 and the prime, checked first, too: their product fits in
  // 106 bits.
  __uint128_t product = 1;
  for (const LocalDatum& datum : badPrimes) {
    if (datum.prime >> kBits != 0) return 0;
    for (int32_t e = conductorExponent(a0, b0, datum); e > 0; --e) {
      product *= datum.prime;
      if (product >> kBits != 0) return 0;
    }
  }
  return static_cast<uint64_t>(product);
}

namespace {

// The change of variables x = x' + r, y = y' + s x' + t to the reduced
// model, from [A0, 0, B0, 0, 0]: s makes a1 = A0 + 2s lie in {0, 1}, r
// makes a2 = -s A0 - s^2 + 3r lie in {-1, 0, 1}, t makes a3 = B0 + r A0 +
// 2t lie in {0, 1}. For |A0|, |B0| <= 2^31: |s| <= 2^30, |r| <= 2^60,
// |t| <= 2^91, so these 128-bit steps hold.
struct Reduction {
  __int128_t s;
  __int128_t c;  // -s A0 - s^2, so that a2 = c + 3r
  __int128_t r;
  __int128_t t;
};

Reduction reduction(int64_t a0, int64_t b0) {
  Reduction change{};
  change.s = -floorDiv(a0, 2);
  change.c = -change.s * a0 - change.s * change.s;
  change.r = -floorDiv(change.c + 1, 3);
  change.t = -floorDiv(b0 + change.r * a0, 2);
  return change;
}

}  // namespace

std::array<Int256, 5> reducedMinimalModel(int64_t a0, int64_t b0) {
  // a4 and a6 (below 2^125 and 2^184) are formed in 256 bits.
  const auto [s, c, r, t] = reduction(a0, b0);
  const Int256 A = a0;
  const Int256 B = b0;
  const Int256 R = r;
  const Int256 S = s;
  const Int256 T = t;
  const Int256 a4 = -(S * B) - (T + R * S) * A + Int256(3) * R * R - Int256(2) * S * T;
  const Int256 a6 = R * R * R - T * B - T * T - R * T * A;
  return {Int256(a0 + 2 * s), Int256(c + 3 * r), Int256(b0 + r * a0 + 2 * t), a4, a6};
}

std::optional<std::array<__int128_t, 5>> reducedMinimalModelNarrow(int64_t a0, int64_t b0) {
  if (a0 > kNarrowA || a0 < -kNarrowA) return std::nullopt;
  // With |A0| <= 2^21 and |B0| <= 2^31: |s| <= 2^20, |c| <= 2^41 + 2^40,
  // |r| < 2^41, |r A0| < 2^62 and |t| < 2^62. Then in a6 = r^3 - t B0 -
  // t^2 - r t A0 the terms are below 2^123, 2^93, 2^124 and 2^124, and in
  // a4 = -s B0 - (t + r s) A0 + 3 r^2 - 2 s t below 2^51, 2^84, 2^84 and
  // 2^83: every partial sum stays below 2^126.
  // The reduction's own steps fit in 64 bits, where halving is a shift
  // (floor for negative values too) and a third a multiplication.
  const int64_t s = -(a0 >> 1U);
  const int64_t c = -s * a0 - s * s;
  const int64_t r = -floorDiv64(c + 1, 3);
  const int64_t t = -((b0 + r * a0) >> 1U);
  const __int128_t S = s;
  const __int128_t R = r;
  const __int128_t T = t;
  const __int128_t a4 = -(S * b0) - (T + R * s) * a0 + 3 * R * r - 2 * S * t;
  const __int128_t a6 = R * r * r - T * b0 - T * t - R * t * a0;
  return std::array<__int128_t, 5>{a0 + 2 * s, c + 3 * r, b0 + r * a0 + 2 * t, a4, a6};
}

int32_t rootNumberFromSelmer(int32_t d1, int32_t d2) { return ((d1 + d2 - 1) % 2 == 0) ? 1 : -1; }

}  // namespace velrin
