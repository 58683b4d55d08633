#pragma once

#include <string>

#include "cli/outcome.hpp"
#include "cli/pipeline.hpp"
#include "cli/scan_box.hpp"

namespace velrin::cli {

struct BatchOptions {
  std::string input;  ///< a file, or "-" / empty for standard input
  /// --shard K/N: the lines L with (L - 1) mod N = K - 1 only, every line
  /// (blank and comment lines too) counted from 1.
  Shard shard;
  std::string output;  ///< a file to write and resume; empty for standard output
  RunOptions run;
};

/// Analyses the pair on each line of the input (of the shard's lines), in
/// order, writing one record per pair (and per bad line) to standard output
/// or the output file and a message per bad line to standard error; the
/// CSV header only in shard 1. With an output file that already holds
/// records, the batch reads its input again from the start and proves, as
/// it renders them, that the file holds its own first records before it
/// cuts a torn last record (or zstd frame) and appends the rest. Returns
/// the exit status: 0, 1 when a line was bad or the output could not be
/// written, 2 when the input or the output file cannot be used.
Outcome runBatch(const BatchOptions& options);

}  // namespace velrin::cli
