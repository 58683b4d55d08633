#include "cli/scan.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "cli/output_file.hpp"
#include "cli/pipeline.hpp"
#include "cli/progress.hpp"

namespace velrin::cli {

namespace {

class ScanJob : public ChunkJob {
 public:
  ScanJob(const Box& box, IndexRange range, Rules rules)
      : box_(box), next_(range.begin), end_(range.end), rules_(rules) {}

  bool take(Chunk& chunk, uint64_t pairs) override {
    if (next_ >= end_) return false;
    chunk.first = next_;
    chunk.count = std::min(pairs, end_ - next_);
    next_ += chunk.count;
    return true;
  }

  void render(Chunk& chunk, RecordWriter& writer) override {
    auto [a, b] = box_.pairAt(chunk.first);
    for (uint64_t i = 0; i < chunk.count; ++i) {
      const CurveAnalysis analysis = analyzeCurve(a, b, rules_);
      writer.curve(analysis, 0, chunk.bytes);
      chunk.tally.add(analysis);
      // B runs through its range, then A steps on; the last step of a
      // chunk may leave the box, and is then not used.
      if (b == box_.b().max) {
        b = box_.b().min;
        if (a != box_.a().max) ++a;
      } else {
        ++b;
      }
    }
    chunk.records = chunk.count;
  }

 private:
  Box box_;
  uint64_t next_;
  uint64_t end_;
  Rules rules_;
};

// Closes the output file however runScan returns.
class FileCloser {
 public:
  explicit FileCloser(int fd) : fd_(fd) {}
  ~FileCloser() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileCloser(const FileCloser&) = delete;
  FileCloser& operator=(const FileCloser&) = delete;

 private:
  int fd_;
};

}  // namespace

int runScan(const ScanOptions& options) {
  const Box box(options.a, options.b);
  const std::optional<uint64_t> pairs = box.pairCount();
  if (!pairs) {
    std::fputs("velrin: the box holds 2^64 pairs, more than a run can number; split it\n", stderr);
    return 2;
  }
  const IndexRange range = shardRange(*pairs, options.shard);
  const bool headerHere = options.run.format == Format::kCsv && options.shard.index == 1;

  // The summary counts the records already in a resumed file, too.
  Tally total;
  int fd = STDOUT_FILENO;
  uint64_t start = range.begin;
  bool headerDone = false;
  if (!options.output.empty()) {
    const char* path = options.output.c_str();
    fd = ::open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
      std::fprintf(stderr, "velrin: cannot open %s: %s\n", path, std::strerror(errno));
      return 2;
    }
  }
  const FileCloser closer(options.output.empty() ? -1 : fd);
  if (!options.output.empty()) {
    const char* path = options.output.c_str();
    // Two runs appending to one file would interleave their records.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      std::fprintf(stderr, "velrin: %s is in use by another run\n", path);
      return 2;
    }
    std::string error;
    const std::optional<ResumePoint> point = prepareResume(
        fd, options.run.format, headerHere, options.run.summary ? &total : nullptr, error);
    if (!point) {
      std::fprintf(stderr, "velrin: cannot resume in %s: %s\n", path, error.c_str());
      return 2;
    }
    const uint64_t shardSize = range.end - range.begin;
    if (point->records > shardSize ||
        (point->lastPair && *point->lastPair != box.pairAt(range.begin + point->records - 1))) {
      std::fprintf(stderr,
                   "velrin: cannot resume in %s: it holds %" PRIu64
                   " records that are not the first ones of this scan\n",
                   path, point->records);
      return 2;
    }
    start = range.begin + point->records;
    headerDone = point->hasHeader;
  }

  OutputSink sink(fd, !options.output.empty());
  bool writeFailed = headerHere && !headerDone && !sink.write(csvHeader());
  if (!writeFailed) {
    Progress progress(stderr, progressWanted(options.run.quiet), range.end - start);
    const bool recordsOnTerminal = options.output.empty() && ::isatty(STDOUT_FILENO) == 1;
    ScanJob job(box, {start, range.end}, options.run.rules);
    runPipeline(job, options.run.threads, options.run.format, [&](Chunk& chunk) {
      // Records that go to the meter's terminal start on a line of their own.
      if (recordsOnTerminal) progress.clear();
      writeFailed = !sink.write(chunk.bytes.view());
      total.merge(chunk.tally);
      progress.advance(chunk.records);
      return !writeFailed;
    });
  }
  if (writeFailed || !sink.finish()) {
    std::fprintf(stderr, "velrin: cannot write the records: %s\n", std::strerror(sink.error()));
    return 1;
  }
  if (options.run.summary) total.print(stderr);
  return 0;
}

}  // namespace velrin::cli
