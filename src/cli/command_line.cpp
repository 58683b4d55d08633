#include "cli/command_line.hpp"

#include <sched.h>
#include <unistd.h>

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
#include "cli/parsed_command.hpp"
#include "cli/scan.hpp"
#include "cli/summarize.hpp"
#include "descent/workspace.hpp"
#include "dialogue/dialogue.hpp"
#include "render/message_text.hpp"
#include "render/output_buffer.hpp"
#include "render/records.hpp"
#include "render/text_report.hpp"

namespace velrin::cli {

namespace {

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

Outcome usageError(const std::string& message) {
  return stopped(2, printable(message) + "\nRun with --help for more information.");
}

// Standard output after a command that writes only there (the dialogue,
// --help, --version): a write that failed, even one long before, fails the
// run.
Outcome outputStatus(int status) {
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  const int error = errno;
  if (flushed && std::ferror(stdout) == 0 && !std::cout.fail()) return finished(status);
  return stopped(1, std::string("cannot write to standard output") + (error != 0 ? ": " : "") +
                        (error != 0 ? std::strerror(error) : ""));
}

Outcome runReport(int32_t a, int32_t b, Format format, Rules rules, int32_t rankHeight,
                  bool secondDescent) {
  const CurveAnalysis analysis = analyzeCurve(a, b, rules);
  RankSearch search;
  const RankSearch* rank = nullptr;
  if (rankHeight != 0) {
    search = searchRank(analysis, rankHeight, secondDescent);
    rank = &search;
  }
  OutputBuffer out;
  if (format == Format::kText) {
    writeTextReport(analysis, out, rank);
  } else if (format == Format::kCsv) {
    out.append(csvHeader(rank != nullptr));
    appendCsvRecord(analysis, 0, out, rank);
  } else {
    appendJsonRecord(analysis, 0, out, rank);
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    return stopped(1, "cannot write the report");
  }
  return finished(0);
}

// velrin report --curve: the curve moved to (A, B), then its report.
Outcome runCurveReport(const ReportCommand& report) {
  const std::string& text = report.curve;
  const Format format = report.format;
  const Rules rules = report.rules;
  const int32_t rankHeight = report.rankHeight;
  CremonaTables tables;
  const CurveInput input = resolveCurve(report.curveKind, report.model, text, tables);
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
      const RankSearch rank = searchRank(analysis, rankHeight, report.secondDescent);
      writer.curve(analysis, 0, &input.origin, out, &rank);
    } else {
      writer.curve(analysis, 0, &input.origin, out);
    }
  }
  // An empty buffer has no storage at all: nothing to pass to fwrite.
  if (out.size() != 0) std::fwrite(out.data(), 1, out.size(), stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    return stopped(1, "cannot write the report");
  }
  return finished(status);
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

// The commands that analyse curves.
Outcome analyse(const Command& command) {
  if (const ReportCommand* report = std::get_if<ReportCommand>(&command)) {
    if (!report->curve.empty()) return runCurveReport(*report);
    return runReport(report->a, report->b, report->format, report->rules, report->rankHeight,
                     report->secondDescent);
  }
  if (const BatchOptions* batch = std::get_if<BatchOptions>(&command)) return runBatch(*batch);
  if (const ScanOptions* scan = std::get_if<ScanOptions>(&command)) return runScan(*scan);
  LineReader in(STDIN_FILENO, stdout);
  return outputStatus(runDialogue(in, stdout, std::get<DialogueCommand>(command).rules));
}

// Everything a command line does, up to the outcome that runCommandLine
// prints.
Outcome run(int argc, const char* const* argv) {
  const ParsedCommand parsed = parseCommandLine(argc, argv, defaultThreads());
  if (const UsageError* error = std::get_if<UsageError>(&parsed)) return usageError(error->message);
  const Command& command = std::get<Command>(parsed);
  if (const PrintCommand* print = std::get_if<PrintCommand>(&command)) {
    std::fwrite(print->text.data(), 1, print->text.size(), stdout);
    return outputStatus(0);
  }
  if (::isatty(STDERR_FILENO) == 1) std::signal(SIGINT, endLineAndStop);
  if (const SummarizeOptions* summarize = std::get_if<SummarizeOptions>(&command)) {
    return runSummarize(*summarize);
  }
  // Every other command analyses: the process's state is set up here, on
  // the thread that outlives all others, before any curve.
  startAnalysis();
  const Outcome outcome = analyse(command);
  // Every worker has ended with its command.
  stopAnalysis();
  return outcome;
}

}  // namespace

int runCommandLine(int argc, const char* const* argv) {
  const Outcome outcome = run(argc, argv);
  // The one place where the failure that stopped a command is said.
  if (!outcome.message.empty()) std::fprintf(stderr, "velrin: %s\n", outcome.message.c_str());
  return outcome.status;
}

}  // namespace velrin::cli
