#include "curve/global_invariants.hpp"

#include "curve/minimal_model.hpp"

namespace velrin {

namespace {

// floor(n / d) for d > 0.
__int128_t floorDiv(__int128_t n, __int128_t d) {
  const __int128_t q = n / d;
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

int32_t conductorExponent(int64_t a0, int64_t b0, const LocalDatum& datum) {
  // |A0^3 - 27 B0| < 2^93 + 2^36 fits in 128 bits.
  const __int128_t f0 = static_cast<__int128_t>(a0) * a0 * a0 - static_cast<__int128_t>(27) * b0;
  const int32_t discriminant = 3 * valuationWide(b0, datum.prime) + valuationWide(f0, datum.prime);
  return discriminant - componentCount(datum.kodaira) + 1;
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

std::array<Int256, 5> reducedMinimalModel(int64_t a0, int64_t b0) {
  // From [A0, 0, B0, 0, 0]: s makes a1 = A0 + 2s lie in {0, 1}, r makes
  // a2 = -s A0 - s^2 + 3r lie in {-1, 0, 1}, t makes a3 = B0 + r A0 + 2t
  // lie in {0, 1}. Bounds: |s| <= 2^30, |r| <= 2^60, |t| <= 2^91, so the
  // 128-bit steps below hold, and a4, a6 (below 2^125 and 2^184) are
  // formed in 256 bits.
  const __int128_t s = -floorDiv(a0, 2);
  const __int128_t c = -s * a0 - s * s;
  const __int128_t r = -floorDiv(c + 1, 3);
  const __int128_t t = -floorDiv(b0 + r * a0, 2);
  const Int256 A = a0;
  const Int256 B = b0;
  const Int256 R = r;
  const Int256 S = s;
  const Int256 T = t;
  const Int256 a4 = -(S * B) - (T + R * S) * A + Int256(3) * R * R - Int256(2) * S * T;
  const Int256 a6 = R * R * R - T * B - T * T - R * T * A;
  return {Int256(a0 + 2 * s), Int256(c + 3 * r), Int256(b0 + r * a0 + 2 * t), a4, a6};
}

int32_t rootNumberFromSelmer(int32_t d1, int32_t d2) { return ((d1 + d2 - 1) % 2 == 0) ? 1 : -1; }

}  // namespace velrin
