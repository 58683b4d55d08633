// velrin summarize against the runs that wrote the records: the shards of a
// scan, in JSON lines and CSV, plain and compressed, summarise to the whole
// scan's --summary-json and --summary, and a batch's bad lines are counted
// as the batch counted them. The reader finds a CSV file's columns by the
// names in its header, and a text report's lines by the report's texts.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_run.hpp"
#include "cli/record_reading.hpp"
#include "render/records.hpp"
#include "render/report_text.hpp"
#include "render/text_report.hpp"

namespace velrin::cli_test {
namespace {

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(Summarize, ShardsSummariseToTheWholeScan) {
  TempDir dir;
  const std::vector<std::string> box = {"scan", "--a", "-40:40", "--b", "-30:30", "--quiet"};
  const CliRun whole = runVelrin(concat(
      box, {"--format", "csv", "--summary", "--summary-json", (dir / "whole.json").string()}));
  ASSERT_EQ(whole.status, 0);
  const std::string expected = readWhole(dir / "whole.json");
  const nlohmann::json summary = nlohmann::json::parse(expected);
  EXPECT_EQ(summary["curves"], 81 * 61);
  EXPECT_GT(summary["singular"].get<int>(), 0);

  std::vector<std::string> files;
  for (int k = 1; k <= 4; ++k) {
    const std::string format = k % 2 == 0 ? "jsonl" : "csv";
    const std::string name = (dir / ("part" + std::to_string(k) + "." + format)).string();
    const std::string shard = std::to_string(k) + "/4";
    ASSERT_EQ(
        runVelrin(concat(box, {"--format", format, "--shard", shard, "--output", name})).status, 0);
    files.push_back(name);
  }
  ASSERT_EQ(std::system(("gzip " + files[2]).c_str()), 0);
  files[2] += ".gz";
  const CliRun json = runVelrin(concat({"summarize", "--json"}, files));
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.out, expected);
  const CliRun table = runVelrin(concat({"summarize"}, files));
  EXPECT_EQ(table.out, whole.err);
}

TEST(Summarize, CountsBadLinesAndRefusesWhatIsNotARecord) {
  TempDir dir;
  const std::string input = "1 2\nnonsense\n14a1\n11a1\n0 0\n[1,0,1,4,-6]\n";
  const CliRun batch = runVelrin(
      {"batch", "--format", "jsonl", "--summary-json", (dir / "batch.json").string()}, input);
  EXPECT_EQ(batch.status, 1);
  writeWhole(dir / "records.jsonl", batch.out);
  const CliRun summary = runVelrin({"summarize", "--json", (dir / "records.jsonl").string()});
  EXPECT_EQ(summary.status, 0);
  EXPECT_EQ(summary.out, readWhole(dir / "batch.json"));
  EXPECT_EQ(nlohmann::json::parse(summary.out)["bad_lines"], 2);
  EXPECT_EQ(nlohmann::json::parse(summary.out)["curves"], 4);

  writeWhole(dir / "mixed.jsonl", batch.out + "{\"not\":\"a record\"}\n");
  const CliRun mixed = runVelrin({"summarize", (dir / "mixed.jsonl").string()});
  EXPECT_EQ(mixed.status, 1);
  EXPECT_NE(mixed.err.find("mixed.jsonl:7: not a record of velrin"), std::string::npos)
      << mixed.err;
  EXPECT_EQ(runVelrin({"summarize", (dir / "absent.jsonl").string()}).status, 2);
}

TEST(Summarize, ReadsARankScansCsvByItsColumnNames) {
  // --rank's CSV has five more columns after the others; its header says
  // where the counted ones are.
  TempDir dir;
  const std::vector<std::string> box = {"scan", "--a", "-6:6", "--b", "1:8", "--quiet"};
  const std::string name = (dir / "rank.csv").string();
  const CliRun scan =
      runVelrin(concat(box, {"--rank", "--height", "8", "--format", "csv", "--output", name,
                             "--summary-json", (dir / "whole.json").string()}));
  ASSERT_EQ(scan.status, 0) << scan.err;
  const CliRun summary = runVelrin({"summarize", "--json", name});
  ASSERT_EQ(summary.status, 0) << summary.err;
  const nlohmann::json expected = nlohmann::json::parse(readWhole(dir / "whole.json"));
  EXPECT_EQ(expected["curves"], 13 * 8);
  const nlohmann::json found = nlohmann::json::parse(summary.out);
  for (const char* key :
       {"curves", "singular", "too_large", "analysed", "rank_bounds", "selmer_dims"}) {
    EXPECT_EQ(found[key], expected[key]) << key;
  }
}

std::string withoutNewline(std::string_view line) {
  return std::string(line.substr(0, line.size() - 1));
}

TEST(RecordReading, FindsTheColumnsOfARealHeaderByName) {
  // velrin(1)'s order: a, b, ainvs, rules, status (5th), ..., dim_sel_e_hat
  // (9th), dim_sel_e (10th); 20 columns, 25 with --rank.
  for (const bool rank : {false, true}) {
    SCOPED_TRACE(rank ? "--rank" : "plain");
    const std::optional<cli::CsvColumns> columns =
        cli::CsvColumns::fromHeader(withoutNewline(csvHeader(rank)));
    ASSERT_TRUE(columns.has_value());
    EXPECT_EQ(columns->count, rank ? 25U : 20U);
    EXPECT_EQ(columns->status, 4U);
    EXPECT_EQ(columns->dualDim, 8U);
    EXPECT_EQ(columns->dim, 9U);
    EXPECT_TRUE(cli::looksLikeCsvHeader(csvHeader(rank)));

    // A record of that header reads back as the analysis says; one of the
    // other header does not, having the wrong number of fields.
    const CurveAnalysis analysis = analyzeCurve(19456, 1073741824);  // dims (0, 2)
    const RankSearch search;
    OutputBuffer row;
    appendCsvRecord(analysis, 0, row, rank ? &search : nullptr);
    const std::string line = withoutNewline(row.view());
    EXPECT_FALSE(cli::looksLikeCsvHeader(line));
    const std::optional<cli::RecordOutcome> outcome =
        cli::recordOutcome(line, Format::kCsv, *columns);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->status, CurveStatus::kAnalysed);
    EXPECT_EQ(outcome->selmerDims, (std::array<int32_t, 2>{0, 2}));
    EXPECT_EQ(cli::recordStatus(line, Format::kCsv, *columns), "analysed");
    const std::optional<cli::CsvColumns> other =
        cli::CsvColumns::fromHeader(withoutNewline(csvHeader(!rank)));
    EXPECT_FALSE(cli::recordOutcome(line, Format::kCsv, *other).has_value());
  }
}

TEST(RecordReading, FindsColumnsInAnyOrderAndRefusesHeadersWithoutThem) {
  struct Case {
    const char* header;
    const char* row;
    bool header_ok;
    std::optional<std::array<int32_t, 2>> dims;
  };
  const Case cases[] = {
      {"dim_sel_e,a,status,dim_sel_e_hat", "2,5,analysed,1", true, std::array<int32_t, 2>{1, 2}},
      {"status,dim_sel_e_hat,dim_sel_e", "singular,,", true, std::array<int32_t, 2>{0, 0}},
      {"status,dim_sel_e_hat,dim_sel_e", "analysed,1", true, std::nullopt},  // a field short
      {"status,dim_sel_e_hat,dim_sel_e", "analysed,x,1", true, std::nullopt},
      {"a,b,status,dim_sel_e_hat", "", false, std::nullopt},  // no dim_sel_e
      {"0,1,0 0 1 0 0,true,analysed", "", false, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.header) + " / " + c.row);
    const std::optional<cli::CsvColumns> columns = cli::CsvColumns::fromHeader(c.header);
    ASSERT_EQ(columns.has_value(), c.header_ok);
    if (!columns) continue;
    const std::optional<cli::RecordOutcome> outcome =
        cli::recordOutcome(c.row, Format::kCsv, *columns);
    ASSERT_EQ(outcome.has_value(), c.dims.has_value());
    if (outcome) {
      EXPECT_EQ(outcome->selmerDims, *c.dims);
    }
  }
}

TEST(RecordReading, ReadsATextReportByItsFixedTexts) {
  // Each report's lines, as the report writes them: the outcome comes from
  // the singular line, the refusal or line [3], and from no other line.
  struct Case {
    int32_t a;
    int32_t b;
    Rules rules;
    CurveStatus status;
    std::array<int32_t, 2> dims;
  };
  const Case cases[] = {
      {0, 0, Rules::kTrue, CurveStatus::kSingular, {0, 0}},
      {19456, 1073741824, Rules::kClassic, CurveStatus::kTooLarge, {0, 0}},
      {19456, 1073741824, Rules::kTrue, CurveStatus::kAnalysed, {0, 2}},
      {0, 611953, Rules::kClassic, CurveStatus::kAnalysed, {0, 0}},  // with a warning
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << " " << c.b);
    OutputBuffer report;
    writeTextReport(analyzeCurve(c.a, c.b, c.rules), report);
    std::istringstream lines{std::string(report.view())};
    int outcomes = 0;
    for (std::string line; std::getline(lines, line);) {
      const std::optional<cli::RecordOutcome> outcome = cli::textLineOutcome(line);
      if (!outcome) continue;
      ++outcomes;
      EXPECT_EQ(outcome->status, c.status) << line;
      EXPECT_EQ(outcome->selmerDims, c.dims) << line;
    }
    EXPECT_EQ(outcomes, 1);
  }
  EXPECT_EQ(cli::textLineOutcome(std::string(report_text::kSelmerStart) + "1" +
                                 std::string(report_text::kSelmerMiddle) + "3")
                ->selmerDims,
            (std::array<int32_t, 2>{1, 3}));
  EXPECT_FALSE(cli::textLineOutcome(std::string(report_text::kSelmerStart) + "1").has_value());
}

}  // namespace
}  // namespace velrin::cli_test
