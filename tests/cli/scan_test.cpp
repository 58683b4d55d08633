// Scans through the built program: the same bytes whatever the number of
// threads and however the box is sharded; records that say what the text
// report says; an output file that survives being killed at any moment.
#include <gtest/gtest.h>
#include <pty.h>

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "cli/cli_run.hpp"
#include "render/records.hpp"

namespace velrin::cli_test {
namespace {

using nlohmann::json;

// 61 * 81 = 4941 pairs: several chunks, singular pairs (B = 0, and
// A^3 = 27B at (3, 1) and (6, 8)), 3 good and bad, several types.
const std::vector<std::string> kBox = {"scan", "--a", "-30:30", "--b", "-40:40", "--quiet"};

std::vector<std::string> plus(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(Scan, OutputIsTheSameForEveryNumberOfThreads) {
  for (const std::string format : {"jsonl", "csv", "text"}) {
    for (const bool classic : {false, true}) {
      SCOPED_TRACE(format + (classic ? " classic" : ""));
      std::vector<std::string> args = plus(kBox, {"--format", format});
      if (classic) args.push_back("--classic");
      const CliRun one = runVelrin(plus(args, {"--threads", "1"}));
      ASSERT_EQ(one.status, 0);
      ASSERT_FALSE(one.out.empty());
      // 64 threads also cut the work into smaller chunks.
      for (const std::string threads : {"2", "3", "7", "64"}) {
        SCOPED_TRACE(threads + " threads");
        EXPECT_EQ(runVelrin(plus(args, {"--threads", threads})).out, one.out);
      }
    }
  }
}

TEST(Scan, ShardsConcatenatedInOrderAreTheWholeScan) {
  struct Case {
    std::vector<std::string> box;
    int shards;
  };
  const std::vector<Case> cases = {{kBox, 2},
                                   {kBox, 3},
                                   {kBox, 7},
                                   // More shards than pairs: some shards are empty.
                                   {{"scan", "--a", "-1:0", "--b", "1:3", "--quiet"}, 7}};
  for (const Case& c : cases) {
    for (const std::string format : {"jsonl", "csv"}) {
      SCOPED_TRACE(format + " in " + std::to_string(c.shards) + " shards");
      const CliRun whole = runVelrin(plus(c.box, {"--format", format}));
      std::string joined;
      for (int k = 1; k <= c.shards; ++k) {
        const std::string shard = std::to_string(k) + "/" + std::to_string(c.shards);
        const CliRun part = runVelrin(plus(c.box, {"--format", format, "--shard", shard}));
        EXPECT_EQ(part.status, 0);
        joined += part.out;
      }
      EXPECT_EQ(joined, whole.out);
    }
  }
}

// The records of a scan come from the row sieve; a batch analyses each
// pair by itself, factoring it from scratch. Over the same pairs the two
// must agree byte for byte (the batch's records add only the line).
TEST(Scan, SievedRecordsEqualThoseOfThePerCurveAnalysis) {
  struct Box {
    const char* what;
    int64_t aMin, aMax, bMin, bMax;
    // A^3 - 27B near 2^93 goes to the PARI library, whose start on a worker
    // thread leaves its one-time allocations unreachable to LeakSanitizer
    // when that thread ends: such boxes run on one thread (the sieve stands
    // aside for them anyway).
    bool wide = false;
  };
  const std::vector<Box> boxes = {
      {"the family box's corner, rows longer than a chunk", 990, 1000, 1, 3000},
      {"the far corner, negative A", -1000, -997, 4000, 5000},
      {"B < 0 and crossing 0, A^3 = 27B at (3, 1), (6, 8)", -7, 9, -600, 600},
      {"A = 0", 0, 0, -3000, 3000},
      {"A = 3^6, 2 3^5: high powers of 3; B over cubes", 729, 729, -2000, 20000},
      {"A = -1458 = -2 3^6, B from 3^9 = 19683 on", -1458, -1458, 19000, 20500},
      {"A = 2^12: F near 2^36", 4094, 4097, 1, 1100},
      {"|A| near 2^20, where the sieve stops", 1048575, 1048577, -40, 40},
      {"B up to 2^31 - 1", -3, 3, 2147482000, 2147483647},
      {"B from -2^31", 2, 4, -2147483648LL, -2147482600},
      {"A at -2^31 and 2^31 - 1", -2147483648LL, -2147483647, 1, 12, true},
      {"A = 2^31 - 1", 2147483647, 2147483647, -6, 6, true},
  };
  for (const Box& box : boxes) {
    SCOPED_TRACE(box.what);
    std::string pairs;
    for (int64_t a = box.aMin; a <= box.aMax; ++a) {
      for (int64_t b = box.bMin; b <= box.bMax; ++b) {
        pairs += std::to_string(a) + " " + std::to_string(b) + "\n";
      }
    }
    const CliRun batch =
        runVelrin({"batch", "--format", "jsonl", "--quiet", "--threads", "1"}, pairs);
    ASSERT_EQ(batch.status, 0);
    std::string expected;
    for (const std::string& line : linesOf(batch.out)) {
      expected += line.substr(0, line.rfind(",\"line\":")) + "}\n";
    }
    const std::vector<std::string> scan = {
        "scan",
        "--a",
        std::to_string(box.aMin) + ":" + std::to_string(box.aMax),
        "--b",
        std::to_string(box.bMin) + ":" + std::to_string(box.bMax),
        "--format",
        "jsonl",
        "--quiet"};
    const std::vector<std::string> threadCounts =
        box.wide ? std::vector<std::string>{"1"} : std::vector<std::string>{"1", "2", "3"};
    for (const std::string& threads : threadCounts) {
      SCOPED_TRACE(threads + " threads");
      const CliRun run = runVelrin(plus(scan, {"--threads", threads}));
      ASSERT_EQ(run.status, 0);
      EXPECT_TRUE(run.out == expected);  // not printed: thousands of lines
    }
    std::string joined;
    for (int k = 1; k <= 3; ++k) {
      const std::string shard = std::to_string(k) + "/3";
      joined += runVelrin(plus(scan, {"--shard", shard, "--threads", box.wide ? "1" : "2"})).out;
    }
    EXPECT_TRUE(joined == expected);
    // The summary alone: the sieved scan takes the rank without the basis,
    // the batch the per-curve analysis with it.
    const CliRun batchSummary =
        runVelrin({"batch", "--format", "none", "--summary", "--quiet", "--threads", "1"}, pairs);
    ASSERT_EQ(batchSummary.status, 0);
    for (const std::string& threads : threadCounts) {
      SCOPED_TRACE(threads + " threads, the summary alone");
      std::vector<std::string> summary = scan;
      summary[6] = "none";
      const CliRun run = runVelrin(plus(summary, {"--summary", "--threads", threads}));
      ASSERT_EQ(run.status, 0);
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(run.err, batchSummary.err);
    }
  }
}

// What the text report of one curve says, read back from its lines.
struct TextFacts {
  std::string status = "analysed";
  std::vector<std::string> primes;  // "p, kodaira, image text"
  std::vector<std::string> warnings;
  std::string dims;
  std::string bound;
};

std::vector<TextFacts> readTextReports(const std::string& text) {
  static const std::map<std::string, std::string> kWarnings = {
      {"exceed the range of the type'__int64'!", "range_of_int64"},
      {"exceed 50000th prime !", "beyond_prime_table"}};
  std::vector<TextFacts> reports;
  for (const std::string& line : linesOf(text)) {
    if (line.starts_with("[1] ")) reports.emplace_back();
    if (reports.empty()) continue;
    TextFacts& facts = reports.back();
    if (line == "[1] The curve E is singular.") facts.status = "singular";
    if (line.starts_with("[2] The curve is too large")) facts.status = "too_large";
    if (line.starts_with("{")) facts.primes.push_back(line.substr(1, line.rfind('}') - 1));
    if (kWarnings.count(line) != 0) facts.warnings.push_back(kWarnings.at(line));
    if (line.starts_with("[3] ")) facts.dims = line.substr(4);
    if (line.starts_with("[4] ")) facts.bound = line.substr(4);
  }
  return reports;
}

TEST(Scan, RecordsSayWhatTheTextReportSays) {
  static const std::map<std::string, std::string> kImageText = {{"trivial", "{e}"},
                                                                {"units", "Zp^{*}Qp^*3/Qp^{*3}"},
                                                                {"B", "<BQp^{*3}>"},
                                                                {"whole", "Qp^{*}/Qp^{*3}"}};
  // The classic rules over B around 611953 reach the end-of-table warning.
  const std::vector<std::vector<std::string>> boxes = {
      kBox, plus({"scan", "--a", "-2:2", "--b", "611940:611990", "--quiet"}, {"--classic"})};
  for (const auto& box : boxes) {
    const std::vector<TextFacts> text =
        readTextReports(runVelrin(plus(box, {"--format", "text"})).out);
    const std::vector<std::string> records =
        linesOf(runVelrin(plus(box, {"--format", "jsonl"})).out);
    ASSERT_EQ(text.size(), records.size());
    bool warned = false;
    for (size_t i = 0; i < records.size(); ++i) {
      SCOPED_TRACE(records[i]);
      const json record = json::parse(records[i]);
      EXPECT_EQ(record["status"], text[i].status);
      std::vector<std::string> primes;
      for (const json& prime : record["bad_primes"]) {
        primes.push_back(prime["p"].dump() + ", " + prime["kodaira"].get<std::string>() + ", " +
                         kImageText.at(prime["image"]));
      }
      EXPECT_EQ(primes, text[i].primes);
      EXPECT_EQ(record["warnings"].get<std::vector<std::string>>(), text[i].warnings);
      warned = warned || !text[i].warnings.empty();
      if (record["status"] != "analysed") continue;
      const int dualDim = record["dim_sel_e_hat"];
      const int dim = record["dim_sel_e"];
      EXPECT_EQ(text[i].dims, "dim(Sel(E^/Q))=" + std::to_string(dualDim) +
                                  ", dim(Sel(E/Q))=" + std::to_string(dim));
      // Line [4] states the inclusive bound that the record holds.
      const int bound = record["rank_bound"];
      EXPECT_EQ(text[i].bound, bound == 0 ? "rankE(Q)=0" : "rankE(Q) < " + std::to_string(bound));
    }
    if (box.back() == "--classic") {
      EXPECT_TRUE(warned);
    }
  }
}

// The file a killed scan left behind: the complete output cut at `cut`.
void expectResumeCompletes(const std::vector<std::string>& args, const std::string& whole,
                           size_t cut) {
  TempDir dir;
  const fs::path output = dir / "records";
  writeWhole(output, whole.substr(0, cut));
  const CliRun run = runVelrin(plus(args, {"--output", output.string()}));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(readWhole(output) == whole) << "cut at " << cut;
}

TEST(Scan, ResumingAfterATornWriteCompletesTheOutputExactly) {
  std::mt19937_64 random(20261209);
  for (const std::string format : {"jsonl", "csv", "text"}) {
    for (const std::string shard : {"1/1", "2/3"}) {
      SCOPED_TRACE(format + " shard " + shard);
      const std::vector<std::string> args =
          plus(kBox, {"--format", format, "--shard", shard, "--threads", "2"});
      const std::string whole = runVelrin(args).out;
      // The first bytes, each side of the first line ends, the end, and
      // random places.
      std::vector<size_t> cuts = {whole.size() - 1, whole.size()};
      for (size_t i = 0; i < 8; ++i) cuts.push_back(i);
      for (size_t i = 0, newline = 0; i < 5; ++i, ++newline) {
        newline = whole.find('\n', newline);
        cuts.insert(cuts.end(), {newline, newline + 1, newline + 2});
      }
      for (int i = 0; i < 12; ++i) cuts.push_back(random() % whole.size());
      for (const size_t cut : cuts) expectResumeCompletes(args, whole, cut);
    }
  }
}

// A .zst output killed part-way: its complete frames, then the start of
// one more. The resume keeps the frames, cuts the torn one and goes on;
// zstd itself, decompressing, must see the uninterrupted output.
TEST(Scan, ResumingACompressedOutputAfterATornFrameCompletesItExactly) {
  if (std::system("zstd --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no zstd";
  std::mt19937_64 random(20261210);
  // Three times kBox: records of several frames in JSON lines and CSV.
  const std::vector<std::string> box = {"scan", "--a", "-90:90", "--b", "-40:40", "--quiet"};
  const std::vector<std::pair<std::string, std::string>> runs = {
      {"jsonl", "2/3"}, {"csv", "1/1"}, {"text", "1/1"}};
  for (const auto& [format, shard] : runs) {
    SCOPED_TRACE(format + " shard " + shard);
    const std::vector<std::string> args = plus(box, {"--format", format, "--shard", shard});
    const std::string whole = runVelrin(args).out;
    TempDir dir;
    const fs::path zst = dir / "records.zst";
    ASSERT_EQ(runVelrin(plus(args, {"--output", zst.string()})).status, 0);
    const std::string compressed = readWhole(zst);
    ASSERT_TRUE(readContent(zst) == whole);
    std::vector<size_t> cuts = {0, 1, 3, 4, 17, compressed.size() - 1, compressed.size()};
    // At the end of the first frame (the second starts with the magic
    // number), and just after.
    const size_t second = compressed.find("\x28\xB5\x2F\xFD", 1);
    ASSERT_NE(second, std::string::npos);
    cuts.insert(cuts.end(), {second, second + 1});
    for (int i = 0; i < 5; ++i) cuts.push_back(random() % compressed.size());
    for (const size_t cut : cuts) {
      SCOPED_TRACE("cut at " + std::to_string(cut));
      writeWhole(zst, compressed.substr(0, cut));
      const CliRun run = runVelrin(plus(args, {"--output", zst.string(), "--threads", "2"}));
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_TRUE(readContent(zst) == whole);
    }
  }
}

TEST(Scan, KilledAtRandomMomentsAndRunAgainGivesTheUninterruptedOutput) {
  std::mt19937_64 random(4242);
  const bool haveZstd = std::system("zstd --version >/dev/null 2>&1") == 0;
  struct Case {
    std::string format;
    std::string file;
  };
  const std::vector<Case> cases = {
      {"jsonl", "records"}, {"csv", "records"}, {"jsonl", "records.zst"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format + " to " + c.file);
    if (c.file.ends_with(".zst") && !haveZstd) continue;
    const std::vector<std::string> args =
        plus({"scan", "--a", "-150:150", "--b", "-400:400", "--quiet", "--format", c.format},
             {"--threads", "2"});
    const std::string whole = runVelrin(args).out;
    TempDir dir;
    const fs::path output = dir / c.file;
    int kills = 0;
    for (int attempt = 0; attempt < 60; ++attempt) {
      const pid_t pid = startVelrin(plus(args, {"--output", output.string()}), "/dev/null",
                                    dir / "out", dir / "err");
      // Up to 100 ms: the whole scan (240,000 curves, rendered again by each
      // resume) takes longer, so most runs are cut.
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 100000));
      int status = 0;
      if (::waitpid(pid, &status, WNOHANG) == pid) {
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << readWhole(dir / "err");
        break;
      }
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      ++kills;
    }
    const CliRun last = runVelrin(plus(args, {"--output", output.string()}));
    EXPECT_EQ(last.status, 0) << last.err;
    EXPECT_GT(kills, 0);
    EXPECT_TRUE(readContent(output) == whole) << "after " << kills << " kills";
  }
}

// A resume reads the whole file and proves it is the start of this very
// scan's output before it changes a byte; any other file is refused (exit
// 2) and left as it was.
TEST(Scan, RefusesToResumeInAFileOfAnotherScan) {
  const auto output = [](const std::string& format, const std::vector<std::string>& more) {
    return runVelrin(plus(plus(kBox, {"--format", format}), more)).out;
  };
  const auto firstLines = [](const std::string& text, size_t count) {
    size_t end = 0;
    for (size_t i = 0; i < count; ++i) end = text.find('\n', end) + 1;
    return text.substr(0, end);
  };
  const auto replaceAll = [](std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
      text.replace(at, from.size(), to);
    }
    return text;
  };
  struct Case {
    std::string name;
    std::string format;
    std::vector<std::string> run;  // options of the run that resumes
    std::string content;
  };
  std::vector<Case> cases = {
      {"notes without a newline", "jsonl", {}, "my notes"},
      {"notes", "jsonl", {}, "my notes\n"},
      {"notes, text", "text", {}, "Some notes\nabout curves\n"},
      {"notes, CSV", "csv", {}, "a,b\n"},
      // Other formats of this scan.
      {"JSON lines as CSV", "csv", {}, firstLines(output("jsonl", {}), 10)},
      {"CSV as JSON lines", "jsonl", {}, firstLines(output("csv", {}), 10)},
      // A batch of the same pairs: records with their line numbers.
      {"a batch", "jsonl", {}, runVelrin({"batch", "--format", "jsonl"}, "-30 -40\n-30 -39\n").out},
      {"a batch, text", "text", {}, runVelrin({"batch"}, "1 2\n3 4\n").out},
      // Another shard, before or after.
      {"shard 2/3 as 1/3", "jsonl", {"--shard", "1/3"}, output("jsonl", {"--shard", "2/3"})},
      {"shard 1/3 as 2/3", "jsonl", {"--shard", "2/3"}, output("jsonl", {"--shard", "1/3"})},
      {"shard 2/3 as 1/1, CSV", "csv", {}, output("csv", {"--shard", "2/3"})},
      {"shard 2/3 as 1/3, text",
       "text",
       {"--shard", "1/3"},
       firstLines(output("text", {"--shard", "2/3"}), 40)},
      // The other rules, complete or not.
      {"classic, complete", "jsonl", {}, output("jsonl", {"--classic"})},
      {"classic, begun", "csv", {}, firstLines(output("csv", {"--classic"}), 30)},
      {"classic, text", "text", {}, output("text", {"--classic"})},
      {"true rules as classic", "text", {"--classic"}, output("text", {})},
      {"true rules as classic, begun", "jsonl", {"--classic"}, firstLines(output("jsonl", {}), 9)},
  };
  // Another box whose first 80 records are this one's: B to 39, not 40.
  const std::vector<std::string> otherBox = {"scan",   "--a",     "-30:30",  "--b",
                                             "-40:39", "--quiet", "--format"};
  for (const std::string format : {"jsonl", "csv", "text"}) {
    const std::string mine = output(format, {});
    const std::string other = runVelrin(plus(otherBox, {format})).out;
    cases.push_back({"another box", format, {}, firstLines(other, format == "text" ? 2000 : 200)});
    // This scan's records, spoilt.
    cases.push_back({"CRLF line ends", format, {}, replaceAll(firstLines(mine, 50), "\n", "\r\n")});
    std::string garbled = firstLines(mine, 60);
    garbled.replace(firstLines(mine, 20).size(), 7, "garbage");
    cases.push_back({"garbage in the middle", format, {}, garbled});
    cases.push_back({"a line after the records", format, {}, firstLines(mine, 12) + "notes\n"});
    cases.push_back({"text after the end", format, {}, mine + "\nnotes"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + " in " + c.format);
    ASSERT_FALSE(c.content.empty());
    for (const bool summary : {false, true}) {
      TempDir dir;
      writeWhole(dir / "records", c.content);
      std::vector<std::string> args = plus(plus(kBox, {"--format", c.format}), c.run);
      if (summary) args.push_back("--summary");
      const CliRun run = runVelrin(plus(args, {"--output", (dir / "records").string()}));
      EXPECT_EQ(run.status, 2);
      EXPECT_TRUE(run.err.starts_with("velrin: cannot resume in ")) << run.err;
      EXPECT_NE(run.err.find("it is not this scan's output"), std::string::npos) << run.err;
      EXPECT_EQ(run.out, "");
      EXPECT_TRUE(readWhole(dir / "records") == c.content);
    }
  }
}

// The same proof for a .zst file, on the content of its frames, and the
// frames themselves must be velrin's kind: each records its content size,
// is whole and undamaged (its checksum), and the complete ones end between
// records; only the last may be torn.
TEST(Scan, RefusesToResumeInACompressedFileThatIsNotThisScans) {
  if (std::system("zstd --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no zstd";
  TempDir dir;
  const std::vector<std::string> args = plus(kBox, {"--format", "jsonl"});
  const std::string mine = runVelrin(args).out;
  const std::string other = runVelrin(plus(args, {"--classic"})).out;
  const auto zstd = [&](const std::string& content, const std::string& how) {
    writeWhole(dir / "plain", content);
    const std::string command =
        how + " " + (dir / "plain").string() + " > " + (dir / "packed").string();
    EXPECT_EQ(std::system(command.c_str()), 0);
    return readWhole(dir / "packed");
  };
  ASSERT_EQ(runVelrin(plus(args, {"--output", (dir / "mine.zst").string()})).status, 0);
  std::string damaged = readWhole(dir / "mine.zst");
  damaged[damaged.size() / 3] = static_cast<char>(damaged[damaged.size() / 3] ^ 0x10);
  struct Case {
    std::string name;
    std::string content;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {"plain records", mine.substr(0, 3000), "the frame at byte 0 is not a zstd frame"},
      {"the classic rules' records", zstd(other, "zstd -q -c"), "it is not this scan's output"},
      {"a frame that ends inside a record", zstd(mine.substr(0, 5000), "zstd -q -c"),
       "it is not this scan's output: its complete frames end inside a record"},
      {"a frame without its content size", zstd(mine.substr(0, 4000), "zstd -q -c <"),
       "does not record a content size"},
      {"notes after the frames", readWhole(dir / "mine.zst") + "notes\n", "is not a zstd frame"},
      {"a damaged frame", damaged, "is damaged"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    writeWhole(dir / "records.zst", c.content);
    const CliRun run = runVelrin(plus(args, {"--output", (dir / "records.zst").string()}));
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.starts_with("velrin: cannot resume in ")) << run.err;
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    EXPECT_TRUE(readWhole(dir / "records.zst") == c.content);
  }
}

// Devices are written as they are, never read to resume: /dev/null for the
// summary alone, /dev/full a failed write, /dev/zero accepts everything.
TEST(Scan, OutputToADevice) {
  struct Case {
    std::string path;
    int status;
    std::string errStart;
  };
  const std::vector<Case> cases = {{"/dev/null", 0, "\nSummary of 4941 curves\n"},
                                   {"/dev/zero", 0, "\nSummary of 4941 curves\n"},
                                   {"/dev/full", 1, "velrin: cannot write the records: "}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const CliRun run = runVelrin(plus(kBox, {"--format", "jsonl", "--summary", "--output", c.path}),
                                 "", std::chrono::seconds(60));
    EXPECT_EQ(run.status, c.status);
    EXPECT_TRUE(run.err.starts_with(c.errStart)) << run.err;
  }
}

TEST(Scan, SummaryCountsWhatTheRecordsHold) {
  const CliRun run = runVelrin(plus(kBox, {"--format", "jsonl", "--summary"}));
  std::map<std::string, uint64_t> status;
  std::map<int, uint64_t> bounds;
  for (const std::string& line : linesOf(run.out)) {
    const json record = json::parse(line);
    ++status[record["status"]];
    if (record["status"] == "analysed") ++bounds[record["rank_bound"].get<int>()];
  }
  EXPECT_GT(status["singular"], 0U);
  const auto row = [](const std::string& name, uint64_t count) {
    char text[80];
    std::snprintf(text, sizeof text, "  %-28s %12llu\n", name.c_str(),
                  static_cast<unsigned long long>(count));
    return std::string(text);
  };
  EXPECT_NE(run.err.find(row("singular", status["singular"])), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(row("analysed", status["analysed"])), std::string::npos) << run.err;
  for (const auto& [bound, count] : bounds) {
    EXPECT_NE(run.err.find(row(std::to_string(bound), count)), std::string::npos) << bound;
  }
  // The exponent of the Tamagawa ratio, dim Sel(E/Q) - dim Sel(E^/Q), after
  // its heading.
  std::map<int, uint64_t> differences;
  for (const std::string& line : linesOf(run.out)) {
    const json record = json::parse(line);
    if (record["status"] != "analysed") continue;
    ++differences[record["dim_sel_e"].get<int>() - record["dim_sel_e_hat"].get<int>()];
  }
  EXPECT_GT(differences.size(), 2U);
  const size_t heading = run.err.find(row("dim Sel(E/Q) - dim Sel(E^/Q)", 0).substr(0, 32));
  ASSERT_NE(heading, std::string::npos) << run.err;
  for (const auto& [difference, count] : differences) {
    EXPECT_NE(run.err.find(row(std::to_string(difference), count), heading), std::string::npos)
        << difference;
  }
  // --format none: the same table and no records, from a scan and a batch.
  const CliRun none = runVelrin(plus(kBox, {"--format", "none", "--summary"}));
  EXPECT_EQ(none.status, 0);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err, run.err);
  std::string pairs;
  for (const std::string& line : linesOf(run.out)) {
    const json record = json::parse(line);
    pairs += std::to_string(record["a"].get<int>()) + " " + std::to_string(record["b"].get<int>()) +
             "\n";
  }
  const CliRun batch = runVelrin({"batch", "--format", "none", "--summary", "--quiet"}, pairs);
  EXPECT_EQ(batch.status, 0);
  EXPECT_EQ(batch.out, "");
  EXPECT_EQ(batch.err, run.err);

  // A resumed scan's summary counts the records it found in its file too.
  for (const std::string format : {"jsonl", "csv", "text"}) {
    SCOPED_TRACE(format);
    const std::vector<std::string> args = plus(kBox, {"--format", format, "--summary"});
    const CliRun fresh = runVelrin(args);
    TempDir dir;
    writeWhole(dir / "records", fresh.out.substr(0, fresh.out.size() * 2 / 3));
    const CliRun resumed = runVelrin(plus(args, {"--output", (dir / "records").string()}));
    EXPECT_EQ(resumed.err, fresh.err);
    EXPECT_TRUE(readWhole(dir / "records") == fresh.out);
  }
}

// Runs a scan with stderr on a terminal (stdout to /dev/null) and returns
// what the terminal showed; with interrupt, sends SIGINT once the meter
// is drawn, as Ctrl-C does.
std::string terminalShows(const std::vector<std::string>& args, bool interrupt = false) {
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, STDOUT_FILENO);
    std::vector<std::string> copies = args;
    std::vector<char*> argv = {const_cast<char*>(VELRIN_BINARY)};
    for (std::string& arg : copies) argv.push_back(arg.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  std::string seen;
  char buffer[4096];
  for (ssize_t got; (got = ::read(master, buffer, sizeof buffer)) > 0;) {
    seen.append(buffer, static_cast<size_t>(got));
    if (interrupt && seen.find(" left") != std::string::npos) {
      ::kill(pid, SIGINT);
      interrupt = false;
    }
  }
  ::close(master);
  ::waitpid(pid, nullptr, 0);
  return seen;
}

TEST(Scan, ProgressGoesToATerminalUnlessQuiet) {
  // Long enough (about a second) for the meter, drawn every quarter
  // second: curves with A near 2^31 are analysed one by one, at a few
  // thousand a second, whatever the row sieve does for small ones.
  const std::vector<std::string> args = {
      "scan", "--a", "2147483000:2147483001", "--b", "1:1500", "--format", "csv", "--threads", "1"};
  const std::string shown = terminalShows(args);
  EXPECT_NE(shown.find(" of 3000 curves"), std::string::npos) << shown;
  EXPECT_NE(shown.find(" left"), std::string::npos);
  EXPECT_EQ(terminalShows(plus(args, {"--quiet"})), "");

  // Ctrl-C leaves the terminal on a fresh line (the pty turns \n into \r\n).
  const std::string stopped =
      terminalShows({"scan", "--a", "-30000:30000", "--b", "1:5000", "--threads", "1"}, true);
  EXPECT_TRUE(stopped.ends_with("\r\n")) << stopped;

  // A resumed scan counts the 6000 - 1500 curves still to come and says how
  // many records were already there. The first row of A is the first part
  // of the box, and the rest lasts long enough for the meter, as above.
  TempDir dir;
  const std::string grown = (dir / "grown.csv").string();
  ASSERT_EQ(runVelrin({"scan", "--a", "2147483000", "--b", "1:1500", "--format", "csv", "--output",
                       grown})
                .status,
            0);
  const std::string resumed =
      terminalShows({"scan", "--a", "2147483000:2147483003", "--b", "1:1500", "--format", "csv",
                     "--threads", "1", "--output", grown});
  EXPECT_NE(resumed.find(" of 4500 curves"), std::string::npos) << resumed;
  EXPECT_NE(resumed.find("; 1500 records were already there"), std::string::npos) << resumed;

  // A batch from a file counts its lines against the file's total.
  std::string pairs;
  for (int a = -300; a <= 300; ++a) {
    for (int b = 1; b <= 500; ++b) pairs += std::to_string(a) + " " + std::to_string(b) + "\n";
  }
  writeWhole(dir / "pairs.txt", pairs + "# the end, without a newline");
  const std::string batch =
      terminalShows({"batch", "--format", "csv", "--threads", "1", (dir / "pairs.txt").string()});
  EXPECT_NE(batch.find(" of 300501 lines"), std::string::npos) << batch;
  EXPECT_NE(batch.find(" left"), std::string::npos) << batch;
}

// --distinct against gp's count of isomorphism classes
// (tests/oracle/distinct_classes.gp: equal reduced minimal models, nothing
// assumed of the form), and the singular pairs against their three classes:
// (0, 0), y^2 + dxy = x^3 and the nodal (3t, t^3).
TEST(Scan, DistinctWritesTheFirstPairOfEachIsomorphismClass) {
  if (std::system("command -v gp > /dev/null 2>&1") != 0) {
    GTEST_SKIP() << "gp is not on PATH; tools/install_deps.sh installs it";
  }
  struct Case {
    const char* what;
    int64_t aMin, aMax, bMin, bMax;
  };
  const std::vector<Case> cases = {
      {"symmetric, with (0, 0), B = 0 and nodal pairs", -12, 12, -60, 60},
      {"A = 0: B and d^3 B", 0, 0, -3000, 3000},
      {"one quadrant: scalings alone", -40, -2, -500, -1},
      {"B > 0, A of both signs", -6, 9, 1, 1000},
      {"(-A, -B) in the box, the first comes later in B", -5, 5, -8, 3},
      {"the corner of the 32-bit range", -2147483648, -2147483640, -2147483648, -2147483548},
      {"the other corner", 2147483640, 2147483647, 2147483547, 2147483647},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string a = std::to_string(c.aMin) + ":" + std::to_string(c.aMax);
    const std::string b = std::to_string(c.bMin) + ":" + std::to_string(c.bMax);
    TempDir dir;
    writeWhole(dir / "classes.gp", "read(\"" + std::string(VELRIN_SOURCE_DIR) +
                                       "/tests/oracle/distinct_classes.gp\");\ndistinctFirsts(" +
                                       std::to_string(c.aMin) + "," + std::to_string(c.aMax) + "," +
                                       std::to_string(c.bMin) + "," + std::to_string(c.bMax) +
                                       ");\nquit;\n");
    const std::string command = "gp -q -f " + (dir / "classes.gp").string() + " < /dev/null > " +
                                (dir / "classes.txt").string() + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << readWhole(dir / "classes.txt");
    const std::vector<std::string> expected = linesOf(readWhole(dir / "classes.txt"));

    // The singular pairs' classes, first met in scan order; x^3 in 128
    // bits, as |x| reaches 2^31.
    const auto cube = [](int64_t x) { return static_cast<__int128_t>(x) * x * x; };
    std::vector<std::string> expectedSingular;
    std::vector<int> singularSeen;
    for (int64_t x = c.aMin; x <= c.aMax; ++x) {
      for (int64_t y = c.bMin; y <= c.bMax; ++y) {
        const int family = x == 0 && y == 0 ? 0 : y == 0 ? 1 : cube(x) == 27 * y ? 2 : -1;
        if (family < 0 || std::count(singularSeen.begin(), singularSeen.end(), family) != 0) {
          continue;
        }
        singularSeen.push_back(family);
        expectedSingular.push_back(std::to_string(x) + " " + std::to_string(y));
      }
    }

    const std::vector<std::string> args = {"scan",    "--a",      a,       "--b",       b,
                                           "--quiet", "--format", "jsonl", "--distinct"};
    const CliRun run = runVelrin(plus(args, {"--summary-json", (dir / "summary.json").string()}));
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> curves;
    std::vector<std::string> singular;
    for (const std::string& line : linesOf(run.out)) {
      const json record = json::parse(line);
      const std::string pair = record["a"].dump() + " " + record["b"].dump();
      (record["status"] == "singular" ? singular : curves).push_back(pair);
    }
    EXPECT_EQ(curves, expected);
    EXPECT_EQ(singular, expectedSingular);
    const json summary = json::parse(readWhole(dir / "summary.json"));
    EXPECT_EQ(summary["curves"], expected.size() + expectedSingular.size());

    // Threads and shards decide nothing: each pair is tested alone.
    std::string joined;
    for (const std::string shard : {"1/3", "2/3", "3/3"}) {
      joined += runVelrin(plus(args, {"--shard", shard, "--threads", "3"})).out;
    }
    EXPECT_EQ(joined, run.out);
  }
}

// A resumed --distinct scan goes on after the pairs its file covers, though
// the file holds fewer records than that.
TEST(Scan, DistinctResumesAfterATornWrite) {
  for (const std::string format : {"jsonl", "csv"}) {
    SCOPED_TRACE(format);
    const std::vector<std::string> args = plus(kBox, {"--format", format, "--distinct"});
    const std::string whole = runVelrin(args).out;
    ASSERT_LT(linesOf(whole).size(),
              linesOf(runVelrin(plus(kBox, {"--format", format})).out).size());
    for (const size_t cut : {size_t{0}, size_t{7}, whole.size() / 3, whole.size() / 2,
                             whole.find('\n', whole.size() / 2) + 1, whole.size() - 1}) {
      expectResumeCompletes(args, whole, cut);
    }
  }
}

TEST(Scan, DefaultThreadsFollowTheCpuAffinity) {
  // taskset -c 0: one core allowed, whatever the machine has.
  TempDir dir;
  const std::string command = "taskset -c 0 " + std::string(VELRIN_BINARY) + " batch --help > " +
                              (dir / "help").string() + " 2>&1";
  if (std::system("taskset -c 0 true >/dev/null 2>&1") != 0) GTEST_SKIP() << "no taskset";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_NE(readWhole(dir / "help").find("(default: 1, the cores this process may run on)"),
            std::string::npos)
      << readWhole(dir / "help");
}

}  // namespace
}  // namespace velrin::cli_test
