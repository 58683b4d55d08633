#pragma once

#include <string>

#include "cli/outcome.hpp"
#include "cli/pipeline.hpp"
#include "cli/scan_box.hpp"

namespace velrin::cli {

struct ScanOptions {
  Interval a;
  Interval b;
  Shard shard;
  std::string output;  ///< a file to write and resume; empty for standard output
  /// --distinct: only the first pair of each isomorphism class met in scan
  /// order (firstOfClassInBox), so that each curve is written once.
  bool distinct = false;
  RunOptions run;
};

/// Writes the record of every pair of the box (of the shard's share of it),
/// A outer and B inner, both increasing (with distinct, of the first pair
/// of each class alone); the CSV header only in shard 1.
/// With an output file, a run resumes after the last complete record that
/// file holds, once the whole file is proven to be this scan's own start
/// (prepareResume); a device or a pipe is written as it is. Returns the exit status: 0, 1 when the
/// output could not be written, 2 when the box, the shard or the output file cannot be used.
Outcome runScan(const ScanOptions& options);

}  // namespace velrin::cli
