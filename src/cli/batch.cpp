#include "cli/batch.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cli/curve_input.hpp"
#include "cli/curve_line.hpp"
#include "cli/line_source.hpp"
#include "cli/output_file.hpp"
#include "cli/pair_line.hpp"
#include "cli/pipeline.hpp"
#include "cli/progress.hpp"
#include "render/message_text.hpp"

namespace velrin::cli {

namespace {

// The text of a bad line kept in its record: enough to find the line.
constexpr size_t kKeptText = 200;

class BatchJob : public ChunkJob {
 public:
  BatchJob(int fd, Shard shard, Rules rules, int32_t rankHeight, bool secondDescent)
      : source_(fd),
        shard_(shard),
        rules_(rules),
        rankHeight_(rankHeight),
        secondDescent_(secondDescent),
        interactive_(isInteractive(fd)) {}

  bool take(Chunk& chunk, uint64_t pairs) override {
    chunk.items.clear();
    chunk.errorText.clear();
    std::string_view text;
    bool tooLong = false;
    // From a pipe or a terminal, a chunk ends with the lines that have
    // arrived, so that each is answered before the next is awaited: velrin
    // then serves as a coprocess of gp, Sage or Python.
    while (chunk.items.size() < pairs &&
           (chunk.items.empty() || !interactive_ || source_.hasBufferedLine()) &&
           source_.next(text, tooLong)) {
      ++line_;
      // Shards by the line number modulo N: defined on a stream, whose
      // length is not known, and fair to a file sorted by conductor or size.
      if ((line_ - 1) % shard_.count != shard_.index - 1) continue;
      const CurveLine curve = tooLong ? CurveLine{} : parseCurveLine(text);
      PairLine pair = tooLong ? PairLine{PairLineKind::kBad, 0, 0, "line longer than 4096 bytes"}
                              : parsePairLine(text);
      if (curve.kind == CurveLineKind::kBad) pair = {PairLineKind::kBad, 0, 0, curve.reason};
      if (pair.kind == PairLineKind::kSkip) continue;
      BatchItem item{line_, pair.a, pair.b, pair.kind == PairLineKind::kBad, pair.reason, 0, 0};
      item.curve = curve.kind == CurveLineKind::kModel || curve.kind == CurveLineKind::kLabel;
      if (item.curve) item.bad = false;
      if (item.bad || item.curve) {
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        // A curve's line is kept whole (at most 4096 bytes): render reads it again.
        const size_t kept = item.curve ? text.size() : kKeptText;
        const bool cut = text.size() > kept;
        item.textOffset = static_cast<uint32_t>(chunk.errorText.size());
        chunk.errorText.append(text.substr(0, kept));
        if (cut || tooLong) chunk.errorText.append("...");
        item.textLength = static_cast<uint32_t>(chunk.errorText.size() - item.textOffset);
      }
      chunk.items.push_back(item);
    }
    return !chunk.items.empty();
  }

  void render(Chunk& chunk, Worker& worker) override {
    RecordWriter& writer = worker.writer;
    writer.setRankHeight(rankHeight_);
    for (BatchItem& item : chunk.items) {
      if (item.curve) {
        renderCurve(chunk, item, writer);
      } else if (item.bad) {
        writer.error(item.line, textOf(chunk, item), item.reason, rules_, chunk.bytes);
        chunk.tally.addBadLine();
      } else {
        const CurveAnalysis analysis = analyzeCurve(item.a, item.b, rules_);
        if (rankHeight_ != 0) {
          const RankSearch rank = searchRank(analysis, rankHeight_, secondDescent_);
          writer.curve(analysis, item.line, chunk.bytes, &rank);
          chunk.tally.add(rank);
        } else {
          writer.curve(analysis, item.line, chunk.bytes);
        }
        chunk.tally.add(analysis);
      }
      ++chunk.records;
    }
  }

  // A line that gives a curve: looked up and moved to (A, B) here, on the
  // rendering threads, since a label reads the tables.
  void renderCurve(Chunk& chunk, BatchItem& item, RecordWriter& writer) {
    const std::string_view text = textOf(chunk, item);
    const CurveLine line = parseCurveLine(text);
    const CurveInput input = resolveCurve(
        line.kind == CurveLineKind::kLabel ? CurveInputKind::kLabel : CurveInputKind::kModel,
        line.model, line.label, tables_);
    if (input.converted) {
      const CurveAnalysis analysis = analyzeCurve(input.a, input.b, rules_);
      if (rankHeight_ != 0) {
        const RankSearch rank = searchRank(analysis, rankHeight_, secondDescent_);
        writer.curve(analysis, item.line, &input.origin, chunk.bytes, &rank);
        chunk.tally.add(rank);
      } else {
        writer.curve(analysis, item.line, &input.origin, chunk.bytes);
      }
      chunk.tally.add(analysis);
    } else {
      writer.curveFailure(item.line, text, input, rules_, chunk.bytes);
      chunk.tally.addBadLine();
      item.failed = true;
      item.reason = input.reason;
    }
  }

  /// The record of one item of chunk alone, rendered into one: the same
  /// bytes as its part of the chunk's.
  void renderItem(const Chunk& chunk, const BatchItem& item, Chunk& one, Worker& worker) {
    one.items.assign(1, item);
    one.errorText.assign(textOf(chunk, item));
    one.items[0].textOffset = 0;
    one.bytes.clear();
    one.tally.clear();
    one.records = 0;
    render(one, worker);
  }

  static std::string_view textOf(const Chunk& chunk, const BatchItem& item) {
    return std::string_view(chunk.errorText).substr(item.textOffset, item.textLength);
  }

  int readError() const { return source_.error(); }

  // A pipe, a socket or a terminal: its lines arrive one by one.
  static bool isInteractive(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) return false;
    return S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode) || ::isatty(fd) == 1;
  }

 private:
  LineSource source_;
  Shard shard_;
  Rules rules_;
  int32_t rankHeight_;
  bool secondDescent_;
  bool interactive_;
  CremonaTables tables_;  // the files of the tables that labels needed
  uint64_t line_ = 0;
};

// The lines of a regular file (a last line without a newline counted),
// read with pread so that the offset stays at the start; 0 for anything
// else, whose size is not known.
uint64_t countLines(int fd) {
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) return 0;
  std::vector<char> block(1 << 16);
  uint64_t lines = 0;
  off_t offset = 0;
  char last = '\n';
  for (;;) {
    const ssize_t got = ::pread(fd, block.data(), block.size(), offset);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    const auto size = static_cast<size_t>(got);
    lines += static_cast<uint64_t>(std::count(block.data(), block.data() + size, '\n'));
    last = block[size - 1];
    offset += got;
  }
  return last == '\n' ? lines : lines + 1;
}

// The records of a batch on their way to its output: while a resume
// checks the output file, compared with what it holds; from the end of
// what it holds on, written. Nothing of the file changes before it has
// been proven to be this batch's own start.
class BatchOutput {
 public:
  BatchOutput(int fd, bool durable, bool compressed, std::unique_ptr<ResumeFile> resume)
      : sink_(fd, durable, compressed), resume_(std::move(resume)) {}

  bool checking() const { return resume_ != nullptr; }
  /// Why the file is not this batch's (or why the check failed); empty
  /// while it is.
  const std::string& refusal() const { return refusal_; }
  int error() const { return sink_.error(); }

  /// The CSV header: false when refused or not written.
  bool header(std::string_view bytes) {
    if (!checking()) return sink_.write(bytes);
    const Match verdict = resume_->compare(bytes);
    if (verdict == Match::kWhole) return resume_->left() != 0 || endCheck();
    if (verdict == Match::kTorn) return endCheck() && sink_.write(bytes);
    return refuse(verdict);
  }

  /// A chunk's records: false when refused or not written.
  bool records(Chunk& chunk, BatchJob& job, Worker& checker) {
    if (!checking()) return sink_.write(chunk.bytes.view());
    if (chunk.bytes.size() <= resume_->left()) {
      const Match verdict = resume_->compare(chunk.bytes.view());
      if (verdict != Match::kWhole) return refuse(verdict);
      return resume_->left() != 0 || endCheck();
    }
    // The chunk the file ends in, one record at a time: the file's last
    // bytes are whole records, or the start of one (a torn record).
    size_t matched = 0;
    for (const BatchItem& item : chunk.items) {
      job.renderItem(chunk, item, one_, checker);
      const Match verdict = resume_->compare(one_.bytes.view());
      if (verdict == Match::kTorn) break;
      if (verdict != Match::kWhole) return refuse(verdict);
      matched += one_.bytes.size();
      if (resume_->left() == 0) break;
    }
    return endCheck() && sink_.write(chunk.bytes.view().substr(matched));
  }

  /// At the end of the input: a file that holds more is refused.
  bool finish() {
    if (checking()) {
      if (resume_->left() != 0) {
        refusal_ = "it is not this batch's output: it goes on, from its line " +
                   std::to_string(resume_->line()) + ", after all that this batch writes";
        return false;
      }
      if (!endCheck()) return false;
    }
    return sink_.finish();
  }

 private:
  bool refuse(Match verdict) {
    refusal_ = verdict == Match::kUnreadable
                   ? "cannot read it: " + resume_->readError()
                   : "it is not this batch's output: its line " + std::to_string(resume_->line()) +
                         " is not what this batch writes there (the input, the format, the rules, "
                         "the shard and --rank with its --height must all be the same)";
    return false;
  }

  // The file is proven to be this batch's start: cut what is torn, append.
  bool endCheck() {
    if (!resume_->framesEndBetweenRecords()) {
      refusal_ =
          "it is not this batch's output: its complete frames end inside a record, on "
          "its line " +
          std::to_string(resume_->line());
      return false;
    }
    if (!resume_->cut(refusal_)) return false;
    resume_.reset();
    return true;
  }

  OutputSink sink_;
  std::unique_ptr<ResumeFile> resume_;  // while the file is being checked
  std::string refusal_;
  Chunk one_;
};

}  // namespace

Outcome runBatch(const BatchOptions& options) {
  const bool fromStdin = options.input.empty() || options.input == "-";
  const std::string name = fromStdin ? "standard input" : printable(options.input);
  const int fd = fromStdin ? STDIN_FILENO : ::open(options.input.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return stopped(2, "cannot open " + name + ": " + std::strerror(errno));
  }
  const FileCloser inputCloser(fromStdin ? -1 : fd);

  // The output file: a regular one is locked and, when it holds anything,
  // checked as the batch runs; a device or a pipe is written as it is.
  int outFd = STDOUT_FILENO;
  bool durable = false;
  const std::string outName = printable(options.output);
  if (!options.output.empty()) {
    outFd = openOutputFile(options.output.c_str());
    if (outFd < 0) {
      return stopped(2, "cannot open " + outName + ": " + std::strerror(errno));
    }
  }
  const FileCloser outputCloser(options.output.empty() ? -1 : outFd);
  std::unique_ptr<ResumeFile> resume;
  const bool compressed = isZstdName(options.output);
  if (!options.output.empty()) {
    struct stat info {};
    if (::fstat(outFd, &info) != 0) {
      return stopped(2, "cannot use " + outName + ": " + std::strerror(errno));
    }
    durable = S_ISREG(info.st_mode);
    if (durable && ::flock(outFd, LOCK_EX | LOCK_NB) != 0) {
      return stopped(2, outName + " is in use by another run");
    }
    if (durable && info.st_size != 0) {
      resume = std::make_unique<ResumeFile>(outFd);
      std::string error;
      if (!resume->open(compressed, error)) {
        return stopped(2, "cannot resume in " + outName + ": " + error);
      }
    }
  }

  BatchJob job(fd, options.shard, options.run.rules, options.run.rankHeight,
               options.run.secondDescent);
  BatchOutput out(outFd, durable, compressed, std::move(resume));
  Worker checker(options.run.format);
  checker.writer.setRankHeight(options.run.rankHeight);
  const bool meter = progressWanted(options.run.quiet);
  // From a regular file the meter counts lines against the file's total.
  const uint64_t lines = meter ? countLines(fd) : 0;
  Progress progress(stderr, meter, lines);
  if (lines != 0) progress.setUnit("lines");
  uint64_t linesDone = 0;
  const bool recordsOnTerminal = options.output.empty() && ::isatty(STDOUT_FILENO) == 1;
  Tally total;
  bool writeFailed = false;
  // The CSV header (in shard 1) goes with the first records, or at the
  // end: an input that cannot be read at all gets no output.
  bool headerDone = options.run.format != Format::kCsv || options.shard.index != 1;
  bool anyChunk = false;
  const auto writeHeader = [&] {
    if (!headerDone) writeFailed = !out.header(csvHeader(options.run.rankHeight != 0));
    headerDone = true;
    return !writeFailed;
  };
  runPipeline(job, options.run.threads, options.run.format, [&](Chunk& chunk) {
    anyChunk = true;
    if (!writeHeader()) return false;
    // Records that go to the meter's terminal start on a line of their own.
    if (recordsOnTerminal) progress.clear();
    writeFailed = !out.records(chunk, job, checker);
    if (writeFailed) return false;
    for (const BatchItem& item : chunk.items) {
      if (!item.bad && !item.failed) continue;
      progress.clear();
      const std::string text = printable(BatchJob::textOf(chunk, item));
      if (item.failed) {
        std::fprintf(stderr, "velrin: %s:%" PRIu64 ": %s: %.*s\n", name.c_str(), item.line,
                     text.c_str(), static_cast<int>(item.reason.size()), item.reason.data());
        continue;
      }
      std::fprintf(stderr, "velrin: %s:%" PRIu64 ": cannot read \"%s\": %.*s\n", name.c_str(),
                   item.line, text.c_str(), static_cast<int>(item.reason.size()),
                   item.reason.data());
    }
    total.merge(chunk.tally);
    if (lines != 0 && !chunk.items.empty()) {
      progress.advance(chunk.items.back().line - linesDone);
      linesDone = chunk.items.back().line;
    } else if (lines == 0) {
      progress.advance(chunk.records);
    }
    return true;
  });
  progress.finish();
  // An input that could not be read at all, or not as far as the file a
  // resume checks, leaves the output as it was.
  if (job.readError() != 0 && (!anyChunk || out.checking())) {
    return stopped(2, "cannot read " + name + ": " + std::strerror(job.readError()));
  }
  if (!writeFailed) writeHeader();
  if (!writeFailed) writeFailed = !out.finish();
  if (!out.refusal().empty()) {
    return stopped(2, "cannot resume in " + outName + ": " + out.refusal());
  }
  if (writeFailed) {
    return stopped(1, std::string("cannot write the records: ") + std::strerror(out.error()));
  }
  if (job.readError() != 0) {
    return stopped(1, "cannot read " + name + ": " + std::strerror(job.readError()));
  }
  if (options.run.summary) total.print(stderr);
  if (!options.run.summaryJson.empty() && !writeSummaryJson(options.run.summaryJson, total)) {
    return stopped(1, "cannot write the summary to " + printable(options.run.summaryJson));
  }
  return finished(total.badLines() != 0 ? 1 : 0);
}

}  // namespace velrin::cli
