// The lines of a batch that give a curve: [a1,a2,a3,a4,a6] or a label.
#include "cli/curve_line.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "curve/cremona_label.hpp"

namespace velrin::cli {
namespace {

TEST(CurveLine, ReadsModelsAndLabelsAndLeavesPairsAlone) {
  struct Case {
    std::string line;
    CurveLineKind kind;
    WeierstrassModel model;
    std::string labelOrReason;
  };
  const std::vector<Case> cases = {
      {"[1,0,1,4,-6]", CurveLineKind::kModel, {1, 0, 1, 4, -6}, ""},
      {"  [ 1, 0 ,1,+4, -6 ]  # 14a1\r", CurveLineKind::kModel, {1, 0, 1, 4, -6}, ""},
      {"[-9223372036854775808,9223372036854775807,0,0,0]",
       CurveLineKind::kModel,
       {INT64_MIN, INT64_MAX, 0, 0, 0},
       ""},
      {"14a1", CurveLineKind::kLabel, {}, "14a1"},
      {" 990h1 # a comment", CurveLineKind::kLabel, {}, "990h1"},
      // Pairs, blank lines and other shapes are for parsePairLine.
      {"1 2", CurveLineKind::kNone, {}, ""},
      {"[1,2]", CurveLineKind::kNone, {}, ""},
      {"[1,2,3]", CurveLineKind::kNone, {}, ""},
      {"", CurveLineKind::kNone, {}, ""},
      {"# only a comment", CurveLineKind::kNone, {}, ""},
      {"x14a1", CurveLineKind::kNone, {}, ""},
      // Five entries, or a label's shape, that are not valid.
      {"[1,0,1,4,x]", CurveLineKind::kBad, {}, "an a-invariant is not an integer"},
      {"[1,0,1,,-6]", CurveLineKind::kBad, {}, "an a-invariant is not an integer"},
      {"[9223372036854775808,0,0,0,0]",
       CurveLineKind::kBad,
       {},
       "an a-invariant lies outside the signed 64-bit range"},
      {"[-9223372036854775809,0,0,0,0]",
       CurveLineKind::kBad,
       {},
       "an a-invariant lies outside the signed 64-bit range"},
      {"[99999999999999999999999,0,0,0,0]",
       CurveLineKind::kBad,
       {},
       "an a-invariant lies outside the signed 64-bit range"},
      {"[1,0,1,4,-6", CurveLineKind::kBad, {}, "] is missing"},
      {"[1,0,1,4,-6] 7", CurveLineKind::kBad, {}, "text after the a-invariants"},
      {"14a", CurveLineKind::kBad, {}, "not a label of one curve (conductor, class, number: 14a1)"},
      {"014a1",
       CurveLineKind::kBad,
       {},
       "not a label of one curve (conductor, class, number: 14a1)"},
      {"14A1", CurveLineKind::kNone, {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const CurveLine line = parseCurveLine(c.line);
    EXPECT_EQ(line.kind, c.kind);
    if (c.kind == CurveLineKind::kModel) {
      EXPECT_EQ(line.model, c.model);
    }
    if (c.kind == CurveLineKind::kLabel) {
      EXPECT_EQ(line.label, c.labelOrReason);
    }
    if (c.kind == CurveLineKind::kBad) {
      EXPECT_EQ(line.reason, c.labelOrReason);
    }
  }
}

TEST(CurveLine, LabelsAreFoundOrRefusedClearly) {
  CremonaTables tables;
  struct Case {
    std::string label;
    LabelStatus status;
    WeierstrassModel model;
  };
  // Cremona's tables (gp: ellinit("14a1")).
  const std::vector<Case> cases = {
      {"14a1", LabelStatus::kFound, {1, 0, 1, 4, -6}},
      {"27a3", LabelStatus::kFound, {0, 0, 1, 0, 0}},
      {"19a1", LabelStatus::kFound, {0, 1, 1, -9, -15}},
      {"11a9", LabelStatus::kNotInTable, {}},
      {"999999999a1", LabelStatus::kNotInTable, {}},
      {"99999999999999999999999a1", LabelStatus::kNotInTable, {}},
      {"14", LabelStatus::kMalformed, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const LabelLookup found = tables.find(c.label);
    EXPECT_EQ(found.status, c.status);
    if (c.status == LabelStatus::kFound) {
      EXPECT_EQ(found.model, c.model);
    }
  }
}

}  // namespace
}  // namespace velrin::cli
