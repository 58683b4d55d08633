#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "cli/pipeline.hpp"
#include "cli/scan_box.hpp"
#include "cli/tally.hpp"

namespace velrin::cli {

/// Writes whole chunks of records to a file descriptor: short writes and
/// interrupted calls are retried, so a chunk is either written or the
/// write failed. A durable sink (a scan's --output file) also syncs the
/// file to disk every few seconds and at the end.
class OutputSink {
 public:
  OutputSink(int fd, bool durable) : fd_(fd), durable_(durable), lastSync_(Clock::now()) {}

  /// False when the bytes could not be written; error() says why.
  bool write(std::string_view bytes);
  /// Syncs a durable file; false when that failed.
  bool finish();
  /// The errno of the first failure, 0 while there was none.
  int error() const { return error_; }

 private:
  using Clock = std::chrono::steady_clock;
  int fd_;
  bool durable_;
  Clock::time_point lastSync_;
  int error_ = 0;
};

/// What a scan's output file already holds, proven to be the start of what
/// this scan writes.
struct ResumePoint {
  uint64_t records = 0;  ///< complete records (the CSV header not counted)
  uint64_t keep = 0;     ///< bytes kept: the header, when there, and those records
};

/// The jobs of a scan, over any range of its pairs.
using JobFactory = std::function<std::unique_ptr<ChunkJob>(IndexRange)>;

/// Proves, before it changes a byte, that the regular file open on fd is
/// the start of this run's own output: the header (empty but in shard 1 of
/// a CSV scan), then the records that jobFor renders for the pairs of
/// range, in order, byte for byte, whatever the format. Only a torn last
/// record (a proper prefix of the record this run writes next; in text a
/// report without its end, newlines and all) is then cut off, and the file
/// offset is left at the end of what is kept. The records are rendered
/// again on run.threads threads, so a resume costs about what writing
/// those records cost. Every complete record is counted into tally.
/// Nothing, with error set and the file untouched, when the file is not
/// such a prefix or cannot be read.
std::optional<ResumePoint> prepareResume(int fd, std::string_view header, IndexRange range,
                                         const JobFactory& jobFor, const RunOptions& run,
                                         Tally& tally, std::string& error);

}  // namespace velrin::cli
