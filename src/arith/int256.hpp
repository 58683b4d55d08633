#pragma once

#include <cstdint>
#include <string>

namespace velrin {

/// A signed integer of magnitude below 2^255, held in two's complement in
/// two 128-bit words: enough for the invariants of a curve y^2 + Axy + By
/// = x^3 with 32-bit A and B (its minimal discriminant is below 2^187).
/// Sums, differences and products wrap modulo 2^256; every caller argues
/// in a comment that its values stay below 2^255.
class Int256 {
 public:
  Int256() = default;
  /// Every 128-bit value.
  Int256(__int128_t value)  // NOLINT: an integer converts implicitly, as int does
      : low_(static_cast<__uint128_t>(value)), high_(value < 0 ? ~__uint128_t{0} : 0) {}

  bool negative() const { return (high_ >> 127U) != 0; }
  bool isZero() const { return low_ == 0 && high_ == 0; }
  /// True when the value lies in (-2^bits, 2^bits); 0 <= bits <= 127.
  bool fitsBelow(unsigned bits) const;
  /// The value; fitsBelow(127) holds.
  __int128_t narrow() const { return static_cast<__int128_t>(low_); }

  friend Int256 operator+(const Int256& x, const Int256& y);
  friend Int256 operator-(const Int256& x, const Int256& y);
  friend Int256 operator*(const Int256& x, const Int256& y);
  friend Int256 operator-(const Int256& x) { return Int256() - x; }
  friend bool operator==(const Int256&, const Int256&) = default;

  /// The value in decimal, with a minus sign when negative.
  std::string decimal() const;

 private:
  Int256(__uint128_t low, __uint128_t high) : low_(low), high_(high) {}

  __uint128_t low_ = 0;
  __uint128_t high_ = 0;
};

}  // namespace velrin
