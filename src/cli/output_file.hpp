#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "cli/records.hpp"
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

/// What a scan's output file already holds.
struct ResumePoint {
  uint64_t records = 0;    ///< complete records (the CSV header not counted)
  bool hasHeader = false;  ///< the CSV header line is there
  /// The coefficients of the last complete JSON or CSV record.
  std::optional<std::pair<int32_t, int32_t>> lastPair;
};

/// Reads the file open on fd from its start, cuts off a last record that a
/// killed run left incomplete (a torn line; in text, a report without its
/// closing line), and leaves the file offset at the new end. Records are
/// lines in JSON and CSV and reports in text, each ending with its line
/// [4], singular line or refusal and an empty line. With expectHeader, the
/// first line must be the CSV header. Nothing, with error set, when the
/// file cannot be read or is not such a file. With a tally, every complete
/// record is counted into it, for the summary of a resumed scan.
std::optional<ResumePoint> prepareResume(int fd, Format format, bool expectHeader, Tally* tally,
                                         std::string& error);

}  // namespace velrin::cli
