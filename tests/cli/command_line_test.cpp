// The command line through the built program: usage errors, --help and
// --version, the report of one curve against the golden transcripts, and a
// batch with bad lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_run.hpp"

namespace velrin::cli_test {
namespace {

TEST(CommandLine, UsageErrorsExitWithStatusTwoAndSayWhy) {
  const std::vector<std::vector<std::string>> cases = {
      {"bogus"},
      {"--format", "json"},  // an option of the commands, not of the dialogue
      {"report"},
      {"report", "1"},
      {"report", "1", "2", "3"},
      {"report", "1", "x"},
      {"report", "2147483648", "1"},
      {"report", "1", "2", "--format", "xml"},
      {"batch", "--threads", "0"},
      {"batch", "/nonexistent/pairs.txt"},
      {"scan", "--a", "1:2"},
      {"scan", "--a", "2:1", "--b", "1:2"},
      {"scan", "--a", "1:x", "--b", "1:2"},
      {"scan", "--a", "1:2", "--b", "1:2147483648"},
      {"scan", "--a", "1:2", "--b", "1:2", "--shard", "0/3"},
      {"scan", "--a", "1:2", "--b", "1:2", "--shard", "4/3"},
      {"scan", "--a", "1:2", "--b", "1:2", "--shard", "1-3"},
      {"scan", "--a", "1:2", "--b", "1:2", "--output", "/nonexistent/dir/out"},
      {"scan", "--a", "-2147483648:2147483647", "--b", "-2147483648:2147483647"},
  };
  for (const std::vector<std::string>& args : cases) {
    std::string joined;
    for (const std::string& arg : args) joined += arg + " ";
    SCOPED_TRACE(joined);
    const CliRun run = runVelrin(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.err.starts_with("velrin: ")) << run.err;
  }
}

TEST(CommandLine, HelpAndVersionExitAtOnceWithoutReadingInput) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> inOrder;  // what the output shows, in this order
  };
  const std::vector<Case> cases = {
      {{"--version"}, {"velrin "}},
      {{"--help"}, {"Usage: velrin", "--classic", "report", "batch", "scan"}},
      {{"scan", "--help"}, {"--a", "--b", "--format", "--threads", "--shard", "--output"}},
      {{"batch", "-h"}, {"FILE", "--format", "--threads", "--summary", "--quiet"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    TempDir dir;
    int held = -1;  // the write end of the program's standard input, kept open
    const pid_t pid = startVelrin(c.args, "", dir / "out", dir / "err", &held);
    EXPECT_EQ(waitFor(pid, std::chrono::seconds(20)), 0);
    ::close(held);
    const std::string out = readWhole(dir / "out");
    size_t at = 0;
    for (const std::string& text : c.inOrder) {
      at = out.find(text, at);
      ASSERT_NE(at, std::string::npos) << text << " in\n" << out;
    }
  }
  // The version is the project's: "velrin 1.0" (digits and dots) and a newline.
  const std::string version = runVelrin({"--version"}).out;
  EXPECT_TRUE(version.starts_with("velrin ") && version.ends_with("\n")) << version;
  EXPECT_EQ(version.find_first_not_of("0123456789.", 7), version.size() - 1) << version;
  EXPECT_NE(version.find('.'), std::string::npos) << version;
}

// The reports of the golden sessions whose input is plain "A, B, answer"
// triples: `velrin report A B` (with --classic for the sessions below
// classic/) prints exactly the report that the session shows for that pair.
TEST(CommandLine, ReportPrintsTheDialoguesReport) {
  const std::vector<std::string> sessions = {"report_table",    "worked_pass",
                                             "too_large",       "no_bad_prime_in_table",
                                             "curves_in_a_row", "beyond_the_table"};
  for (const std::string folder : {"tests/golden/", "tests/golden/classic/"}) {
    const bool classic = folder.ends_with("classic/");
    for (const std::string& session : sessions) {
      SCOPED_TRACE(folder + session);
      const fs::path base = fs::path(VELRIN_SOURCE_DIR) / folder / session;
      const std::vector<std::string> input = linesOf(readWhole(base.string() + ".in"));
      const std::string transcript = readWhole(base.string() + ".out");
      size_t at = 0;
      for (size_t i = 0; i + 1 < input.size(); i += 3) {
        // Each report runs from just after "A=B=" to the quit question.
        const size_t begin = transcript.find("A=B=", at) + 4;
        const size_t end = transcript.find("Quit? (y/n) >", begin);
        ASSERT_NE(end, std::string::npos);
        at = end;
        std::vector<std::string> args = {"report", input[i], input[i + 1]};
        if (classic) args.insert(args.begin(), "--classic");
        const CliRun run = runVelrin(args);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, transcript.substr(begin, end - begin))
            << input[i] << " " << input[i + 1];
      }
    }
  }
}

TEST(CommandLine, BatchReportsEveryBadLineAndGoesOn) {
  const std::string input =
      "# coefficients\n"
      "1 2\n"
      "1 x\n"
      "\n"
      "2147483648 1\n"
      "5\n"
      "[0,1]\n"
      "1 2 3\n";
  struct Bad {
    int line;
    std::string text;
    std::string reason;
  };
  const std::vector<Bad> bad = {{3, "1 x", "B is not an integer"},
                                {5, "2147483648 1", "A lies outside the signed 32-bit range"},
                                {6, "5", "B is missing"},
                                {8, "1 2 3", "text after the pair"}};
  const CliRun run = runVelrin({"batch", "--format", "jsonl", "--threads", "2"}, input);
  EXPECT_EQ(run.status, 1);
  const std::vector<std::string> records = linesOf(run.out);
  const std::vector<std::string> messages = linesOf(run.err);
  ASSERT_EQ(records.size(), 6U);
  ASSERT_EQ(messages.size(), bad.size());
  EXPECT_TRUE(records[0].starts_with(R"({"a":1,"b":2,)"));
  EXPECT_TRUE(records[4].starts_with(R"({"a":0,"b":1,)"));
  const size_t recordOf[] = {1, 2, 3, 5};
  for (size_t i = 0; i < bad.size(); ++i) {
    SCOPED_TRACE(bad[i].text);
    EXPECT_EQ(records[recordOf[i]], R"({"rules":"true","status":"error","line":)" +
                                        std::to_string(bad[i].line) + R"(,"text":")" + bad[i].text +
                                        R"(","reason":")" + bad[i].reason + "\"}");
    EXPECT_EQ(messages[i], "velrin: standard input:" + std::to_string(bad[i].line) +
                               ": cannot read \"" + bad[i].text + "\": " + bad[i].reason);
  }
  // Good lines only: status 0, nothing on stderr.
  const CliRun good = runVelrin({"batch"}, "1 2\n[0,1]\n");
  EXPECT_EQ(good.status, 0);
  EXPECT_EQ(good.err, "");
}

}  // namespace
}  // namespace velrin::cli_test
