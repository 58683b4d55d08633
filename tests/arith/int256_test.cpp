// Int256 against products and sums that Python's integers computed.
#include "arith/int256.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velrin {
namespace {

__int128_t power(__int128_t base, int exponent) {
  __int128_t value = 1;
  for (int i = 0; i < exponent; ++i) value *= base;
  return value;
}

TEST(Int256, ProductsSumsAndDecimalsAreExact) {
  const __int128_t max127 = ~(static_cast<__int128_t>(1) << 127);  // 2^127 - 1
  struct Case {
    Int256 value;
    std::string decimal;
  };
  const std::vector<Case> cases = {
      {Int256(0), "0"},
      {Int256(-7), "-7"},
      {Int256(power(10, 19)), "10000000000000000000"},
      {Int256(power(10, 19)) * Int256(power(10, 19)), "100000000000000000000000000000000000000"},
      {Int256(-max127) * Int256(max127),
       "-28948022309329048855892746252171976962977213799489202546401021394546514198529"},
      {Int256(power(2, 96) - 3) * Int256(power(2, 90) + 7),
       "98079714615416886934934210288503105233593526149860818923"},
      {-(Int256(power(2, 64)) * Int256(power(2, 64)) * Int256(power(2, 64))),
       "-6277101735386680763835789423207666416102355444464034512896"},
      {Int256(power(10, 38)) - Int256(power(10, 38)) + Int256(1), "1"},
      {Int256(max127) + Int256(1), "170141183460469231731687303715884105728"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.decimal);
    EXPECT_EQ(c.value.decimal(), c.decimal);
  }
}

TEST(Int256, FitsBelowDecidesAtThePowerOfTwo) {
  const __int128_t two53 = power(2, 53);
  struct Case {
    __int128_t value;
    bool fits53;
  };
  const std::vector<Case> cases = {
      {0, true},       {two53 - 1, true}, {two53, false},        {-(two53 - 1), true},
      {-two53, false}, {-1, true},        {power(2, 100), false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(Int256(c.value).decimal());
    EXPECT_EQ(Int256(c.value).fitsBelow(53), c.fits53);
  }
  EXPECT_FALSE((Int256(power(2, 100)) * Int256(power(2, 100))).fitsBelow(127));
  EXPECT_TRUE(Int256(-power(2, 126)).fitsBelow(127));
}

}  // namespace
}  // namespace velrin
