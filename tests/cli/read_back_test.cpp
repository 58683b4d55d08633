// Records read back without loss by the tools users join them with: jq
// (Debian's 1.6 rounds numbers from 2^53 on) and pandas (read_json fails on
// numbers beyond 2^64 and turns columns of decimal strings into floats;
// read_csv splits at every comma outside quotes). The records hold primes,
// conductors and minimal models beyond 2^64, and curves given by label.
// Each tool is skipped when it is not installed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_run.hpp"

namespace velrin::cli_test {
namespace {

const char* const kInput =
    "2147483639 2\n-2147483648 2147483647\n1 2\n0 0\n14a1\n[0,1,1,-9,-15]\n11a1\n19456 "
    "1073741824\n";

bool installed(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

TEST(ReadBack, JqReadsEveryRecordExactly) {
  if (!installed("jq --version")) GTEST_SKIP() << "jq is not installed";
  TempDir dir;
  const CliRun run = runVelrin({"batch", "--format", "jsonl"}, kInput);
  writeWhole(dir / "records.jsonl", run.out);
  // jq -c writes each record back; a number it rounded would differ.
  const std::string command =
      "jq -c . " + (dir / "records.jsonl").string() + " > " + (dir / "again.jsonl").string();
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(readWhole(dir / "again.jsonl"), run.out);
  EXPECT_NE(run.out.find("\"1980704037953504044698409213\""), std::string::npos);
}

TEST(ReadBack, PandasReadsJsonLinesAndCsvExactly) {
  if (!installed("/usr/bin/python3 -c 'import pandas'")) {
    GTEST_SKIP() << "Debian's python3-pandas is not installed";
  }
  TempDir dir;
  writeWhole(dir / "records.jsonl", runVelrin({"batch", "--format", "jsonl"}, kInput).out);
  writeWhole(dir / "records.csv", runVelrin({"batch", "--format", "csv"}, kInput).out);
  // Python's json module reads the integers exactly: the reference. Every
  // value pandas reads must equal it, as a number or as the same text.
  writeWhole(dir / "check.py", R"(import json, sys, pandas
records = [json.loads(line) for line in open(sys.argv[1])]
frame = pandas.read_json(sys.argv[1], lines=True)
assert len(frame) == len(records), len(frame)
def same(x, y):
    if isinstance(y, float) and y != y: return x is None
    # A column with missing values (error records have no a) is float:
    # exact for the integers written as numbers, all below 2^53.
    if isinstance(y, float): return type(x) is int and abs(x) < 2**53 and float(x) == y
    if hasattr(y, "item"): y = y.item()
    return x == y
for i, record in enumerate(records):
    for key, value in record.items():
        assert same(value, frame[key][i]), (i, key, value, frame[key][i])
csv = pandas.read_csv(sys.argv[2], dtype=str, keep_default_na=False)
header = open(sys.argv[2]).readline().strip().split(",")
assert list(csv.columns) == header, csv.columns
for i, record in enumerate(records):
    row = csv.iloc[i]
    for key in ("a", "b", "conductor", "root_number", "line", "label"):
        value = record.get(key)
        text = "" if value is None else str(value)
        assert row[key] == text, (i, key, row[key], text)
    for key in ("ainvs", "minimal_ainvs", "input"):
        value = record.get(key)
        text = "" if value is None else " ".join(str(x) for x in value)
        assert row[key] == text, (i, key, row[key], text)
    if record.get("bad_primes"):
        primes = [entry.split(":")[0] for entry in row["bad_primes"].split(";")]
        assert primes == [str(p["p"]) for p in record["bad_primes"]], (i, primes)
# A split at commas keeps every column in place: no field holds a comma.
for line in open(sys.argv[2]):
    if '"' not in line: assert line.count(",") == len(header) - 1, line
print("read back", len(records))
)");
  const std::string command =
      "/usr/bin/python3 " + (dir / "check.py").string() + " " + (dir / "records.jsonl").string() +
      " " + (dir / "records.csv").string() + " > " + (dir / "out").string() + " 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << readWhole(dir / "out");
  EXPECT_EQ(readWhole(dir / "out"), "read back 8\n");
}

}  // namespace
}  // namespace velrin::cli_test
