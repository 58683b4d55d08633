#include "cli/parsed_command.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/pair_line.hpp"
#include "cli/scan_box.hpp"
#include "descent/rank_search.hpp"

#ifndef VELRIN_VERSION
#error "VELRIN_VERSION must be defined by the build (the CMake project version)"
#endif

namespace velrin::cli {

namespace {

// CLI11 checks the text of --format against these; this turns it into the
// value.
Format formatOf(const std::string& text) {
  if (text == "json" || text == "jsonl") return Format::kJsonLines;
  if (text == "csv") return Format::kCsv;
  if (text == "none") return Format::kNone;
  return Format::kText;
}

// Ends every command's --help.
constexpr const char* kHelpFooter =
    "--classic (before or after the command) follows the original program's rules. The manual "
    "page velrin(1) (man velrin, or man -l doc/velrin.1) describes every command, field and "
    "status.";

const std::string kIntegerRange = "an integer from -2147483648 to 2147483647";

// The options of every command, as CLI11 fills them in; checked and
// turned into one Command after the parse.
struct Settings {
  bool classic = false;
  bool rank = false;
  int32_t height = kDefaultSearchHeight;
  bool secondDescent = false;
  std::string format = "text";
  RunOptions run;
  std::string threads;
  std::vector<CLI::Option*> threadsOptions;
  std::string a;
  std::string b;
  std::string curve;
  BatchOptions batch;
  std::string batchShard = "1/1";
  CLI::Option* batchOutput = nullptr;
  ScanOptions scan;
  std::string aRange;
  std::string bRange;
  std::string scanShard = "1/1";
  CLI::Option* scanOutput = nullptr;
  SummarizeOptions summarize;
};

// The commands and their options. The CLI11 application keeps pointers
// into settings, which outlives it.
void declare(CLI::App& app, Settings& s, CLI::App*& report, CLI::App*& batch, CLI::App*& scan,
             CLI::App*& summarize) {
  app.set_version_flag("--version", std::string("velrin ") + VELRIN_VERSION);
  app.require_subcommand(0, 1);
  app.add_flag("--classic", s.classic,
               "the original program's rules (the model as typed, primes up to 611951), for "
               "comparison with it")
      ->configurable(false);

  // Set before the commands are added, whose settings copy it: --classic
  // is accepted after the command too.
  app.fallthrough();

  // --rank and --height, on every command but the dialogue.
  const auto addRank = [&](CLI::App* command) {
    CLI::Option* flag =
        command->add_flag("--rank", s.rank,
                          "search the covering curves for points: the rank where it is proven, "
                          "else both bounds, with independent points");
    command
        ->add_option(
            "--height", s.height,
            "the search height of --rank (default " + std::to_string(kDefaultSearchHeight) + ")")
        ->check(CLI::Range(1, kMaxSearchHeight))
        ->needs(flag);
    command
        ->add_flag("--second-descent", s.secondDescent,
                   "with --rank, search the covers' 3-coverings where the rank is left open "
                   "(larger generators, at milliseconds to seconds a curve)")
        ->needs(flag);
  };
  const auto addFormat = [&](CLI::App* command) {
    command->add_option("--format", s.format, "text, json (same as jsonl), jsonl or csv")
        ->check(CLI::IsMember({"text", "json", "jsonl", "csv"}));
  };
  // Batch and scan may also write no records at all, for --summary alone.
  const auto addRunFormat = [&](CLI::App* command) {
    command
        ->add_option("--format", s.format,
                     "text, json (same as jsonl), jsonl, csv, or none (no records, with --summary)")
        ->check(CLI::IsMember({"text", "json", "jsonl", "csv", "none"}));
  };
  const auto addRunOptions = [&](CLI::App* command) {
    s.threadsOptions.push_back(command->add_option(
        "--threads", s.threads,
        "threads that analyse, 1 to 256 (default: " + std::to_string(s.run.threads) +
            ", the cores this process may run on); the output is the same"));
    s.threadsOptions.back()->type_name("N");
    command->add_flag("--summary", s.run.summary,
                      "a table of the results on standard error at the end");
    command->add_flag("--quiet", s.run.quiet, "no progress meter on standard error");
    command->add_option("--summary-json", s.run.summaryJson,
                        "write the summary as JSON to FILE at the end");
  };

  app.footer(kHelpFooter);
  report = app.add_subcommand("report", "the report of one curve, without prompts");
  report->add_option("A", s.a, "the coefficient A");
  report->add_option("B", s.b, "the coefficient B");
  report->add_option("--curve", s.curve,
                     "instead of A B, a curve with a rational point of order 3: "
                     "\"[a1,a2,a3,a4,a6]\" or a label of Cremona's tables such as 14a1");
  addFormat(report);
  addRank(report);
  report->footer(kHelpFooter);

  batch = app.add_subcommand(
      "batch",
      "one record per line \"A B\", \"A,B\", \"[A,B]\", \"[a1,a2,a3,a4,a6]\" or a label "
      "(14a1) of FILE or standard input");
  batch->footer(kHelpFooter);
  batch->add_option("FILE", s.batch.input, "the pairs, one a line (default: standard input)");
  addRunFormat(batch);
  addRunOptions(batch);
  addRank(batch);
  batch->add_option("--shard", s.batchShard,
                    "K/N: the lines L with (L - 1) mod N = K - 1; the N outputs merged by line "
                    "number make the whole");
  s.batchOutput = batch->add_option(
      "--output", s.batch.output,
      "write to FILE (.zst: compressed); run again on the same input after an interruption to "
      "continue where it stopped");

  scan = app.add_subcommand("scan", "the record of every pair of a box");
  scan->footer(kHelpFooter);
  scan->add_option("--a", s.aRange, "the range MIN:MAX of A")->required();
  scan->add_option("--b", s.bRange, "the range MIN:MAX of B")->required();
  addRunFormat(scan);
  addRunOptions(scan);
  addRank(scan);
  scan->add_option("--shard", s.scanShard,
                   "K/N: the K-th of N contiguous parts; the N outputs in order make the whole");
  s.scanOutput = scan->add_option(
      "--output", s.scan.output,
      "write to FILE (.zst: compressed); run again after an interruption to continue where it "
      "stopped");
  scan->add_flag("--distinct", s.scan.distinct,
                 "each curve once up to isomorphism: (A, B), (-A, -B) and (dA, d^3 B) are one "
                 "curve; the first pair of each met in scan order is written");

  summarize = app.add_subcommand(
      "summarize", "one summary of the records in FILEs (JSON lines or CSV, plain, .gz or .zst)");
  summarize->add_option("FILE", s.summarize.files, "record files, - for standard input")
      ->required();
  summarize->add_flag("--json", s.summarize.json, "the summary as JSON");
  summarize->footer(kHelpFooter);
}

ParsedCommand usage(std::string message) { return UsageError{std::move(message)}; }

ParsedCommand reportCommand(const Settings& s) {
  ReportCommand report;
  report.format = s.run.format;
  report.rules = s.run.rules;
  report.rankHeight = s.run.rankHeight;
  report.secondDescent = s.run.secondDescent;
  if (!s.curve.empty()) {
    if (!s.a.empty()) return usage("report takes A B or --curve, not both");
    std::string_view reason;
    if (!parseCurveArgument(s.curve, report.curveKind, report.model, reason)) {
      return usage("--curve: " + std::string(reason) + ", not \"" + s.curve + "\"");
    }
    report.curve = s.curve;
    return Command{std::move(report)};
  }
  if (s.a.empty()) return usage("A is required (or --curve)");
  if (s.b.empty()) return usage("B is required");
  const std::optional<int32_t> a = parseInteger32(s.a);
  const std::optional<int32_t> b = parseInteger32(s.b);
  if (!a) return usage("A must be " + kIntegerRange + ", not \"" + s.a + "\"");
  if (!b) return usage("B must be " + kIntegerRange + ", not \"" + s.b + "\"");
  report.a = *a;
  report.b = *b;
  return Command{std::move(report)};
}

ParsedCommand batchCommand(Settings& s) {
  if (s.batchOutput->count() != 0 && s.batch.output.empty()) {
    return usage("--output needs the name of a file");
  }
  if (s.run.format == Format::kNone && !s.batch.output.empty()) {
    return usage("--format none writes no records, so --output has nothing to hold");
  }
  const std::optional<Shard> shard = parseShard(s.batchShard);
  if (!shard) return usage("--shard must be K/N with 1 <= K <= N: " + s.batchShard);
  s.batch.shard = *shard;
  s.batch.run = s.run;
  return Command{std::move(s.batch)};
}

ParsedCommand scanCommand(Settings& s) {
  if (s.scanOutput->count() != 0 && s.scan.output.empty()) {
    return usage("--output needs the name of a file");
  }
  const std::optional<Interval> a = parseInterval(s.aRange);
  const std::optional<Interval> b = parseInterval(s.bRange);
  const std::optional<Shard> shard = parseShard(s.scanShard);
  if (!a) return usage("--a must be MIN:MAX with 32-bit integers MIN <= MAX: " + s.aRange);
  if (!b) return usage("--b must be MIN:MAX with 32-bit integers MIN <= MAX: " + s.bRange);
  if (!shard) return usage("--shard must be K/N with 1 <= K <= N: " + s.scanShard);
  if (s.run.format == Format::kNone && !s.scan.output.empty()) {
    return usage("--format none writes no records, so --output has nothing to hold");
  }
  s.scan.a = *a;
  s.scan.b = *b;
  s.scan.shard = *shard;
  s.scan.run = s.run;
  return Command{std::move(s.scan)};
}

}  // namespace

ParsedCommand parseCommandLine(int argc, const char* const* argv, int defaultThreads) {
  CLI::App app(
      "velrin: 3-isogeny descent on the elliptic curves y^2 + Axy + By = x^3 over Q.\n"
      "With no command, the interactive dialogue on standard input.",
      "velrin");
  Settings s;
  s.run.threads = defaultThreads;
  CLI::App* report = nullptr;
  CLI::App* batch = nullptr;
  CLI::App* scan = nullptr;
  CLI::App* summarize = nullptr;
  declare(app, s, report, batch, scan, summarize);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // --help and --version are the parse errors with status 0: CLI11 writes
    // their text, which the caller prints.
    std::ostringstream out;
    std::ostringstream err;
    if (app.exit(e, out, err) == 0) return Command{PrintCommand{out.str()}};
    return usage(e.what());
  }
  const bool threadsGiven = std::any_of(s.threadsOptions.begin(), s.threadsOptions.end(),
                                        [](const CLI::Option* option) { return option->count(); });
  if (threadsGiven) {
    const std::optional<int32_t> threads = parseInteger32(s.threads);
    if (!threads || *threads < 1 || *threads > kMaxThreads) {
      return usage("--threads must be a whole number from 1 to " + std::to_string(kMaxThreads) +
                   ", not \"" + s.threads + "\"");
    }
    s.run.threads = *threads;
  }
  s.run.rules = s.classic ? Rules::kClassic : Rules::kTrue;
  s.run.format = formatOf(s.format);
  if (s.rank && s.classic)
    return usage("--rank follows the true rules; it cannot go with --classic");
  s.run.rankHeight = s.rank ? s.height : 0;
  s.run.secondDescent = s.rank && s.secondDescent;

  if (*report) return reportCommand(s);
  if (s.run.format == Format::kNone && !s.run.summary) {
    return usage("--format none writes no records: give --summary for the table");
  }
  if (*summarize) return Command{std::move(s.summarize)};
  if (*batch) return batchCommand(s);
  if (*scan) return scanCommand(s);
  return Command{DialogueCommand{s.run.rules}};
}

}  // namespace velrin::cli
