#include "cli/output_file.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace velrin::cli {

namespace {

// How the file, from where the last comparison stopped, compares with
// bytes that this run writes.
enum class Match : uint8_t {
  kWhole,       ///< the file holds them all: the comparison moved past them
  kTorn,        ///< the file ends inside them, after a prefix of them
  kDiffers,     ///< the file holds other bytes
  kUnreadable,  ///< a read failed
};

// Walks through a file, comparing it with the bytes this run writes, and
// counts its lines on the way, for a message that names the line that
// differs.
class FileComparer {
 public:
  FileComparer(int fd, uint64_t size) : fd_(fd), size_(size) {}

  uint64_t offset() const { return offset_; }
  uint64_t left() const { return size_ - offset_; }
  /// The number of the line that holds the offset (or the difference found).
  uint64_t line() const { return newlines_ + 1; }
  const std::string& readError() const { return readError_; }

  Match compare(std::string_view expected) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(expected.size(), left()));
    if (!readAt(n)) return Match::kUnreadable;
    const auto [mine, theirs] = std::mismatch(buffer_.begin(), buffer_.end(), expected.begin());
    newlines_ += static_cast<uint64_t>(std::count(buffer_.begin(), mine, '\n'));
    if (mine != buffer_.end()) return Match::kDiffers;
    if (n < expected.size()) return Match::kTorn;
    offset_ += n;
    return Match::kWhole;
  }

 private:
  // Reads the n bytes at the offset into buffer_.
  bool readAt(size_t n) {
    buffer_.resize(n);
    for (size_t done = 0; done < n;) {
      const ssize_t got =
          ::pread(fd_, buffer_.data() + done, n - done, static_cast<off_t>(offset_ + done));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        readError_ = got < 0 ? std::strerror(errno) : "it grew shorter while it was read";
        return false;
      }
      done += static_cast<size_t>(got);
    }
    return true;
  }

  int fd_;
  uint64_t size_;
  uint64_t offset_ = 0;
  uint64_t newlines_ = 0;
  std::string buffer_;
  std::string readError_;
};

}  // namespace

bool OutputSink::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t wrote = ::write(fd_, bytes.data(), bytes.size());
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      error_ = wrote < 0 ? errno : ENOSPC;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(wrote));
  }
  // A resumed scan needs only what reached the file; the sync bounds what
  // a crash of the machine, not of the process, can take back.
  if (durable_ && Clock::now() - lastSync_ >= std::chrono::seconds(5)) {
    lastSync_ = Clock::now();
    if (::fdatasync(fd_) != 0) {
      error_ = errno;
      return false;
    }
  }
  return true;
}

bool OutputSink::finish() {
  if (!durable_ || ::fdatasync(fd_) == 0) return true;
  error_ = errno;
  return false;
}

std::optional<ResumePoint> prepareResume(int fd, std::string_view header, IndexRange range,
                                         const JobFactory& jobFor, const RunOptions& run,
                                         Tally& tally, std::string& error) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    error = std::string("cannot read it: ") + std::strerror(errno);
    return std::nullopt;
  }
  FileComparer file(fd, static_cast<uint64_t>(info.st_size));
  ResumePoint point;
  Tally found;
  Match verdict = Match::kWhole;
  if (file.left() != 0 && !header.empty()) verdict = file.compare(header);

  // Whole chunks, rendered on every thread, while the file holds them.
  std::optional<uint64_t> tailFirst;  // the first pair of the chunk the file ends in
  if (verdict == Match::kWhole && file.left() != 0 && range.begin < range.end) {
    const std::unique_ptr<ChunkJob> job = jobFor(range);
    runPipeline(*job, run.threads, run.format, [&](Chunk& chunk) {
      if (chunk.bytes.size() > file.left()) {
        tailFirst = chunk.first;
        return false;
      }
      verdict = file.compare(chunk.bytes.view());
      if (verdict != Match::kWhole) return false;
      point.records += chunk.records;
      found.merge(chunk.tally);
      return file.left() != 0;
    });
  }
  // The chunk the file ends in, one record at a time: the file's last
  // bytes are whole records, or the start of one (a torn record).
  if (verdict == Match::kWhole && tailFirst) {
    RecordWriter writer(run.format);
    Chunk one;
    for (uint64_t index = *tailFirst; verdict == Match::kWhole && file.left() != 0; ++index) {
      const std::unique_ptr<ChunkJob> job = jobFor({index, range.end});
      one.bytes.clear();
      one.tally.clear();
      one.records = 0;
      if (!job->take(one, 1)) break;
      job->render(one, writer);
      verdict = file.compare(one.bytes.view());
      if (verdict != Match::kWhole) break;
      ++point.records;
      found.merge(one.tally);
    }
  }

  switch (verdict) {
    case Match::kUnreadable:
      error = "cannot read it: " + file.readError();
      return std::nullopt;
    case Match::kDiffers:
      error = "it is not this scan's output: its line " + std::to_string(file.line()) +
              " is not what this scan writes there (the format, the rules, the box and the "
              "shard must all be the same)";
      return std::nullopt;
    case Match::kWhole:
      if (file.left() != 0) {
        error = "it is not this scan's output: it goes on, from its line " +
                std::to_string(file.line()) + ", after all that this scan writes";
        return std::nullopt;
      }
      break;
    case Match::kTorn:
      break;
  }
  // Only now, the file proven to be this scan's, may a torn record go.
  point.keep = file.offset();
  if (point.keep != static_cast<uint64_t>(info.st_size) &&
      ::ftruncate(fd, static_cast<off_t>(point.keep)) != 0) {
    error = std::string("cannot cut off its incomplete last record: ") + std::strerror(errno);
    return std::nullopt;
  }
  if (::lseek(fd, static_cast<off_t>(point.keep), SEEK_SET) < 0) {
    error = std::string("cannot seek in it: ") + std::strerror(errno);
    return std::nullopt;
  }
  tally.merge(found);
  return point;
}

}  // namespace velrin::cli
