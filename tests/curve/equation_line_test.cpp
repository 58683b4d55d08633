#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dialogue/reporting_curve.hpp"
#include "support/captured_output.hpp"

namespace velrin {
namespace {

TEST(SetCoefficients, LineOneInEveryFormat) {
  struct Row {
    int32_t a;
    int32_t b;
    std::string equation;  // empty: singular
  };
  const std::vector<Row> rows = {
      {0, 1, "y^2+y=x^3"},
      {0, -1, "y^2-y=x^3"},
      {0, 5, "y^2+5y=x^3"},
      {0, -7, "y^2-7y=x^3"},
      {1, 1, "y^2+xy+1y=x^3"},
      {-1, 1, "y^2-xy+1y=x^3"},
      {-1, -2, "y^2-xy-2y=x^3"},
      {2, -1, "y^2+2xy-y=x^3"},
      {-3, 4, "y^2-3xy+4y=x^3"},
      {3, 5, "y^2+3xy+5y=x^3"},
      {3, 2, "y^2+3xy+2y=x^3"},
      {0, 2, "y^2+2y=x^3"},
      {-2147483647 - 1, -2147483647 - 1, "y^2-2147483648xy-2147483648y=x^3"},
      {0, 0, ""},
      {5, 0, ""},
      {3, 1, ""},
      {6, 8, ""},
      {-3, -1, ""},
      // A^3 = 2^63 needs more than 64 bits; the comparison is exact.
      {2097152, 0x7fffffff, "y^2+2097152xy+2147483647y=x^3"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "A = " << row.a << ", B = " << row.b);
    CapturedOutput out;
    ReportingCurve curve(out.stream());
    const int32_t result = curve.setCoefficients(row.a, row.b);
    const std::string text = out.text();
    if (row.equation.empty()) {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(text, "\n[1] The curve E is singular.\n\n");
    } else {
      EXPECT_EQ(result, 1);
      const std::string line = "\n[1] E is an elliptic curve defined by " + row.equation + "\n";
      EXPECT_EQ(text.substr(0, line.size()), line);
    }
    EXPECT_EQ(curve.a, row.a);
    EXPECT_EQ(curve.b, row.b);
  }
}

}  // namespace
}  // namespace velrin
