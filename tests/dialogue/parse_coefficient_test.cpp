#include "dialogue/parse_coefficient.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace velrin {
namespace {

TEST(ParseCoefficient, KeepsDigitsAndALeadingMinus) {
  struct Row {
    std::string line;
    std::optional<int32_t> value;
  };
  const std::vector<Row> rows = {
      {"12\n", 12},
      {"-7\n", -7},
      {"- 7\n", -7},
      {"3-4\n", 34},  // only a minus before the first digit counts
      {"--5\n", -5},
      {"0-5\n", 5},
      {"+5\n", 5},
      {"1,000\n", 1000},
      {"2.5\n", 25},
      {"1e3\n", 13},
      {"x=-12y\n", -12},
      {"abc\n", 0},
      {"-\n", 0},
      {"\n", 0},
      {"", 0},
      {"2147483647\n", 2147483647},
      {"-2147483648\n", -2147483647 - 1},
      {"000000000000000000000000000012\n", 12},
      {"-0\n", 0},
      {"\xe2\x88\x92"
       "5\n",
       5},  // a Unicode minus is not a minus sign
      // Outside the signed 32-bit range: refused, never wrapped or clamped.
      {"2147483648\n", std::nullopt},
      {"-2147483649\n", std::nullopt},
      {"99999999999\n", std::nullopt},
      {std::string(1, '1').append(30, '0').append("\n"), std::nullopt},  // 10^30
      {std::string(1, '-').append(254, '9'), std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "line \"" << row.line << "\"");
    EXPECT_EQ(parseCoefficient(row.line.c_str()), row.value);
  }
}

}  // namespace
}  // namespace velrin
