// The command line through the built program: usage errors, --help and
// --version, the report of one curve against the golden transcripts, and a
// batch with bad lines.
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>

#include <string>
#include <vector>

#include "cli/cli_run.hpp"
#include "cli/parsed_command.hpp"
#include "descent/rank_search.hpp"

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
      {"report", "--curve", "[1,2]"},
      {"report", "--curve", "14a"},
      {"report", "--curve", "[1,0,1,4,x]"},
      {"report", "1", "2", "--curve", "14a1"},
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
      {"scan", "--a", "1:2", "--b", "1:2", "--output", ""},
      {"report", "1.5", "2"},
      {"report", "++1", "2"},
      {"batch", "--threads", "1.5"},
      {"batch", "--threads", "257"},
      {"scan", "--a", "1", "--b", "1", "--threads", "x"},
      // An input that cannot be read at all: nothing written, not even the
      // CSV header.
      {"batch", "--format", "csv", "/"},
      {"batch", "--format", "jsonl", "/"},
      // --format none writes nothing: only for a summary, never to a file.
      {"scan", "--a", "1:2", "--b", "1:2", "--format", "none"},
      {"scan", "--a", "1:2", "--b", "1:2", "--format", "none", "--summary", "--output", "f"},
      {"batch", "--format", "none"},
      {"batch", "--format", "none", "--summary", "--output", "f"},
      {"report", "1", "2", "--format", "none"},
      {"batch", "--shard", "0/3"},
      {"batch", "--shard", "3"},
      {"batch", "--output", ""},
      {"batch", "--output", "/nonexistent/dir/out"},
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

TEST(CommandLine, UsageErrorsSayWhatIsExpected) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"batch", "--threads", "1.5"},
       "velrin: --threads must be a whole number from 1 to 256, "
       "not \"1.5\"\nRun with --help for more information.\n"},
      {{"scan", "--a", "1", "--b", "1", "--output", ""},
       "velrin: --output needs the name of a file\nRun with --help for more information.\n"},
      {{"batch", "/"}, "velrin: cannot read /: Is a directory\n"},
      // Bytes that are not printable are quoted as \xHH, a backslash as \\.
      {{"report", "\x1b]0;title\x07", "1"},
       "velrin: A must be an integer from -2147483648 to 2147483647, not "
       "\"\\x1b]0;title\\x07\"\nRun with --help for more information.\n"},
      {{"report", "1", "\\\xff"},
       "velrin: B must be an integer from -2147483648 to 2147483647, not "
       "\"\\\\\\xff\"\nRun with --help for more information.\n"},
      // A file's name too, in every command's messages.
      {{"summarize", "/nonexistent/\x1b[2J"},
       "velrin: cannot open /nonexistent/\\x1b[2J: No such file or directory\n"},
      {{"bogus\x1b[2J"},
       "velrin: The following argument was not expected: bogus\\x1b[2J\n"
       "Run with --help for more information.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const CliRun run = runVelrin(c.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, c.err);
  }
}

// The parse alone, without a process: each command line gives one value,
// the command with its options checked, or the usage error.
TEST(CommandLine, ParsesIntoOneValuePerCommandOrOneError) {
  using cli::Command;
  using cli::ParsedCommand;
  const auto parse = [](std::vector<std::string> args) {
    args.insert(args.begin(), "velrin");
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    return cli::parseCommandLine(static_cast<int>(argv.size()), argv.data(), 7);
  };
  const auto command = [](const ParsedCommand& parsed) -> const Command* {
    return std::get_if<Command>(&parsed);
  };
  struct ErrorCase {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<ErrorCase> errors = {
      {{"report", "1", "2", "--classic", "--rank"},
       "--rank follows the true rules; it cannot go with --classic"},
      {{"report", "1"}, "B is required"},
      {{"report", "--curve", "14a1", "1"}, "report takes A B or --curve, not both"},
      {{"batch", "--threads", "0", "--classic", "--rank"},
       "--threads must be a whole number from 1 to 256, not \"0\""},
      {{"scan", "--a", "1:2", "--b", "2:1"},
       "--b must be MIN:MAX with 32-bit integers MIN <= MAX: 2:1"},
      {{"scan", "--a", "1:2", "--b", "1:2", "--format", "none"},
       "--format none writes no records: give --summary for the table"},
      {{"batch", "--shard", "2/1"}, "--shard must be K/N with 1 <= K <= N: 2/1"},
      {{"--height", "5"}, "The following arguments were not expected: 5 --height"},
  };
  for (const ErrorCase& c : errors) {
    SCOPED_TRACE(c.args[0] + " " + c.message);
    const ParsedCommand parsed = parse(c.args);
    const cli::UsageError* error = std::get_if<cli::UsageError>(&parsed);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->message, c.message);
  }

  // --classic before or after the command; json and jsonl are one format.
  ParsedCommand parsed = parse({"report", "-7", "+12", "--classic", "--format", "json"});
  ASSERT_NE(command(parsed), nullptr);
  const auto* report = std::get_if<cli::ReportCommand>(command(parsed));
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(report->a, -7);
  EXPECT_EQ(report->b, 12);
  EXPECT_EQ(report->rules, Rules::kClassic);
  EXPECT_EQ(report->format, Format::kJsonLines);
  EXPECT_EQ(report->rankHeight, 0);

  parsed = parse({"report", "--curve", "[0,0,1,0,0]", "--rank", "--height", "12"});
  ASSERT_NE(command(parsed), nullptr);
  report = std::get_if<cli::ReportCommand>(command(parsed));
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(report->curve, "[0,0,1,0,0]");
  EXPECT_EQ(report->curveKind, cli::CurveInputKind::kModel);
  EXPECT_EQ(report->rankHeight, 12);

  // The threads default is the caller's; the box, shard and options are
  // values.
  parsed = parse({"--classic", "scan", "--a", "-3:4", "--b", "1:9", "--shard", "2/5", "--distinct",
                  "--format", "none", "--summary"});
  ASSERT_NE(command(parsed), nullptr);
  const auto* scan = std::get_if<cli::ScanOptions>(command(parsed));
  ASSERT_NE(scan, nullptr);
  EXPECT_EQ(scan->a.min, -3);
  EXPECT_EQ(scan->a.max, 4);
  EXPECT_EQ(scan->b.max, 9);
  EXPECT_EQ(scan->shard.index, 2);
  EXPECT_EQ(scan->shard.count, 5);
  EXPECT_TRUE(scan->distinct);
  EXPECT_EQ(scan->run.threads, 7);
  EXPECT_EQ(scan->run.format, Format::kNone);
  EXPECT_EQ(scan->run.rules, Rules::kClassic);

  parsed = parse({"batch", "pairs.txt", "--threads", "3", "--format", "csv", "--rank"});
  ASSERT_NE(command(parsed), nullptr);
  const auto* batch = std::get_if<cli::BatchOptions>(command(parsed));
  ASSERT_NE(batch, nullptr);
  EXPECT_EQ(batch->input, "pairs.txt");
  EXPECT_EQ(batch->run.threads, 3);
  EXPECT_EQ(batch->run.format, Format::kCsv);
  EXPECT_EQ(batch->run.rankHeight, kDefaultSearchHeight);

  parsed = parse({});
  ASSERT_NE(command(parsed), nullptr);
  EXPECT_NE(std::get_if<cli::DialogueCommand>(command(parsed)), nullptr);
  parsed = parse({"--version"});
  ASSERT_NE(command(parsed), nullptr);
  const auto* print = std::get_if<cli::PrintCommand>(command(parsed));
  ASSERT_NE(print, nullptr);
  EXPECT_TRUE(print->text.starts_with("velrin ") && print->text.ends_with("\n")) << print->text;
}

// Integers have one grammar everywhere: an optional sign, + or -, and
// decimal digits.
TEST(CommandLine, OneGrammarOfIntegersEverywhere) {
  const std::string plain = runVelrin({"report", "5", "3"}).out;
  EXPECT_EQ(runVelrin({"report", "+5", "+3"}).out, plain);
  EXPECT_EQ(runVelrin({"report", "+05", "003"}).out, plain);
  const CliRun batch = runVelrin({"batch"}, "+5 +3\n");
  EXPECT_EQ(batch.status, 0);
  EXPECT_EQ(batch.out, plain);
  const std::vector<std::string> box = {"scan", "--a", "4:5", "--b", "-1:3", "--format", "jsonl"};
  const CliRun signs =
      runVelrin({"scan", "--a", "+4:+5", "--b", "-1:+3", "--format", "jsonl", "--threads", "+2"});
  EXPECT_EQ(signs.status, 0);
  EXPECT_EQ(signs.out, runVelrin(box).out);
}

// Every command whose output cannot be written says so and exits with 1,
// the dialogue, --help and --version included.
TEST(CommandLine, AFailedWriteExitsWithOne) {
  struct Case {
    std::vector<std::string> args;
    std::string input;
  };
  const std::vector<Case> cases = {
      {{}, "1\n2\ny\n"},
      {{}, ""},
      {{"--classic"}, "1\n2\nn\n0\n1\ny\n"},
      {{"--help"}, ""},
      {{"scan", "--help"}, ""},
      {{"--version"}, ""},
      {{"report", "1", "2"}, ""},
      {{"report", "1", "2", "--format", "csv"}, ""},
      {{"batch"}, "1 2\n"},
      {{"batch", "--format", "csv"}, ""},
      {{"scan", "--a", "1", "--b", "1:3", "--quiet"}, ""},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const std::string& arg : c.args) joined += arg + " ";
    SCOPED_TRACE(joined);
    TempDir dir;
    writeWhole(dir / "in", c.input);
    const CliRun run = runVelrinWith(c.args, {dir / "in", -1, "/dev/full"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.starts_with("velrin: cannot write")) << run.err;
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
      {{"scan", "--help"},
       {"--a", "--b", "--format", "--threads", "--shard", "--output", "--classic", "velrin(1)"}},
      {{"batch", "-h"},
       {"FILE", "--format", "--threads", "--summary", "--quiet", "--shard", "--output", "--classic",
        "velrin(1)"}},
      {{"report", "--help"}, {"A", "B", "--curve", "--format", "--classic", "velrin(1)"}},
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
  // Primes above 2^81.5 that the PARI library proves, on two threads: in
  // the sanitizer build, LeakSanitizer finds nothing left of PARI's set-up.
  const CliRun wide = runVelrin({"batch", "--threads", "2"}, "2147483647 22\n2147483639 2\n");
  EXPECT_EQ(wide.status, 0);
  EXPECT_EQ(wide.err, "");
}

TEST(CommandLine, BatchReadsOnlyWholeLinesOfPrintableText) {
  const std::string plain = runVelrin({"batch", "--format", "jsonl"}, "1 2\n0 1\n").out;
  // CRLF line ends are line ends.
  const CliRun crlf = runVelrin({"batch", "--format", "jsonl"}, "1 2\r\n0 1\r\n");
  EXPECT_EQ(crlf.status, 0);
  EXPECT_EQ(crlf.out, plain);
  EXPECT_EQ(crlf.err, "");

  // Other control characters are refused, never read as blanks, and every
  // byte of the line that is not printable is quoted as \xHH.
  struct Case {
    std::string input;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"5\r7\r", "\"5\\x0d7\": a control character in the line"},
      {"5\v7\n", "\"5\\x0b7\": a control character in the line"},
      {"5\f7\n", "\"5\\x0c7\": a control character in the line"},
      {"\x1b]0;title\x07 1 2\n", "\"\\x1b]0;title\\x07 1 2\": a control character in the line"},
      {std::string("1\0 2\n", 5), "\"1\\x00 2\": a control character in the line"},
      {"1 \xff\xfe\n", "\"1 \\xff\\xfe\": B is not an integer"},
      {"1 \\2\n", "\"1 \\\\2\": B is not an integer"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const CliRun run = runVelrin({"batch"}, c.input);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "velrin: standard input:1: cannot read " + c.message + "\n");
    // The text record, for a terminal too, quotes the line the same way.
    EXPECT_EQ(run.out, "\nline 1: cannot read " + c.message + "\n\n");
  }
}

// Standard input from a pseudo-terminal whose other end is closed: its
// bytes, then a read error (EIO). The line that the error cut off is not
// read, and an input that fails before any line is an unusable one.
TEST(CommandLine, BatchReadsNoLineThatAReadErrorCutOff) {
  struct Case {
    std::string bytes;
    std::string format;
    int status;
    std::string out;  // the records before the error
  };
  const std::string first = runVelrin({"batch", "--format", "jsonl"}, "1 2\n").out;
  const std::string csvFirst = runVelrin({"batch", "--format", "csv"}, "1 2\n").out;
  const std::vector<Case> cases = {
      {"1 2\n12345 678", "jsonl", 1, first},
      {"1 2\n12345 67", "jsonl", 1, first},
      {"1 2\n12345 678", "csv", 1, csvFirst},
      {"12345 678", "csv", 2, ""},
      {"", "csv", 2, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes + " " + c.format);
    int master = -1;
    int slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    ASSERT_EQ(::write(slave, c.bytes.data(), c.bytes.size()), static_cast<ssize_t>(c.bytes.size()));
    ::close(slave);
    const CliRun run = runVelrinWith({"batch", "--format", c.format}, {"", master, ""});
    ::close(master);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, "velrin: cannot read standard input: Input/output error\n");
  }
}

// velrin report --curve: the report of the pair (A, B) that the curve
// moves to (make_curve_fixture.gp: 14a1 is (5, 7), 19a1 is (8, 19), 27a3 is
// (0, 1)); a curve that cannot be moved there exits with 1 and says why.
TEST(CommandLine, ReportTakesACurveByModelOrLabel) {
  struct Case {
    std::string curve;
    std::string a, b;
    std::string firstLine;
  };
  const std::vector<Case> cases = {
      {"14a1", "5", "7", "The curve 14a1 [1,0,1,4,-6] is (A, B) = (5, 7) by [u,r,s,t] = [1,2,2,2]"},
      {"[0,1,1,-9,-15]", "8", "19",
       "The curve [0,1,1,-9,-15] is (A, B) = (8, 19) by [u,r,s,t] = [1,5,4,9]"},
      {"27a3", "0", "1", "The curve 27a3 [0,0,1,0,0] is (A, B) = (0, 1) by [u,r,s,t] = [1,0,0,0]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.curve);
    const CliRun run = runVelrin({"report", "--curve", c.curve});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "\n" + c.firstLine + "\n" + runVelrin({"report", c.a, c.b}).out);
  }
  struct Refusal {
    std::string curve;
    std::string status;
    std::string message;
  };
  const std::vector<Refusal> refusals = {
      {"11a1", "no_3_torsion", "the curve has no rational point of order 3"},
      {"[1,2,3,4,5]", "no_3_torsion", "the curve has no rational point of order 3"},
      {"[0,0,0,0,0]", "singular_model", "the model is singular (discriminant 0)"},
      {"[1,0,0,0,0]", "singular_model", "the model is singular (discriminant 0)"},
      // y^2 + (2^40 + 1)xy + y = x^3 is minimal: its A needs 41 bits.
      {"[1099511627777,0,1,0,0]", "beyond_32_bits", "A or B lies outside the signed 32-bit range"},
      {"11a9", "unknown_label", "no curve of Cremona's tables has this label"},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.curve);
    const CliRun text = runVelrin({"report", "--curve", r.curve});
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(text.out, "");
    EXPECT_EQ(text.err, "velrin: " + r.curve + ": " + r.message + "\n");
    const CliRun record = runVelrin({"report", "--curve", r.curve, "--format", "json"});
    EXPECT_EQ(record.status, 1);
    EXPECT_NE(record.out.find("\"status\":\"" + r.status + "\""), std::string::npos) << record.out;
  }
  // Without Cremona's tables a label cannot be read; the library looks for
  // them where GP_DATA_DIR says.
  ::setenv("GP_DATA_DIR", "/nonexistent", 1);
  const CliRun missing = runVelrin({"report", "--curve", "14a1"});
  ::unsetenv("GP_DATA_DIR");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err,
            "velrin: 14a1: Cremona's tables are not installed (Debian: pari-elldata)\n");
}

}  // namespace
}  // namespace velrin::cli_test
