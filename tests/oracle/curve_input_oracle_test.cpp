// Curves of Cremona's tables in every form (label, a-invariants, the (A, B)
// form itself, a non-minimal model, without a point of order 3) and pairs of
// the whole 32-bit range, against tests/oracle/curve_fixture.txt, which gp
// wrote (make_curve_fixture.gp): the pair (A, B) and the change of
// variables of cremona_lib.gp's toAB with u > 0, and PARI's conductor
// (ellglobalred), root number (ellrootno) and reduced minimal model
// (ellminimalmodel). First the units in process, then the built program's
// batch records.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "arith/int256.hpp"
#include "cli/cli_run.hpp"
#include "cli/curve_input.hpp"
#include "cli/curve_line.hpp"
#include "curve/global_invariants.hpp"
#include "descent/curve_analysis.hpp"

namespace velrin::cli_test {
namespace {

using nlohmann::json;

struct FixtureLine {
  std::string form;   // label, ainvs, ab, scaled or pair
  std::string input;  // as a batch line takes it
  bool hasTorsion = true;
  std::string a, b;
  std::string change;  // "u r s t"
  std::string conductor;
  std::string rootNumber;
  std::string minimal;  // "a1 a2 a3 a4 a6"
};

std::string trim(std::string s) {
  while (!s.empty() && s.front() == ' ') s.erase(s.begin());
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::vector<std::string> splitAt(const std::string& s, char sep) {
  std::vector<std::string> parts(1);
  for (const char c : s) {
    if (c == sep) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  for (std::string& part : parts) part = trim(part);
  return parts;
}

std::vector<FixtureLine> readFixture() {
  std::ifstream in(std::string(VELRIN_SOURCE_DIR) + "/tests/oracle/curve_fixture.txt");
  std::vector<FixtureLine> lines;
  for (std::string text; std::getline(in, text);) {
    if (text.empty() || text[0] == '#') continue;
    const std::vector<std::string> f = splitAt(text, '|');
    FixtureLine line;
    line.form = f.at(0);
    line.input = f.at(1);
    if (line.form == "pair") {
      const std::vector<std::string> ab = splitAt(f.at(1), ' ');
      line.a = ab.at(0);
      line.b = ab.at(1);
      line.conductor = f.at(2);
      line.rootNumber = f.at(3);
      line.minimal = f.at(4);
    } else if (f.at(2) == "none") {
      line.hasTorsion = false;
    } else {
      const std::vector<std::string> ab = splitAt(f.at(2), ' ');
      line.a = ab.at(0);
      line.b = ab.at(1);
      line.change = f.at(3);
      line.conductor = f.at(4);
      line.rootNumber = f.at(5);
      line.minimal = f.at(6);
    }
    lines.push_back(line);
  }
  return lines;
}

std::string joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : " ") + part;
  return out;
}

// A record's integer: a JSON number, or from 2^53 on a string of digits.
std::string integerText(const json& value) {
  return value.is_string() ? value.get<std::string>() : value.dump();
}

// The conductor as records write it: digits, or p^e*q^f from 2^53 on.
std::string conductorText(const json& value) {
  if (!value.is_string()) return value.dump();
  Int256 product = 1;
  for (const std::string& factor : splitAt(value.get<std::string>(), '*')) {
    const size_t caret = factor.find('^');
    EXPECT_NE(caret, std::string::npos) << factor;
    Int256 prime = 0;
    for (const char c : factor.substr(0, caret)) prime = prime * 10 + (c - '0');
    for (int e = std::stoi(factor.substr(caret + 1)); e > 0; --e) product = product * prime;
  }
  EXPECT_FALSE(product.fitsBelow(53));
  return product.decimal();
}

TEST(CurveInputOracle, UnitsAgreeWithPariOnCremonasCurvesAndWidePairs) {
  const std::vector<FixtureLine> lines = readFixture();
  ASSERT_GT(lines.size(), 2900U);
  size_t converted = 0;
  size_t refused = 0;
  size_t scaled = 0;
  size_t smallConductors = 0;
  CremonaTables tables;
  for (const FixtureLine& line : lines) {
    SCOPED_TRACE(line.form + " " + line.input);
    int32_t a = 0;
    int32_t b = 0;
    if (line.form == "pair") {
      a = std::stoi(line.a);
      b = std::stoi(line.b);
    } else {
      const cli::CurveLine parsed = cli::parseCurveLine(line.input);
      ASSERT_TRUE(parsed.kind == cli::CurveLineKind::kModel ||
                  parsed.kind == cli::CurveLineKind::kLabel);
      const CurveInput input =
          cli::resolveCurve(parsed.kind == cli::CurveLineKind::kLabel ? cli::CurveInputKind::kLabel
                                                                      : cli::CurveInputKind::kModel,
                            parsed.model, parsed.label, tables);
      if (!line.hasTorsion) {
        EXPECT_FALSE(input.converted);
        EXPECT_EQ(input.status, "no_3_torsion");
        ++refused;
        continue;
      }
      ASSERT_TRUE(input.converted) << input.reason;
      EXPECT_EQ(std::to_string(input.a) + " " + std::to_string(input.b), line.a + " " + line.b);
      const std::vector<std::string> change(input.origin.change.begin(), input.origin.change.end());
      EXPECT_EQ(joined(change), line.change);
      if (!line.change.starts_with("1 ")) ++scaled;
      if (line.form == "ab") {
        EXPECT_EQ(line.change, "1 0 0 0");
      }
      a = input.a;
      b = input.b;
      ++converted;
    }
    const CurveAnalysis analysis = analyzeCurve(a, b);
    ASSERT_EQ(analysis.status, CurveStatus::kAnalysed);
    const int64_t a0 = a / analysis.scale;
    const int64_t b0 = b / (int64_t{analysis.scale} * analysis.scale * analysis.scale);
    EXPECT_EQ(conductor(a0, b0, analysis.badPrimes()).decimal(), line.conductor);
    EXPECT_EQ(std::to_string(rootNumberFromSelmer(analysis.dimSelmerEHat, analysis.dimSelmerE)),
              line.rootNumber);
    std::vector<std::string> minimal;
    for (const Int256& value : reducedMinimalModel(a0, b0)) minimal.push_back(value.decimal());
    EXPECT_EQ(joined(minimal), line.minimal);
    // The 128-bit paths that records take where they apply.
    if (const auto narrow = reducedMinimalModelNarrow(a0, b0)) {
      minimal.clear();
      for (const __int128_t value : *narrow) minimal.push_back(Int256(value).decimal());
      EXPECT_EQ(joined(minimal), line.minimal);
    }
    if (const uint64_t small = conductorBelow2To53(a0, b0, analysis.badPrimes()); small != 0) {
      EXPECT_EQ(std::to_string(small), line.conductor);
      ++smallConductors;
    }
  }
  // Every form is there: 807 curves by label, by a-invariants and as (A, B),
  // a quarter of them also scaled (u = 2 or 3, with r, s, t moved).
  EXPECT_GT(converted, 2600U);
  EXPECT_GT(refused, 50U);
  EXPECT_GT(scaled, 150U);
  EXPECT_GT(smallConductors, 2600U);
}

TEST(CurveInputOracle, BatchRecordsAgreeWithPari) {
  const std::vector<FixtureLine> lines = readFixture();
  std::string input;
  for (const FixtureLine& line : lines) input += line.input + "\n";
  const CliRun run = runVelrin({"batch", "--format", "jsonl", "--threads", "2"}, input);
  EXPECT_EQ(run.status, 1);  // the curves without a point of order 3
  const std::vector<std::string> records = linesOf(run.out);
  ASSERT_EQ(records.size(), lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    const FixtureLine& line = lines[i];
    SCOPED_TRACE(line.form + " " + line.input);
    const json record = json::parse(records[i]);
    EXPECT_EQ(record["line"], i + 1);
    if (!line.hasTorsion) {
      EXPECT_EQ(record["status"], "no_3_torsion");
      EXPECT_EQ(record["label"], line.input);
      continue;
    }
    ASSERT_EQ(record["status"], "analysed");
    EXPECT_EQ(record["a"].dump() + " " + record["b"].dump(), line.a + " " + line.b);
    EXPECT_EQ(conductorText(record["conductor"]), line.conductor);
    EXPECT_EQ(record["root_number"].dump(), line.rootNumber);
    std::vector<std::string> minimal;
    for (const json& value : record["minimal_ainvs"]) minimal.push_back(integerText(value));
    EXPECT_EQ(joined(minimal), line.minimal);
    if (line.form == "pair") {
      EXPECT_FALSE(record.contains("change"));
      continue;
    }
    EXPECT_EQ(joined(record["change"].get<std::vector<std::string>>()), line.change);
    EXPECT_EQ(record["label"].is_null(), line.form != "label");
    if (line.form == "label") {
      EXPECT_EQ(record["label"], line.input);
    }
    if (line.form == "ainvs" || line.form == "scaled") {
      // The input as typed, as a list of integers.
      std::string typed = "[";
      for (const json& value : record["input"])
        typed += (typed.size() > 1 ? ", " : "") + integerText(value);
      EXPECT_EQ(typed + "]", line.input);
    }
  }
  // One message for each curve without a point of order 3.
  size_t messages = 0;
  for (const std::string& message : linesOf(run.err)) {
    if (message.find(": the curve has no rational point of order 3") != std::string::npos)
      ++messages;
  }
  EXPECT_EQ(messages,
            static_cast<size_t>(std::count_if(lines.begin(), lines.end(),
                                              [](const FixtureLine& l) { return !l.hasTorsion; })));
}

}  // namespace
}  // namespace velrin::cli_test
