#pragma once

#include <string>
#include <vector>

#include "cli/outcome.hpp"

namespace velrin::cli {

struct SummarizeOptions {
  std::vector<std::string> files;  ///< record files; "-" is standard input
  bool json = false;               ///< the summary as JSON instead of the table
};

/// velrin summarize: tallies the records of existing files (JSON lines or
/// CSV as velrin writes them, each plain or compressed by gzip (.gz) or
/// zstd (.zst), which are read through `gzip -dc` and `zstd -dc`) into one
/// summary on standard output, the one --summary and --summary-json give
/// for the run that wrote them: the shards of a scan summarise to the whole
/// scan's summary. Returns 0, 1 when a line was not a record or a file
/// could not be read (the others are still counted), 2 when a file cannot
/// be opened.
Outcome runSummarize(const SummarizeOptions& options);

}  // namespace velrin::cli
