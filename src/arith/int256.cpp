#include "arith/int256.hpp"

#include <algorithm>

namespace velrin {

namespace {

using U128 = __uint128_t;

// The full 256-bit product of two 128-bit words, from four 64 x 64 -> 128
// products: each partial sum below fits in 128 bits since it adds at most
// two 64-bit halves to a product below (2^64 - 1)^2.
void multiplyWords(U128 x, U128 y, U128& low, U128& high) {
  const U128 mask = (U128{1} << 64U) - 1;
  const U128 x0 = x & mask, x1 = x >> 64U, y0 = y & mask, y1 = y >> 64U;
  const U128 p00 = x0 * y0, p01 = x0 * y1, p10 = x1 * y0, p11 = x1 * y1;
  const U128 middle = (p00 >> 64U) + (p01 & mask) + (p10 & mask);
  low = (p00 & mask) | (middle << 64U);
  high = p11 + (p01 >> 64U) + (p10 >> 64U) + (middle >> 64U);
}

}  // namespace

Int256 operator+(const Int256& x, const Int256& y) {
  const U128 low = x.low_ + y.low_;
  return {low, x.high_ + y.high_ + (low < x.low_ ? 1U : 0U)};
}

Int256 operator-(const Int256& x, const Int256& y) {
  return {x.low_ - y.low_, x.high_ - y.high_ - (x.low_ < y.low_ ? 1U : 0U)};
}

Int256 operator*(const Int256& x, const Int256& y) {
  // Modulo 2^256 the two's complement product needs only the low word of
  // the cross terms.
  U128 low = 0;
  U128 high = 0;
  multiplyWords(x.low_, y.low_, low, high);
  return {low, high + x.low_ * y.high_ + x.high_ * y.low_};
}

bool Int256::fitsBelow(unsigned bits) const {
  const U128 limit = U128{1} << bits;
  if (!negative()) return high_ == 0 && low_ < limit;
  // A negative value is low_ - 2^128, above -2^bits when low_ > 2^128 - 2^bits.
  return high_ == ~U128{0} && low_ > ~limit + 1;
}

std::string Int256::decimal() const {
  Int256 magnitude = negative() ? -*this : *this;
  U128 low = magnitude.low_;
  U128 high = magnitude.high_;
  std::string digits;
  // Long division by 10^19 of the 256-bit magnitude, word by word: each
  // remainder is below 10^19 < 2^64, so remainder * 2^64 + a 64-bit half
  // fits in 128 bits.
  constexpr uint64_t kChunk = 10'000'000'000'000'000'000ULL;
  while (low != 0 || high != 0) {
    uint64_t halves[4] = {static_cast<uint64_t>(high >> 64U), static_cast<uint64_t>(high),
                          static_cast<uint64_t>(low >> 64U), static_cast<uint64_t>(low)};
    U128 remainder = 0;
    for (uint64_t& half : halves) {
      const U128 current = (remainder << 64U) | half;
      half = static_cast<uint64_t>(current / kChunk);
      remainder = current % kChunk;
    }
    high = (U128{halves[0]} << 64U) | halves[1];
    low = (U128{halves[2]} << 64U) | halves[3];
    auto part = static_cast<uint64_t>(remainder);
    for (int i = 0; i < 19; ++i) {
      digits.push_back(static_cast<char>('0' + part % 10));
      part /= 10;
      if (part == 0 && low == 0 && high == 0) break;
    }
  }
  if (digits.empty()) digits.push_back('0');
  if (negative()) digits.push_back('-');
  std::reverse(digits.begin(), digits.end());
  return digits;
}

}  // namespace velrin
