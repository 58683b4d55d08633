#include "cli/pair_line.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace velrin::cli {
namespace {

TEST(PairLine, ReadsTheThreeFormsStrictly) {
  struct Case {
    std::string line;
    PairLineKind kind;
    int32_t a;
    int32_t b;
    std::string reason;
  };
  const std::vector<Case> cases = {
      // The three forms, with spaces, tabs and a CRLF line end around them.
      {"1 2", PairLineKind::kPair, 1, 2, ""},
      {"1,2", PairLineKind::kPair, 1, 2, ""},
      {"[1,2]", PairLineKind::kPair, 1, 2, ""},
      {"  -3 \t 5  ", PairLineKind::kPair, -3, 5, ""},
      {" 7 , -8\r", PairLineKind::kPair, 7, -8, ""},
      {" [ -2147483648 , 2147483647 ] ", PairLineKind::kPair, INT32_MIN, INT32_MAX, ""},
      {"+4 007", PairLineKind::kPair, 4, 7, ""},
      {"1 2 # a comment", PairLineKind::kPair, 1, 2, ""},
      // Nothing to read.
      {"", PairLineKind::kSkip, 0, 0, ""},
      {" \t\r", PairLineKind::kSkip, 0, 0, ""},
      {"# 1 2", PairLineKind::kSkip, 0, 0, ""},
      {"   # indented comment", PairLineKind::kSkip, 0, 0, ""},
      // Values outside 32 bits, however many digits.
      {"2147483648 1", PairLineKind::kBad, 0, 0, "A lies outside the signed 32-bit range"},
      {"1 -2147483649", PairLineKind::kBad, 0, 0, "B lies outside the signed 32-bit range"},
      {"1 99999999999999999999999", PairLineKind::kBad, 0, 0,
       "B lies outside the signed 32-bit range"},
      // Junk, missing and extra parts, mixed forms.
      {"x 1", PairLineKind::kBad, 0, 0, "A is not an integer"},
      {"1.5 2", PairLineKind::kBad, 0, 0, "A is not an integer"},
      {"0x10 2", PairLineKind::kBad, 0, 0, "A is not an integer"},
      {"1 2e3", PairLineKind::kBad, 0, 0, "B is not an integer"},
      {"1 - 2", PairLineKind::kBad, 0, 0, "B is not an integer"},
      {"5", PairLineKind::kBad, 0, 0, "B is missing"},
      {"5,", PairLineKind::kBad, 0, 0, "B is missing"},
      {"[5]", PairLineKind::kBad, 0, 0, "B is missing"},
      {"[", PairLineKind::kBad, 0, 0, "A is missing"},
      {"1 2 3", PairLineKind::kBad, 0, 0, "text after the pair"},
      {"1,2]", PairLineKind::kBad, 0, 0, "text after the pair"},
      {"[1,2] 3", PairLineKind::kBad, 0, 0, "text after the pair"},
      {"[1,2", PairLineKind::kBad, 0, 0, "] is missing"},
      {"[1 2]", PairLineKind::kBad, 0, 0, "expected a comma between A and B"},
      {"1,,2", PairLineKind::kBad, 0, 0, "B is not an integer"},
      // A CRLF line end is a line end; every other control character is
      // refused, a carriage return inside the line included.
      {"5 7\r", PairLineKind::kPair, 5, 7, ""},
      {"\r", PairLineKind::kSkip, 0, 0, ""},
      {"5\r7\r", PairLineKind::kBad, 0, 0, "a control character in the line"},
      {"5\r7", PairLineKind::kBad, 0, 0, "a control character in the line"},
      {"5\v7", PairLineKind::kBad, 0, 0, "a control character in the line"},
      {"5\f7", PairLineKind::kBad, 0, 0, "a control character in the line"},
      {"5 7\r\r", PairLineKind::kBad, 0, 0, "a control character in the line"},
      {"\x1b]0;title\x07 1 2", PairLineKind::kBad, 0, 0, "a control character in the line"},
      {"1 2 # \x1b[2J", PairLineKind::kBad, 0, 0, "a control character in the line"},
      {"1 2\x7f", PairLineKind::kBad, 0, 0, "a control character in the line"},
      {std::string("1\0 2", 4), PairLineKind::kBad, 0, 0, "a control character in the line"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("\"" + c.line + "\"");
    const PairLine got = parsePairLine(c.line);
    EXPECT_EQ(got.kind, c.kind);
    if (c.kind == PairLineKind::kPair) {
      EXPECT_EQ(got.a, c.a);
      EXPECT_EQ(got.b, c.b);
    }
    EXPECT_EQ(std::string(got.reason), c.reason);
  }
}

// The one grammar of an integer, for batch lines, `report A B`, --a, --b
// and --threads alike.
TEST(PairLine, OneGrammarOfIntegers) {
  struct Case {
    std::string text;
    std::optional<int32_t> value;
  };
  const std::vector<Case> cases = {
      {"5", 5},
      {"+5", 5},
      {"-5", -5},
      {"007", 7},
      {"-0", 0},
      {"2147483647", INT32_MAX},
      {"+2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"+", std::nullopt},
      {"-", std::nullopt},
      {"+-5", std::nullopt},
      {"--5", std::nullopt},
      {" 5", std::nullopt},
      {"5 ", std::nullopt},
      {"1.5", std::nullopt},
      {"1e3", std::nullopt},
      {"0x10", std::nullopt},
      {"5,", std::nullopt},
      {"5]", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("\"" + c.text + "\"");
    EXPECT_EQ(parseInteger32(c.text), c.value);
    // A batch line reads the same coefficient (blanks and commas there
    // separate the parts).
    if (c.text.find_first_of(" ,") != std::string::npos) continue;
    const PairLine line = parsePairLine(c.text + " 1");
    EXPECT_EQ(line.kind == PairLineKind::kPair, c.value.has_value());
    if (c.value && line.kind == PairLineKind::kPair) {
      EXPECT_EQ(line.a, *c.value);
    }
  }
}

}  // namespace
}  // namespace velrin::cli
