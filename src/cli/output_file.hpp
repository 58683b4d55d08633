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
#include "cli/zstd_frames.hpp"

namespace velrin::cli {

/// Writes whole chunks of records to a file descriptor: short writes and
/// interrupted calls are retried, so a chunk is either written or the
/// write failed. A durable sink (a scan's or a batch's --output file) also
/// syncs the file to disk every few seconds and at the end. A compressed
/// sink (--output FILE.zst) gathers the chunks into independent zstd
/// frames of at least kFrameContent bytes each, closed only between
/// chunks, so that every frame ends on a record boundary; finish() writes
/// the last one.
class OutputSink {
 public:
  OutputSink(int fd, bool durable, bool compressed = false);

  /// False when the bytes could not be written; error() says why.
  bool write(std::string_view bytes);
  /// Writes the last frame and syncs a durable file; false when that failed.
  bool finish();
  /// The errno of the first failure, 0 while there was none.
  int error() const { return error_; }

 private:
  using Clock = std::chrono::steady_clock;
  bool writeOut(std::string_view bytes);
  bool writeFrame();

  int fd_;
  bool durable_;
  Clock::time_point lastSync_;
  int error_ = 0;
  std::unique_ptr<FrameCompressor> compressor_;  // none for a plain sink
  std::string content_;                          // the frame being gathered
  std::string frame_;
};

/// Opens an --output file for reading and writing, creating it when it is
/// not there; a file created here has its directory synced, so that its
/// name survives a crash of the machine as its synced records do. -1, with
/// errno set, on failure.
int openOutputFile(const char* path);

/// Closes a file descriptor when it goes out of scope, however the run
/// returns; -1 holds none.
class FileCloser {
 public:
  explicit FileCloser(int fd) : fd_(fd) {}
  ~FileCloser();
  FileCloser(const FileCloser&) = delete;
  FileCloser& operator=(const FileCloser&) = delete;

 private:
  int fd_;
};

/// How what an output file holds, from where the last comparison stopped,
/// compares with bytes that this run writes.
enum class Match : uint8_t {
  kWhole,       ///< the file holds them all: the comparison moved past them
  kTorn,        ///< the file ends inside them, after a prefix of them
  kDiffers,     ///< the file holds other bytes
  kUnreadable,  ///< a read failed
};

/// The records already in an output file that a run resumes in: the
/// file's bytes, or for a .zst file the content of its complete frames,
/// compared in order with what the run writes, counting lines for a
/// message that names the line that differs.
class ResumeFile {
 public:
  explicit ResumeFile(int fd);
  ~ResumeFile();
  ResumeFile(const ResumeFile&) = delete;
  ResumeFile& operator=(const ResumeFile&) = delete;

  /// Reads the file's size (and walks its zstd frames); false, with error
  /// set, when it cannot be read or is not a sequence of zstd frames with
  /// at most one torn frame at its end.
  bool open(bool compressed, std::string& error);
  /// The content compared so far that the comparisons moved past.
  uint64_t offset() const { return offset_; }
  /// The content not yet compared.
  uint64_t left() const { return size_ - offset_; }
  /// The number of the line that holds the offset (or the difference found).
  uint64_t line() const { return newlines_ + 1; }
  const std::string& readError() const { return readError_; }
  Match compare(std::string_view expected);
  /// True unless the file is compressed and the comparisons stopped inside
  /// its complete frames: new frames follow those, so their content must
  /// end between records, as velrin's always does.
  bool framesEndBetweenRecords() const { return !frames_ || offset_ == size_; }
  /// Cuts the file after the content the comparisons moved past and leaves
  /// its offset there, for the run to append: a plain file loses its torn
  /// last record, a .zst file its torn last frame (framesEndBetweenRecords
  /// must hold). Call only once the file has been proven to be the run's
  /// own start; false, with error set, when the file cannot be cut.
  bool cut(std::string& error);

 private:
  bool readAt(size_t n);

  int fd_;
  uint64_t fileSize_ = 0;
  uint64_t size_ = 0;
  uint64_t offset_ = 0;
  uint64_t newlines_ = 0;
  std::unique_ptr<FrameReader> frames_;  // none for a plain file
  std::string buffer_;
  std::string readError_;
};

/// What a scan's output file already holds, proven to be the start of what
/// this scan writes.
struct ResumePoint {
  uint64_t records = 0;  ///< complete records (the CSV header not counted)
  uint64_t keep = 0;     ///< content kept: the header, when there, and those records
};

/// The jobs of a scan, over any range of its pairs.
using JobFactory = std::function<std::unique_ptr<ChunkJob>(IndexRange)>;

/// Proves, before it changes a byte, that the regular file open on fd
/// (the content of its frames, when compressed) is the start of this run's
/// own output: the header (empty but in shard 1 of a CSV scan), then the
/// records that jobFor renders for the pairs of range, in order, byte for
/// byte, whatever the format. Only a torn last record (a proper prefix of
/// the record this run writes next; in text a report without its end,
/// newlines and all), or a torn last frame, is then cut off, and the file
/// offset is left at the end of what is kept. The records are rendered
/// again on run.threads threads, so a resume costs about what writing
/// those records cost. Every complete record is counted into tally.
/// Nothing, with error set and the file untouched, when the file is not
/// such a prefix or cannot be read.
std::optional<ResumePoint> prepareResume(int fd, bool compressed, std::string_view header,
                                         IndexRange range, const JobFactory& jobFor,
                                         const RunOptions& run, Tally& tally, std::string& error);

}  // namespace velrin::cli
