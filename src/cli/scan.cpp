#include "cli/scan.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "cli/message_text.hpp"
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

// Opens the output file for reading and writing, creating it when it is
// not there; a file created here has its directory synced, so that its
// name survives a crash of the machine as its synced records do. -1, with
// errno set, on failure.
int openOutput(const char* path) {
  int fd = ::open(path, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  const bool created = fd >= 0;
  if (fd < 0 && errno == EEXIST) fd = ::open(path, O_RDWR | O_CLOEXEC);
  if (!created) return fd;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // A file system that cannot sync a directory (EINVAL) keeps no more
  // than it would anyway.
  const bool synced = dir >= 0 && (::fsync(dir) == 0 || errno == EINVAL);
  const int syncError = errno;
  if (dir >= 0) ::close(dir);
  if (!synced) {
    ::close(fd);
    errno = syncError;
    return -1;
  }
  return fd;
}

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
  bool durable = false;
  if (!options.output.empty()) {
    const char* path = options.output.c_str();
    fd = openOutput(path);
    if (fd < 0) {
      std::fprintf(stderr, "velrin: cannot open %s: %s\n", printable(path).c_str(),
                   std::strerror(errno));
      return 2;
    }
  }
  const FileCloser closer(options.output.empty() ? -1 : fd);
  if (!options.output.empty()) {
    const std::string path = printable(options.output);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
      std::fprintf(stderr, "velrin: cannot use %s: %s\n", path.c_str(), std::strerror(errno));
      return 2;
    }
    // A device or a pipe (/dev/null for the summary alone) is written to
    // as it is: there is nothing to resume in it and nothing to sync.
    durable = S_ISREG(info.st_mode);
  }
  if (durable) {
    const std::string path = printable(options.output);
    // Two runs appending to one file would interleave their records.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      std::fprintf(stderr, "velrin: %s is in use by another run\n", path.c_str());
      return 2;
    }
    const std::string_view header = headerHere ? csvHeader() : std::string_view();
    const Box& scanBox = box;
    const Rules rules = options.run.rules;
    std::string error;
    const std::optional<ResumePoint> point = prepareResume(
        fd, header, range,
        [&](IndexRange part) { return std::make_unique<ScanJob>(scanBox, part, rules); },
        options.run, total, error);
    if (!point) {
      std::fprintf(stderr, "velrin: cannot resume in %s: %s\n", path.c_str(), error.c_str());
      return 2;
    }
    start = range.begin + point->records;
    headerDone = point->keep != 0;
  }

  OutputSink sink(fd, durable);
  bool writeFailed = headerHere && !headerDone && !sink.write(csvHeader());
  if (!writeFailed) {
    Progress progress(stderr, progressWanted(options.run.quiet), range.end - start);
    progress.setAlreadyThere(start - range.begin);
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
  if (!options.run.summaryJson.empty() && !writeSummaryJson(options.run.summaryJson, total)) {
    return 1;
  }
  return 0;
}

}  // namespace velrin::cli
