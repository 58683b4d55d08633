// velrin summarize against the runs that wrote the records: the shards of a
// scan, in JSON lines and CSV, plain and compressed, summarise to the whole
// scan's --summary-json and --summary, and a batch's bad lines are counted
// as the batch counted them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/cli_run.hpp"

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

}  // namespace
}  // namespace velrin::cli_test
