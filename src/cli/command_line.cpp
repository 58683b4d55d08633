#include "cli/command_line.hpp"

#include <sched.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli/batch.hpp"
#include "cli/curve_input.hpp"
#include "cli/message_text.hpp"
#include "cli/output_buffer.hpp"
#include "cli/pair_line.hpp"
#include "cli/records.hpp"
#include "cli/scan.hpp"
#include "cli/summarize.hpp"
#include "dialogue/dialogue.hpp"
#include "dialogue/text_report.hpp"

#ifndef VELRIN_VERSION
#error "VELRIN_VERSION must be defined by the build (the CMake project version)"
#endif

namespace velrin::cli {

namespace {

// Enough threads for any machine, few enough that the chunks in flight
// stay within a few MiB.
constexpr int kMaxThreads = 256;

// CLI11 checks the text of an option; these turn it into values.
bool parseFormat(const std::string& text, Format& format) {
  if (text == "text") {
    format = Format::kText;
  } else if (text == "json" || text == "jsonl") {
    format = Format::kJsonLines;
  } else if (text == "csv") {
    format = Format::kCsv;
  } else if (text == "none") {
    format = Format::kNone;
  } else {
    return false;
  }
  return true;
}

// The cores this process may run on (taskset, cgroups' cpusets, Slurm's
// binding), not all the machine's.
int defaultThreads() {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  unsigned cores = 0;
  if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0) {
    cores = static_cast<unsigned>(CPU_COUNT(&allowed));
  } else {
    cores = std::thread::hardware_concurrency();
  }
  if (cores == 0) return 1;
  return cores > static_cast<unsigned>(kMaxThreads) ? kMaxThreads : static_cast<int>(cores);
}

int usageError(const std::string& message) {
  std::fprintf(stderr, "velrin: %s\nRun with --help for more information.\n",
               printable(message).c_str());
  return 2;
}

// Standard output after a command that writes only there (the dialogue,
// --help, --version): a write that failed, even one long before, fails the
// run.
int outputStatus(int status) {
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  const int error = errno;
  if (flushed && std::ferror(stdout) == 0 && !std::cout.fail()) return status;
  std::fprintf(stderr, "velrin: cannot write to standard output%s%s\n", error != 0 ? ": " : "",
               error != 0 ? std::strerror(error) : "");
  return 1;
}

int runReport(int32_t a, int32_t b, Format format, Rules rules, int32_t rankHeight) {
  const CurveAnalysis analysis = analyzeCurve(a, b, rules);
  RankSearch search;
  const RankSearch* rank = nullptr;
  if (rankHeight != 0) {
    search = searchRank(analysis, rankHeight);
    rank = &search;
  }
  if (format == Format::kText) {
    writeTextReport(analysis, stdout, rank);
  } else {
    OutputBuffer out;
    if (format == Format::kCsv) {
      out.append(csvHeader(rank != nullptr));
      appendCsvRecord(analysis, 0, out, rank);
    } else {
      appendJsonRecord(analysis, 0, out, rank);
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
  }
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fputs("velrin: cannot write the report\n", stderr);
    return 1;
  }
  return 0;
}

// velrin report --curve: the curve moved to (A, B), then its report.
int runCurveReport(const std::string& text, Format format, Rules rules, int32_t rankHeight) {
  CurveInputKind kind = CurveInputKind::kModel;
  WeierstrassModel model{};
  std::string_view reason;
  if (!parseCurveArgument(text, kind, model, reason)) {
    return usageError("--curve: " + std::string(reason) + ", not \"" + text + "\"");
  }
  CremonaTables tables;
  const CurveInput input = resolveCurve(kind, model, text, tables);
  OutputBuffer out;
  if (format == Format::kCsv) out.append(csvHeader(rankHeight != 0));
  int status = 0;
  if (!input.converted) {
    std::fprintf(stderr, "velrin: %s: %.*s\n", text.c_str(), static_cast<int>(input.reason.size()),
                 input.reason.data());
    if (format == Format::kJsonLines) appendJsonCurveFailure(0, text, input, rules, out);
    if (format == Format::kCsv) {
      appendCsvCurveFailure(0, text, input, rules, out, rankHeight != 0);
    }
    status = 1;
  } else {
    RecordWriter writer(format);
    writer.setRankHeight(rankHeight);
    const CurveAnalysis analysis = analyzeCurve(input.a, input.b, rules);
    if (rankHeight != 0) {
      const RankSearch rank = searchRank(analysis, rankHeight);
      writer.curve(analysis, 0, &input.origin, out, &rank);
    } else {
      writer.curve(analysis, 0, &input.origin, out);
    }
  }
  // An empty buffer has no storage at all: nothing to pass to fwrite.
  if (out.size() != 0) std::fwrite(out.data(), 1, out.size(), stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fputs("velrin: cannot write the report\n", stderr);
    return 1;
  }
  return status;
}

// Ctrl-C on a terminal: the shell's prompt would follow the meter, or the
// dialogue's "A=", on the same line. A newline on standard error first,
// then the default action, so that the exit status still says SIGINT.
void endLineAndStop(int signal) {
  const char newline = '\n';
  (void)!::write(STDERR_FILENO, &newline, 1);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// Ends every command's --help.
constexpr const char* kHelpFooter =
    "--classic (before or after the command) follows the original program's rules. The manual "
    "page velrin(1) (man velrin, or man -l doc/velrin.1) describes every command, field and "
    "status.";

}  // namespace

int runCommandLine(int argc, const char* const* argv) {
  CLI::App app(
      "velrin: 3-isogeny descent on the elliptic curves y^2 + Axy + By = x^3 over Q.\n"
      "With no command, the interactive dialogue on standard input.",
      "velrin");
  app.set_version_flag("--version", std::string("velrin ") + VELRIN_VERSION);
  app.require_subcommand(0, 1);
  app.failure_message([](const CLI::App*, const CLI::Error& e) {
    return "velrin: " + printable(e.what()) + "\nRun with --help for more information.\n";
  });
  bool classic = false;
  app.add_flag("--classic", classic,
               "the original program's rules (the model as typed, primes up to 611951), for "
               "comparison with it")
      ->configurable(false);

  // Set before the commands are added, whose settings copy it: --classic
  // is accepted after the command too.
  app.fallthrough();

  // --rank and --height, on every command but the dialogue.
  bool rank = false;
  int32_t height = kDefaultSearchHeight;
  const auto addRank = [&](CLI::App* command) {
    CLI::Option* flag =
        command->add_flag("--rank", rank,
                          "search the covering curves for points: the rank where it is proven, "
                          "else both bounds, with independent points");
    command
        ->add_option(
            "--height", height,
            "the search height of --rank (default " + std::to_string(kDefaultSearchHeight) + ")")
        ->check(CLI::Range(1, kMaxSearchHeight))
        ->needs(flag);
  };

  std::string formatText = "text";
  const auto addFormat = [&](CLI::App* command) {
    command->add_option("--format", formatText, "text, json (same as jsonl), jsonl or csv")
        ->check(CLI::IsMember({"text", "json", "jsonl", "csv"}));
  };
  // Batch and scan may also write no records at all, for --summary alone.
  const auto addRunFormat = [&](CLI::App* command) {
    command
        ->add_option("--format", formatText,
                     "text, json (same as jsonl), jsonl, csv, or none (no records, with --summary)")
        ->check(CLI::IsMember({"text", "json", "jsonl", "csv", "none"}));
  };
  RunOptions run;
  run.threads = defaultThreads();
  std::string threadsText;
  std::vector<CLI::Option*> threadsOptions;
  const auto addRunOptions = [&](CLI::App* command) {
    threadsOptions.push_back(command->add_option(
        "--threads", threadsText,
        "threads that analyse, 1 to 256 (default: " + std::to_string(run.threads) +
            ", the cores this process may run on); the output is the same"));
    threadsOptions.back()->type_name("N");
    command->add_flag("--summary", run.summary,
                      "a table of the results on standard error at the end");
    command->add_flag("--quiet", run.quiet, "no progress meter on standard error");
    command->add_option("--summary-json", run.summaryJson,
                        "write the summary as JSON to FILE at the end");
  };

  app.footer(kHelpFooter);
  CLI::App* report = app.add_subcommand("report", "the report of one curve, without prompts");
  std::string aText;
  std::string bText;
  std::string curveText;
  report->add_option("A", aText, "the coefficient A");
  report->add_option("B", bText, "the coefficient B");
  report->add_option("--curve", curveText,
                     "instead of A B, a curve with a rational point of order 3: "
                     "\"[a1,a2,a3,a4,a6]\" or a label of Cremona's tables such as 14a1");
  addFormat(report);
  addRank(report);
  report->footer(kHelpFooter);

  CLI::App* batch = app.add_subcommand(
      "batch",
      "one record per line \"A B\", \"A,B\", \"[A,B]\", \"[a1,a2,a3,a4,a6]\" or a label "
      "(14a1) of FILE or standard input");
  batch->footer(kHelpFooter);
  BatchOptions batchOptions;
  batch->add_option("FILE", batchOptions.input, "the pairs, one a line (default: standard input)");
  addRunFormat(batch);
  addRunOptions(batch);
  addRank(batch);
  std::string batchShardText = "1/1";
  batch->add_option("--shard", batchShardText,
                    "K/N: the lines L with (L - 1) mod N = K - 1; the N outputs merged by line "
                    "number make the whole");
  CLI::Option* batchOutput = batch->add_option(
      "--output", batchOptions.output,
      "write to FILE (.zst: compressed); run again on the same input after an interruption to "
      "continue where it stopped");

  CLI::App* scan = app.add_subcommand("scan", "the record of every pair of a box");
  scan->footer(kHelpFooter);
  ScanOptions scanOptions;
  std::string aRange;
  std::string bRange;
  std::string shardText = "1/1";
  scan->add_option("--a", aRange, "the range MIN:MAX of A")->required();
  scan->add_option("--b", bRange, "the range MIN:MAX of B")->required();
  addRunFormat(scan);
  addRunOptions(scan);
  addRank(scan);
  scan->add_option("--shard", shardText,
                   "K/N: the K-th of N contiguous parts; the N outputs in order make the whole");
  CLI::Option* output = scan->add_option(
      "--output", scanOptions.output,
      "write to FILE (.zst: compressed); run again after an interruption to continue where it "
      "stopped");
  scan->add_flag("--distinct", scanOptions.distinct,
                 "each curve once up to isomorphism: (A, B), (-A, -B) and (dA, d^3 B) are one "
                 "curve; the first pair of each met in scan order is written");

  CLI::App* summarize = app.add_subcommand(
      "summarize", "one summary of the records in FILEs (JSON lines or CSV, plain, .gz or .zst)");
  SummarizeOptions summarizeOptions;
  summarize->add_option("FILE", summarizeOptions.files, "record files, - for standard input")
      ->required();
  summarize->add_flag("--json", summarizeOptions.json, "the summary as JSON");
  summarize->footer(kHelpFooter);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // --help and --version print to standard output and exit with 0.
    const int status = app.exit(e);
    return status == 0 ? outputStatus(0) : 2;
  }
  const bool threadsGiven = std::any_of(threadsOptions.begin(), threadsOptions.end(),
                                        [](const CLI::Option* option) { return option->count(); });
  if (threadsGiven) {
    const std::optional<int32_t> threads = parseInteger32(threadsText);
    if (!threads || *threads < 1 || *threads > kMaxThreads) {
      return usageError("--threads must be a whole number from 1 to " +
                        std::to_string(kMaxThreads) + ", not \"" + threadsText + "\"");
    }
    run.threads = *threads;
  }

  run.rules = classic ? Rules::kClassic : Rules::kTrue;
  if (::isatty(STDERR_FILENO) == 1) std::signal(SIGINT, endLineAndStop);
  parseFormat(formatText, run.format);
  if (rank && classic)
    return usageError("--rank follows the true rules; it cannot go with --classic");
  run.rankHeight = rank ? height : 0;

  if (*report) {
    if (!curveText.empty()) {
      if (!aText.empty()) return usageError("report takes A B or --curve, not both");
      return runCurveReport(curveText, run.format, run.rules, run.rankHeight);
    }
    if (aText.empty()) return usageError("A is required (or --curve)");
    if (bText.empty()) return usageError("B is required");
    const std::optional<int32_t> a = parseInteger32(aText);
    const std::optional<int32_t> b = parseInteger32(bText);
    if (!a) {
      return usageError("A must be an integer from -2147483648 to 2147483647, not \"" + aText +
                        "\"");
    }
    if (!b) {
      return usageError("B must be an integer from -2147483648 to 2147483647, not \"" + bText +
                        "\"");
    }
    return runReport(*a, *b, run.format, run.rules, run.rankHeight);
  }
  if (run.format == Format::kNone && !run.summary) {
    return usageError("--format none writes no records: give --summary for the table");
  }
  if (*summarize) return runSummarize(summarizeOptions);
  if (*batch) {
    if (batchOutput->count() != 0 && batchOptions.output.empty()) {
      return usageError("--output needs the name of a file");
    }
    if (run.format == Format::kNone && !batchOptions.output.empty()) {
      return usageError("--format none writes no records, so --output has nothing to hold");
    }
    const std::optional<Shard> shard = parseShard(batchShardText);
    if (!shard) return usageError("--shard must be K/N with 1 <= K <= N: " + batchShardText);
    batchOptions.shard = *shard;
    batchOptions.run = run;
    return runBatch(batchOptions);
  }
  if (*scan) {
    if (output->count() != 0 && scanOptions.output.empty()) {
      return usageError("--output needs the name of a file");
    }
    const std::optional<Interval> a = parseInterval(aRange);
    const std::optional<Interval> b = parseInterval(bRange);
    const std::optional<Shard> shard = parseShard(shardText);
    if (!a) return usageError("--a must be MIN:MAX with 32-bit integers MIN <= MAX: " + aRange);
    if (!b) return usageError("--b must be MIN:MAX with 32-bit integers MIN <= MAX: " + bRange);
    if (!shard) return usageError("--shard must be K/N with 1 <= K <= N: " + shardText);
    scanOptions.a = *a;
    scanOptions.b = *b;
    scanOptions.shard = *shard;
    scanOptions.run = run;
    if (run.format == Format::kNone && !scanOptions.output.empty()) {
      return usageError("--format none writes no records, so --output has nothing to hold");
    }
    return runScan(scanOptions);
  }
  LineReader in(STDIN_FILENO, stdout);
  return outputStatus(runDialogue(in, stdout, run.rules));
}

}  // namespace velrin::cli
