// Records of the curves whose whole reports the golden transcripts pin
// (tests/golden/report_table, worked_pass, too_large and, under
// tests/golden/classic, the original program's), written by hand from
// those transcripts. The local terms, which no transcript shows, are
// ord_3 c_p(E^)/c_p(E) from the Tamagawa numbers of E and of
// E^ = E/<(0,0)> (gp: elllocalred on ellinit([A,0,B,0,0]) and on
// ellisogeny(E,[0,0])); at p = 3 on a model that is not minimal at 3
// (classic rules) the term is the one that makes the terms add up to
// dim Sel(E/Q) - dim Sel(E^/Q), as Cassels' formula requires.
#include "render/records.hpp"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "cli/cli_run.hpp"
#include "descent/covering_curve.hpp"
#include "render/output_buffer.hpp"

namespace velrin::cli_test {
namespace {

using nlohmann::json;

struct GoldenRecord {
  bool classic;
  const char* a;
  const char* b;
  const char* json;
  const char* csv;
};

// clang-format off
const GoldenRecord kGolden[] = {
  {false, "0", "1",
   R"({"a":0,"b":1,"ainvs":[0,0,1,0,0],"rules":"true","status":"analysed","scale":1,"bad_primes":[{"p":3,"kodaira":"II","image":"trivial","term":1}],"warnings":[],"dim_sel_e_hat":0,"dim_sel_e":1,"rank_bound":0,"conductor":27,"root_number":1,"minimal_ainvs":[0,0,1,0,0]})",
   R"(0,1,0 0 1 0 0,true,analysed,1,3:II:trivial:1,,0,1,0,27,1,0 0 1 0 0,,,,,,)"},
  {false, "0", "2",
   R"({"a":0,"b":2,"ainvs":[0,0,2,0,0],"rules":"true","status":"analysed","scale":1,"bad_primes":[{"p":2,"kodaira":"IV","image":"B","term":-1},{"p":3,"kodaira":"III","image":"units","term":0}],"warnings":[],"dim_sel_e_hat":1,"dim_sel_e":0,"rank_bound":0,"conductor":36,"root_number":1,"minimal_ainvs":[0,0,0,0,1]})",
   R"(0,2,0 0 2 0 0,true,analysed,1,2:IV:B:-1;3:III:units:0,,1,0,0,36,1,0 0 0 0 1,,,,,,)"},
  {false, "3", "2",
   R"({"a":3,"b":2,"ainvs":[3,0,2,0,0],"rules":"true","status":"analysed","scale":1,"bad_primes":[{"p":2,"kodaira":"I3","image":"whole","term":-1},{"p":3,"kodaira":"II","image":"units","term":0}],"warnings":[],"dim_sel_e_hat":1,"dim_sel_e":0,"rank_bound":0,"conductor":54,"root_number":1,"minimal_ainvs":[1,-1,1,1,-1]})",
   R"(3,2,3 0 2 0 0,true,analysed,1,2:I3:whole:-1;3:II:units:0,,1,0,0,54,1,1 -1 1 1 -1,,,,,,)"},
  {false, "1", "2",
   R"({"a":1,"b":2,"ainvs":[1,0,2,0,0],"rules":"true","status":"analysed","scale":1,"bad_primes":[{"p":2,"kodaira":"I3","image":"whole","term":-1},{"p":53,"kodaira":"I1","image":"trivial","term":0}],"warnings":[],"dim_sel_e_hat":1,"dim_sel_e":0,"rank_bound":0,"conductor":106,"root_number":1,"minimal_ainvs":[1,0,0,1,1]})",
   R"(1,2,1 0 2 0 0,true,analysed,1,2:I3:whole:-1;53:I1:trivial:0,,1,0,0,106,1,1 0 0 1 1,,,,,,)"},
  // (9, 54) is (3, 2) on a model scaled by u = 3.
  {false, "9", "54",
   R"({"a":9,"b":54,"ainvs":[9,0,54,0,0],"rules":"true","status":"analysed","scale":3,"bad_primes":[{"p":2,"kodaira":"I3","image":"whole","term":-1},{"p":3,"kodaira":"II","image":"units","term":0}],"warnings":[],"dim_sel_e_hat":1,"dim_sel_e":0,"rank_bound":0,"conductor":54,"root_number":1,"minimal_ainvs":[1,-1,1,1,-1]})",
   R"(9,54,9 0 54 0 0,true,analysed,3,2:I3:whole:-1;3:II:units:0,,1,0,0,54,1,1 -1 1 1 -1,,,,,,)"},
  {false, "1", "1",
   R"({"a":1,"b":1,"ainvs":[1,0,1,0,0],"rules":"true","status":"analysed","scale":1,"bad_primes":[{"p":2,"kodaira":"I1","image":"trivial","term":0},{"p":13,"kodaira":"I1","image":"trivial","term":1}],"warnings":[],"dim_sel_e_hat":0,"dim_sel_e":1,"rank_bound":0,"conductor":26,"root_number":1,"minimal_ainvs":[1,0,1,0,0]})",
   R"(1,1,1 0 1 0 0,true,analysed,1,2:I1:trivial:0;13:I1:trivial:1,,0,1,0,26,1,1 0 1 0 0,,,,,,)"},
  // 19456 = 2^10 * 19 and 2^30 = (2^10)^3: the minimal model is (19, 1).
  {false, "19456", "1073741824",
   R"({"a":19456,"b":1073741824,"ainvs":[19456,0,1073741824,0,0],"rules":"true","status":"analysed","scale":1024,"bad_primes":[{"p":2,"kodaira":"I4","image":"trivial","term":0},{"p":7,"kodaira":"I1","image":"trivial","term":1},{"p":61,"kodaira":"I1","image":"trivial","term":1}],"warnings":[],"dim_sel_e_hat":0,"dim_sel_e":2,"rank_bound":1,"conductor":854,"root_number":-1,"minimal_ainvs":[1,0,1,-2706,53940]})",
   R"(19456,1073741824,19456 0 1073741824 0 0,true,analysed,1024,2:I4:trivial:0;7:I1:trivial:1;61:I1:trivial:1,,0,2,1,854,-1,1 0 1 -2706 53940,,,,,,)"},
  // 2147483639^3 - 54 = 5 * 1980704037953504044698409213, a prime beyond
  // 2^64 (gp: factor), of type I1 with c_p(E^) = 3 (gp: elllocalred).
  {false, "2147483639", "2",
   R"({"a":2147483639,"b":2,"ainvs":[2147483639,0,2,0,0],"rules":"true","status":"analysed","scale":1,"bad_primes":[{"p":2,"kodaira":"I3","image":"whole","term":-1},{"p":5,"kodaira":"I1","image":"trivial","term":0},{"p":"1980704037953504044698409213","kodaira":"I1","image":"trivial","term":1}],"warnings":[],"dim_sel_e_hat":1,"dim_sel_e":1,"rank_bound":1,"conductor":"2^1*5^1*1980704037953504044698409213^1","root_number":-1,"minimal_ainvs":[1,0,0,"-443075991167331768615641508002223591","113518185357792708040886755621804551390760177997263361"]})",
   R"(2147483639,2,2147483639 0 2 0 0,true,analysed,1,2:I3:whole:-1;5:I1:trivial:0;1980704037953504044698409213:I1:trivial:1,,1,1,1,2^1*5^1*1980704037953504044698409213^1,-1,1 0 0 -443075991167331768615641508002223591 113518185357792708040886755621804551390760177997263361,,,,,,)"},
  {false, "0", "0",
   R"({"a":0,"b":0,"ainvs":[0,0,0,0,0],"rules":"true","status":"singular","scale":null,"bad_primes":[],"warnings":[],"dim_sel_e_hat":null,"dim_sel_e":null,"rank_bound":null,"conductor":null,"root_number":null,"minimal_ainvs":null})",
   R"(0,0,0 0 0 0 0,true,singular,,,,,,,,,,,,,,,)"},
  {true, "0", "1",
   R"({"a":0,"b":1,"ainvs":[0,0,1,0,0],"rules":"classic","status":"analysed","scale":1,"bad_primes":[{"p":3,"kodaira":"II","image":"trivial","term":1}],"warnings":[],"dim_sel_e_hat":0,"dim_sel_e":1,"rank_bound":0,"conductor":null,"root_number":null,"minimal_ainvs":null})",
   R"(0,1,0 0 1 0 0,classic,analysed,1,3:II:trivial:1,,0,1,0,,,,,,,,,)"},
  {true, "1", "2",
   R"({"a":1,"b":2,"ainvs":[1,0,2,0,0],"rules":"classic","status":"analysed","scale":1,"bad_primes":[{"p":2,"kodaira":"I3","image":"whole","term":-1},{"p":53,"kodaira":"I1","image":"trivial","term":0}],"warnings":[],"dim_sel_e_hat":2,"dim_sel_e":1,"rank_bound":2,"conductor":null,"root_number":null,"minimal_ainvs":null})",
   R"(1,2,1 0 2 0 0,classic,analysed,1,2:I3:whole:-1;53:I1:trivial:0,,2,1,2,,,,,,,,,)"},
  {true, "9", "54",
   R"({"a":9,"b":54,"ainvs":[9,0,54,0,0],"rules":"classic","status":"analysed","scale":1,"bad_primes":[{"p":2,"kodaira":"I3","image":"whole","term":-1},{"p":3,"kodaira":"IV","image":"trivial","term":0}],"warnings":[],"dim_sel_e_hat":0,"dim_sel_e":-1,"rank_bound":-2,"conductor":null,"root_number":null,"minimal_ainvs":null})",
   R"(9,54,9 0 54 0 0,classic,analysed,1,2:I3:whole:-1;3:IV:trivial:0,,0,-1,-2,,,,,,,,,)"},
  {true, "1", "1",
   R"({"a":1,"b":1,"ainvs":[1,0,1,0,0],"rules":"classic","status":"analysed","scale":1,"bad_primes":[{"p":2,"kodaira":"I1","image":"trivial","term":0},{"p":13,"kodaira":"I1","image":"trivial","term":1}],"warnings":[],"dim_sel_e_hat":0,"dim_sel_e":1,"rank_bound":0,"conductor":null,"root_number":null,"minimal_ainvs":null})",
   R"(1,1,1 0 1 0 0,classic,analysed,1,2:I1:trivial:0;13:I1:trivial:1,,0,1,0,,,,,,,,,)"},
  // 611953 is the first prime beyond the classic table.
  {true, "0", "611953",
   R"({"a":0,"b":611953,"ainvs":[0,0,611953,0,0],"rules":"classic","status":"analysed","scale":1,"bad_primes":[{"p":3,"kodaira":"III","image":"units","term":0}],"warnings":["beyond_prime_table"],"dim_sel_e_hat":0,"dim_sel_e":0,"rank_bound":-1,"conductor":null,"root_number":null,"minimal_ainvs":null})",
   R"(0,611953,0 0 611953 0 0,classic,analysed,1,3:III:units:0,beyond_prime_table,0,0,-1,,,,,,,,,)"},
  // |D| = 27 * 584471018^2 = 9223372013812820748 lies within 10^13 of
  // 2^63 - 1, where the classic rules warn about the range of __int64; a
  // 32-bit B with A = 0 has type IV at each prime of B.
  {true, "0", "584471018",
   R"({"a":0,"b":584471018,"ainvs":[0,0,584471018,0,0],"rules":"classic","status":"analysed","scale":1,"bad_primes":[{"p":2,"kodaira":"IV","image":"B","term":-1},{"p":3,"kodaira":"III","image":"units","term":0},{"p":37,"kodaira":"IV","image":"B","term":0},{"p":127,"kodaira":"IV","image":"B","term":0},{"p":62191,"kodaira":"IV","image":"B","term":0}],"warnings":["range_of_int64"],"dim_sel_e_hat":1,"dim_sel_e":0,"rank_bound":0,"conductor":null,"root_number":null,"minimal_ainvs":null})",
   R"(0,584471018,0 0 584471018 0 0,classic,analysed,1,2:IV:B:-1;3:III:units:0;37:IV:B:0;127:IV:B:0;62191:IV:B:0,range_of_int64,1,0,0,,,,,,,,,)"},
  {true, "19456", "1073741824",
   R"({"a":19456,"b":1073741824,"ainvs":[19456,0,1073741824,0,0],"rules":"classic","status":"too_large","scale":1,"bad_primes":[],"warnings":[],"dim_sel_e_hat":null,"dim_sel_e":null,"rank_bound":null,"conductor":null,"root_number":null,"minimal_ainvs":null})",
   R"(19456,1073741824,19456 0 1073741824 0 0,classic,too_large,1,,,,,,,,,,,,,,)"},
};
// clang-format on

// Splits one CSV line (no newline) into fields, undoing the quoting.
std::vector<std::string> csvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      fields.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

std::vector<std::string> withRules(bool classic, std::vector<std::string> args) {
  if (classic) args.insert(args.begin(), "--classic");
  return args;
}

TEST(Records, ReportWritesTheGoldenRecordsAndTheyReadBack) {
  const std::vector<std::string> header = csvFields(linesOf(std::string(csvHeader()))[0]);
  for (const GoldenRecord& row : kGolden) {
    SCOPED_TRACE(std::string(row.classic ? "classic " : "true ") + row.a + " " + row.b);
    const CliRun jsonRun =
        runVelrin(withRules(row.classic, {"report", row.a, row.b, "--format", "json"}));
    EXPECT_EQ(jsonRun.status, 0);
    EXPECT_EQ(jsonRun.out, std::string(row.json) + "\n");
    const CliRun csvRun =
        runVelrin(withRules(row.classic, {"report", row.a, row.b, "--format", "csv"}));
    EXPECT_EQ(csvRun.out, std::string(csvHeader()) + row.csv + "\n");

    // The JSON parses, obeys line [4]'s bound and Cassels' formula, and the
    // CSV row says the same field by field.
    const json record = json::parse(row.json);
    const std::vector<std::string> fields = csvFields(row.csv);
    ASSERT_EQ(fields.size(), header.size());
    // Lists in CSV are separated by spaces, unquoted.
    std::string ainvs;
    for (const json& a : record["ainvs"]) ainvs.append(ainvs.empty() ? "" : " ").append(a.dump());
    EXPECT_EQ(ainvs, fields[2]);
    EXPECT_EQ(std::string(row.csv).find('"'), std::string::npos);
    for (const size_t column : {0U, 1U, 5U, 8U, 9U, 10U, 12U}) {
      const json& value = record[header[column]];
      EXPECT_EQ(value.is_null() ? "" : value.dump(), fields[column]) << header[column];
    }
    EXPECT_EQ(record["rules"], fields[3]);
    EXPECT_EQ(record["status"], fields[4]);
    // A prime from 2^53 on is a JSON string of its digits, below it a number.
    std::string primes;
    int sumOfTerms = 0;
    for (const json& prime : record["bad_primes"]) {
      if (!primes.empty()) primes += ';';
      const json& p = prime["p"];
      if (p.is_string()) {
        EXPECT_GE(p.get<std::string>().size(), 16U);
      }
      primes += (p.is_string() ? p.get<std::string>() : p.dump()) + ":" +
                prime["kodaira"].get<std::string>() + ":" + prime["image"].get<std::string>() +
                ":" + prime["term"].dump();
      sumOfTerms += prime["term"].get<int>();
    }
    EXPECT_EQ(primes, fields[6]);
    if (record["status"] == "analysed") {
      const int dualDim = record["dim_sel_e_hat"];
      const int dim = record["dim_sel_e"];
      EXPECT_EQ(record["rank_bound"].get<int>(), dualDim + dim - 1);
      EXPECT_EQ(sumOfTerms, dim - dualDim);
    }
    // The invariants of the curve itself: under the true rules only.
    EXPECT_EQ(record["conductor"].is_null(), row.classic || record["status"] != "analysed");
    if (!record["conductor"].is_null()) {
      const json& conductor = record["conductor"];
      EXPECT_EQ(conductor.is_string() ? conductor.get<std::string>() : conductor.dump(),
                fields[11]);
      // (-1)^(d1 + d2 - 1), the 3-parity theorem; gp's ellrootno agrees.
      EXPECT_EQ(record["root_number"].get<int>(),
                record["rank_bound"].get<int>() % 2 == 0 ? 1 : -1);
      std::string minimal;
      for (const json& a : record["minimal_ainvs"]) {
        minimal.append(minimal.empty() ? "" : " ")
            .append(a.is_string() ? a.get<std::string>() : a.dump());
      }
      EXPECT_EQ(minimal, fields[13]);
    }
  }
}

// The whole report of 201042o1 (Cremona's tables: rank 3) with --rank. Its
// lines [1] to [4] are those without --rank; in line [5] the rank is the
// table's, and the three points, checked with gp, lie on E, are an LLL basis
// (qflllgram of their ellheightmatrix is the identity) and have the
// regulator of the table's generators: they generate E(Q) modulo torsion.
TEST(Records, RankReportOfACurveOfRankThree) {
  const CliRun run = runVelrin({"report", "21", "51", "--rank"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "\n[1] E is an elliptic curve defined by y^2+21xy+51y=x^3\n\n"
            "[2] {bad prime, Kodaira symbol, Image[E(Qp) -> Qp^{*}/Qp^{*3}]}\n"
            "{2, I2, {e}},\n"
            "{3, IV, <BQp^{*3}>},\n"
            "{17, I3, Qp^{*}/Qp^{*3}},\n"
            "{73, I1, {e}}.\n\n"
            "[3] dim(Sel(E^/Q))=2, dim(Sel(E/Q))=2\n\n"
            "[4] rankE(Q) < 3\n\n"
            "[5] rankE(Q)=3, proven; independent points (-3,3), (-6,3), (-12,9)\n\n");
}

// --rank: line [5] after the report, the search's fields after the
// record's, the rest byte for byte as without it. The ranks are ellrank's
// (gp: ellrank(ellinit([A,0,B,0,0]))), each proven there.
TEST(Records, RankAddsLineFiveAndFieldsAndKeepsTheRest) {
  struct Row {
    const char* a;
    const char* b;
    int rank;
  };
  const Row rows[] = {{"0", "1", 0}, {"-5", "3", 1}, {"-39", "19", 2}, {"-551", "49419", 3}};
  const std::vector<std::string> header = csvFields(linesOf(std::string(csvHeader(true)))[0]);
  const std::vector<std::string> plainHeader = csvFields(linesOf(std::string(csvHeader()))[0]);
  ASSERT_EQ(header.size(), plainHeader.size() + 5);
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.a) + " " + row.b);
    const CliRun plain = runVelrin({"report", row.a, row.b});
    const CliRun text = runVelrin({"report", row.a, row.b, "--rank"});
    ASSERT_EQ(text.status, 0);
    ASSERT_EQ(text.out.substr(0, plain.out.size()), plain.out);
    const std::string lineFive = text.out.substr(plain.out.size());
    const std::string proven = "[5] rankE(Q)=" + std::to_string(row.rank) + ", proven";
    EXPECT_EQ(lineFive.substr(0, proven.size()), proven) << lineFive;
    EXPECT_EQ(lineFive.substr(lineFive.size() - 2), "\n\n");
    EXPECT_EQ(lineFive.find('\n'), lineFive.size() - 2);

    const CliRun plainJson = runVelrin({"report", row.a, row.b, "--format", "json"});
    const CliRun jsonRun = runVelrin({"report", row.a, row.b, "--format", "json", "--rank"});
    ASSERT_EQ(jsonRun.status, 0);
    // The plain record, its closing brace replaced by the new fields.
    ASSERT_EQ(jsonRun.out.substr(0, plainJson.out.size() - 2),
              plainJson.out.substr(0, plainJson.out.size() - 2));
    const json record = json::parse(jsonRun.out);
    EXPECT_EQ(record["rank"].get<int>(), row.rank);
    EXPECT_EQ(record["rank_lower"].get<int>(), row.rank);
    EXPECT_EQ(record["search_height"].get<int>(), 30);
    EXPECT_EQ(record["selmer_e_hat"].size(), record["dim_sel_e_hat"].get<size_t>());
    ASSERT_EQ(record["points"].size(), static_cast<size_t>(row.rank));
    std::string csvPoints;
    for (const json& point : record["points"]) {
      const RationalPoint p{point[0].get<std::string>(), point[1].get<std::string>()};
      EXPECT_TRUE(onCurve(p, std::stoi(row.a), std::stoi(row.b))) << p.x << ", " << p.y;
      if (!csvPoints.empty()) csvPoints += ';';
      csvPoints += p.x + ":" + p.y;
    }

    const CliRun csvRun = runVelrin({"report", row.a, row.b, "--format", "csv", "--rank"});
    const std::vector<std::string> lines = linesOf(csvRun.out);
    ASSERT_EQ(lines.size(), 2U);
    const std::vector<std::string> fields = csvFields(lines[1]);
    ASSERT_EQ(fields.size(), header.size());
    EXPECT_EQ(fields[header.size() - 3], std::to_string(row.rank));
    EXPECT_EQ(fields[header.size() - 2], csvPoints);
    EXPECT_EQ(fields[header.size() - 1], "30");
  }
  // --height needs --rank, and --rank the true rules.
  EXPECT_EQ(runVelrin({"report", "1", "1", "--height", "5"}).status, 2);
  EXPECT_EQ(runVelrin({"--classic", "report", "1", "1", "--rank"}).status, 2);
  EXPECT_EQ(runVelrin({"report", "1", "1", "--rank", "--height", "0"}).status, 2);
}

TEST(Records, RankSummaryCountsProvenAndOpenCurves) {
  // Three curves searched to a small height: the summary has the rank
  // search's table; a scan's CSV the header with the search's columns.
  const CliRun run =
      runVelrin({"batch", "--rank", "--height", "2", "--summary", "--quiet", "--format", "json"},
                "0 1\n-5 3\n-39 19\n");
  ASSERT_EQ(run.status, 0);
  EXPECT_EQ(linesOf(run.out).size(), 3U);
  EXPECT_NE(run.err.find("rank proven"), std::string::npos) << run.err;
  const CliRun scan = runVelrin({"scan", "--a", "0:0", "--b", "1:3", "--rank", "--summary",
                                 "--quiet", "--format", "csv", "--threads", "2"});
  ASSERT_EQ(scan.status, 0);
  EXPECT_EQ(linesOf(scan.out)[0] + "\n", std::string(csvHeader(true)));
  // A scan with --rank resumes its own file, cut mid-record, to the same
  // bytes, and a scan without --rank refuses to continue it.
  TempDir dir;
  const std::vector<std::string> args = {"scan",
                                         "--a",
                                         "0:1",
                                         "--b",
                                         "1:20",
                                         "--rank",
                                         "--format",
                                         "csv",
                                         "--quiet",
                                         "--output",
                                         (dir / "r.csv").string()};
  ASSERT_EQ(runVelrin(args).status, 0);
  const std::string whole = readWhole(dir / "r.csv");
  writeWhole(dir / "r.csv", whole.substr(0, whole.size() / 2));
  ASSERT_EQ(runVelrin(args).status, 0);
  EXPECT_EQ(readWhole(dir / "r.csv"), whole);
  std::vector<std::string> withoutRank = args;
  withoutRank.erase(withoutRank.begin() + 5);
  EXPECT_EQ(runVelrin(withoutRank).status, 2);
}

TEST(Records, BatchWritesTheSameRecordsWithTheirLineNumbers) {
  for (const bool classic : {false, true}) {
    std::string input = "# the golden curves\n";
    std::string expectedJson;
    std::string expectedCsv(csvHeader());
    int line = 1;
    for (const GoldenRecord& row : kGolden) {
      if (row.classic != classic) continue;
      input += std::string("[") + row.a + ", " + row.b + "]\n\n";
      line += 1;
      std::string record = row.json;
      record.insert(record.size() - 1, ",\"line\":" + std::to_string(line));
      expectedJson += record + "\n";
      std::string csv = row.csv;
      csv.insert(csv.size() - 2, std::to_string(line));
      expectedCsv += csv + "\n";
      line += 1;
    }
    for (const std::string threads : {"1", "3"}) {
      EXPECT_EQ(
          runVelrin(withRules(classic, {"batch", "--format", "jsonl", "--threads", threads}), input)
              .out,
          expectedJson);
      EXPECT_EQ(
          runVelrin(withRules(classic, {"batch", "--format", "csv", "--threads", threads}), input)
              .out,
          expectedCsv);
    }
  }
}

TEST(Records, TheColumnTableYieldsTheHeaderAndRowsOfItsWidth) {
  // Every kind of record under every option that changes the columns
  // (--rank), with and without a batch line and a curve as given: each CSV
  // row has the header's number of fields, and each JSON record's keys are
  // columns of the header in the header's order.
  const std::vector<std::pair<const char*, CurveAnalysis>> analyses = {
      {"analysed", analyzeCurve(19456, 1073741824)},
      {"singular", analyzeCurve(0, 0)},
      {"too large", analyzeCurve(19456, 1073741824, Rules::kClassic)},
      {"classic beyond the table", analyzeCurve(0, 611953, Rules::kClassic)},
  };
  CurveOrigin origin;
  origin.model = {1, 0, 1, 4, -6};
  origin.modelKnown = true;
  origin.label = "14a1";
  origin.change = {"1", "2", "3", "4"};
  CurveInput failure;
  failure.status = "unknown_label";
  failure.reason = "no such label, \"quoted\"";
  failure.origin.label = "99zz9";
  const RankSearch search;
  const std::string text = "1,\"2\",x";  // a field that needs its quotes

  for (const bool rank : {false, true}) {
    const std::string headerLine(csvHeader(rank));
    ASSERT_EQ(headerLine.back(), '\n');
    const std::vector<std::string> header = csvFields(headerLine.substr(0, headerLine.size() - 1));
    const std::span<const RecordColumn> columns = recordColumns();
    ASSERT_EQ(header.size(), rank ? columns.size() : columns.size() - kRankColumns);
    for (size_t i = 0; i < header.size(); ++i) EXPECT_EQ(header[i], columns[i].name);
    EXPECT_EQ(std::set<std::string>(header.begin(), header.end()).size(), header.size());

    std::vector<std::pair<std::string, std::pair<std::string, std::string>>> records;
    const auto add = [&](std::string name, auto writeJson, auto writeCsv) {
      OutputBuffer jsonOut;
      writeJson(jsonOut);
      OutputBuffer csvOut;
      writeCsv(csvOut);
      records.push_back(
          {std::move(name), {std::string(jsonOut.view()), std::string(csvOut.view())}});
    };
    for (const auto& [name, analysis] : analyses) {
      for (const uint64_t line : {uint64_t{0}, uint64_t{7}}) {
        for (const CurveOrigin* given :
             {static_cast<const CurveOrigin*>(nullptr), static_cast<const CurveOrigin*>(&origin)}) {
          const RankSearch* searched = rank ? &search : nullptr;
          add(
              std::string(name) + (given ? " given" : "") + (line ? " at a line" : ""),
              [&](OutputBuffer& o) { appendJsonRecord(analysis, line, given, o, searched); },
              [&](OutputBuffer& o) { appendCsvRecord(analysis, line, given, o, searched); });
        }
      }
    }
    for (const uint64_t line : {uint64_t{0}, uint64_t{7}}) {
      add(
          "failure",
          [&](OutputBuffer& o) { appendJsonCurveFailure(line, text, failure, Rules::kTrue, o); },
          [&](OutputBuffer& o) {
            appendCsvCurveFailure(line, text, failure, Rules::kTrue, o, rank);
          });
    }
    add(
        "error", [&](OutputBuffer& o) { appendJsonError(7, text, "no pair", Rules::kClassic, o); },
        [&](OutputBuffer& o) { appendCsvError(7, text, "no pair", Rules::kClassic, o, rank); });

    for (const auto& [name, written] : records) {
      SCOPED_TRACE(name + (rank ? " with --rank" : ""));
      const auto& [jsonLine, csvLine] = written;
      ASSERT_EQ(csvLine.back(), '\n');
      EXPECT_EQ(csvFields(csvLine.substr(0, csvLine.size() - 1)).size(), header.size()) << csvLine;
      ASSERT_EQ(jsonLine.back(), '\n');
      const nlohmann::ordered_json record = nlohmann::ordered_json::parse(jsonLine);
      size_t at = 0;
      for (const auto& item : record.items()) {
        while (at < header.size() && header[at] != item.key()) ++at;
        EXPECT_LT(at, header.size()) << item.key() << " out of the header's order: " << jsonLine;
      }
    }
  }

  // The error row by velrin(1)'s layout: a, b, ainvs empty; rules, status;
  // twelve empty columns from scale to change; line, text, reason.
  OutputBuffer error;
  appendCsvError(7, text, "no pair", Rules::kClassic, error);
  EXPECT_EQ(error.view(), ",,,classic,error,,,,,,,,,,,,,7,\"1,\"\"2\"\",x\",\"no pair\"\n");
  error.clear();
  appendCsvError(7, text, "no pair", Rules::kClassic, error, true);
  EXPECT_EQ(error.view(), ",,,classic,error,,,,,,,,,,,,,7,\"1,\"\"2\"\",x\",\"no pair\",,,,,\n");
}

TEST(Records, JsonStringsStayValidWhateverTheBytes) {
  struct Case {
    std::string bytes;
    std::string escaped;
  };
  const std::vector<Case> cases = {
      {"1 x", "\"1 x\""},
      {"\"q\" \\", "\"\\\"q\\\" \\\\\""},
      {std::string("\t\x01\x7f", 3), "\"\\u0009\\u0001\\u007f\""},
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
       "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80\""},
      {"\xff\xfe", "\"\\ufffd\\ufffd\""},
      {"\xc3", "\"\\ufffd\""},                                   // a sequence cut short
      {"\xc0\xaf", "\"\\ufffd\\ufffd\""},                        // an overlong form of '/'
      {"\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\""},             // a surrogate
      {"\xf4\x90\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},  // beyond U+10FFFF
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.escaped);
    OutputBuffer out;
    appendJsonString(c.bytes, out);
    EXPECT_EQ(out.view(), c.escaped);
    EXPECT_TRUE(json::accept(out.view()));
  }
}

TEST(Records, KodairaSymbolsAreWrittenAsLineTwoWritesThem) {
  for (const ReductionType type :
       {ReductionType::kI, ReductionType::kII, ReductionType::kIII, ReductionType::kIV,
        ReductionType::kIVStar, ReductionType::kIStar}) {
    for (const int32_t n : {0, 1, 9, 10, 123}) {
      const KodairaSymbol symbol{type, n};
      OutputBuffer out;
      appendKodaira(symbol, out);
      EXPECT_EQ(out.view(), kodairaText(symbol));
    }
  }
}

TEST(Records, IntegersKeepEveryDigit) {
  const std::vector<std::pair<__uint128_t, std::string>> unsignedCases = {
      {0, "0"},
      {UINT64_MAX, "18446744073709551615"},
      {static_cast<__uint128_t>(UINT64_MAX) + 1, "18446744073709551616"},
      {~static_cast<__uint128_t>(0), "340282366920938463463374607431768211455"},
  };
  for (const auto& [value, text] : unsignedCases) {
    OutputBuffer out;
    out.appendUnsigned(value);
    EXPECT_EQ(out.view(), text);
  }
  // A JSON number below 2^53 in magnitude, a string of digits from there
  // on; the 128-bit writer and the 256-bit one agree wherever both apply.
  constexpr __int128_t k53 = __int128_t{1} << 53U;
  constexpr __int128_t k64 = __int128_t{1} << 64U;
  constexpr __int128_t kMax = static_cast<__int128_t>(~static_cast<__uint128_t>(0) >> 1U);
  const std::vector<std::pair<__int128_t, std::string>> jsonCases = {
      {0, "0"},
      {-1, "-1"},
      {k53 - 1, "9007199254740991"},
      {-(k53 - 1), "-9007199254740991"},
      {k53, "\"9007199254740992\""},
      {-k53, "\"-9007199254740992\""},
      {INT64_MAX, "\"9223372036854775807\""},
      {INT64_MIN, "\"-9223372036854775808\""},
      {k64 - 1, "\"18446744073709551615\""},
      {-k64 - 1, "\"-18446744073709551617\""},
      {kMax, "\"170141183460469231731687303715884105727\""},
      {-kMax, "\"-170141183460469231731687303715884105727\""},
  };
  for (const auto& [value, text] : jsonCases) {
    SCOPED_TRACE(text);
    OutputBuffer narrow;
    appendJsonInteger(value, narrow);
    EXPECT_EQ(narrow.view(), text);
    OutputBuffer wide;
    appendJsonInteger(Int256(value), wide);
    EXPECT_EQ(wide.view(), text);
  }
  // Beyond 128 bits: 2^127 and -(2^127 + 1) come from the 256-bit writer.
  OutputBuffer wide;
  appendJsonInteger(Int256(kMax) + 1, wide);
  wide.append(' ');
  appendJsonInteger(-Int256(kMax) - 2, wide);
  EXPECT_EQ(wide.view(),
            "\"170141183460469231731687303715884105728\" "
            "\"-170141183460469231731687303715884105729\"");

  OutputBuffer out;
  out.appendInt(INT64_MIN);
  out.append(' ');
  out.appendInt(-7);
  EXPECT_EQ(out.view(), "-9223372036854775808 -7");
}

}  // namespace
}  // namespace velrin::cli_test
