#include "descent/selmer.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "curve/curve.hpp"
#include "descent/local_images.hpp"
#include "descent/report.hpp"
#include "support/captured_output.hpp"

namespace velrin {
namespace {

struct Node {
  int32_t prime;
  int32_t imageKind;
  int32_t dimDelta;
};

struct CountRow {
  const char* name;
  int64_t b;
  int32_t threeIsBad;
  std::vector<Node> nodes;
  std::array<int32_t, 2> dims;
};

// Dimensions from hand-built lists, by enumeration and by elimination.
TEST(SelmerDimensions, FromTheLocalImages) {
  const std::vector<CountRow> rows = {
      {"no bad prime, with the seeds", 1, 0, {}, {1, 1}},
      {"no bad prime, 3 bad", 1, 1, {}, {0, 0}},
      {"whole group with the seeds: all 9 pass", 1, 0, {{2, 3, -1}}, {2, 1}},
      {"whole group without the seeds: 3 pass", 1, 1, {{2, 3, -1}}, {1, 0}},
      // 1, 2, 4, 3, 6, 12, 9, 18, 36: the odd ones 1, 3, 9 pass.
      {"trivial image at 2", 1, 0, {{2, 0, 0}}, {1, 1}},
      // 3 and 9 are no cubes modulo 7, the multiples of 7 fail: only 1.
      {"trivial image at 7", 1, 0, {{7, 0, 1}}, {0, 1}},
      {"trivial image at 7 and 13", 1, 0, {{7, 0, 1}, {13, 0, 1}}, {0, 2}},
      // 2 is no cube modulo 7 but a unit at 7; at 2 the whole group.
      {"units at 7, whole group at 2", 1, 0, {{2, 3, -1}, {7, 1, 0}}, {2, 1}},
      // B = 7 is p times a cube: 7^e passes, 3 and 9 are no cubes modulo 7.
      {"image of B at 7, B = 7", 7, 0, {{7, 2, 0}}, {1, 1}},
      {"negative terms", 1, 1, {{2, 3, -1}, {5, 3, -1}}, {2, 0}},
      {"dim Sel(E/Q) below zero", 1, 1, {{3, 0, 0}, {2, 2, -1}, {5, 2, -1}}, {0, -2}},
  };
  for (const Paths paths : {Paths::kPlain, Paths::kFast}) {
    for (const CountRow& row : rows) {
      SCOPED_TRACE(testing::Message() << row.name << (paths == Paths::kFast ? " (fast)" : ""));
      CapturedOutput out;
      Curve curve(out.stream(), paths);
      curve.b = row.b;
      curve.threeIsBad = row.threeIsBad;
      BadPrimeNode* node = curve.head;
      for (const Node& n : row.nodes) {
        node->prime = n.prime;
        node->imageKind = static_cast<LocalImage>(n.imageKind);
        node->dimDelta = n.dimDelta;
        node->next = new BadPrimeNode;
        node = node->next;
      }
      EXPECT_EQ(selmerDimensions(curve), row.dims);
    }
  }
}

TEST(PrintReport, BoundLineForEverySum) {
  // d1 + d2 = 1 is the one case written as rank 0; other sums give the
  // inclusive bound d1 + d2 - 1, negative ones with their sign.
  struct Row {
    int32_t a;
    int32_t b;
    const char* lineFour;
  };
  const std::vector<Row> rows = {
      {1, 1, "\n[4] rankE(Q)=0\n\n"},          // dims 0, 1
      {1, 2, "\n[4] rankE(Q) < 2\n\n"},        // dims 2, 1
      {0, 611953, "\n[4] rankE(Q) < -1\n\n"},  // dims 0, 0
      {9, 54, "\n[4] rankE(Q) < -2\n\n"},      // dims 0, -1
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "(" << row.a << ", " << row.b << ")");
    CapturedOutput out;
    Curve curve(out.stream());
    ASSERT_EQ(curve.setCoefficients(row.a, row.b), 1);
    printReport(curve);
    const std::string text = out.text();
    const std::string lineFour = row.lineFour;
    ASSERT_GE(text.size(), lineFour.size());
    EXPECT_EQ(text.substr(text.size() - lineFour.size()), lineFour);
  }
}

}  // namespace
}  // namespace velrin
