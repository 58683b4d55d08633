#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "cli/batch.hpp"
#include "cli/curve_input.hpp"
#include "cli/pipeline.hpp"
#include "cli/scan.hpp"
#include "cli/summarize.hpp"

namespace velrin::cli {

/// What the command line asks for, read and checked before anything runs:
/// parseCommandLine reads argv into exactly one of these values, and
/// runCommandLine runs it. Nothing here has touched a file or a stream.

/// --help or --version: the text to write to standard output (exit 0).
struct PrintCommand {
  std::string text;
};

/// No command: the dialogue on standard input and output.
struct DialogueCommand {
  Rules rules = Rules::kTrue;
};

/// velrin report: one curve, as A B or as --curve (a model or a label).
struct ReportCommand {
  int32_t a = 0;
  int32_t b = 0;
  /// --curve's text, empty for A B; its kind and, for a model, the model.
  std::string curve;
  CurveInputKind curveKind = CurveInputKind::kModel;
  WeierstrassModel model{};
  Format format = Format::kText;
  Rules rules = Rules::kTrue;
  int32_t rankHeight = 0;      ///< --rank's search height, 0 without --rank
  bool secondDescent = false;  ///< --second-descent, with --rank
};

using Command = std::variant<PrintCommand, DialogueCommand, ReportCommand, BatchOptions,
                             ScanOptions, SummarizeOptions>;

/// A command line that names no command that can run: the message,
/// printed as "velrin: MESSAGE" with a pointer to --help (exit 2).
struct UsageError {
  std::string message;
};

/// The one value a parse gives: the command, or why there is none.
using ParsedCommand = std::variant<Command, UsageError>;

/// Reads argv (argv[0] is the program's name) into the command it names,
/// with every option checked. `defaultThreads` is what --threads means
/// when it is not given (the caller knows the cores). Prints nothing.
ParsedCommand parseCommandLine(int argc, const char* const* argv, int defaultThreads);

/// The most threads --threads accepts.
inline constexpr int kMaxThreads = 256;

}  // namespace velrin::cli
