#pragma once

#include <string>

#include "cli/pipeline.hpp"

namespace velrin::cli {

struct BatchOptions {
  std::string input;  ///< a file, or "-" / empty for standard input
  RunOptions run;
};

/// Analyses the pair on each line of the input, in order, writing one
/// record per pair (and per bad line) to standard output and a message per
/// bad line to standard error. Returns the exit status: 0, 1 when a line
/// was bad or the output could not be written, 2 when the input cannot be
/// opened.
int runBatch(const BatchOptions& options);

}  // namespace velrin::cli
