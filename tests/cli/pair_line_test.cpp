#include "cli/pair_line.hpp"

#include <gtest/gtest.h>

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
      {std::string("1\0 2", 4), PairLineKind::kBad, 0, 0, "A is not an integer"},
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

}  // namespace
}  // namespace velrin::cli
