#include "cli/batch.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cli/curve_input.hpp"
#include "cli/curve_line.hpp"
#include "cli/line_source.hpp"
#include "cli/message_text.hpp"
#include "cli/output_file.hpp"
#include "cli/pair_line.hpp"
#include "cli/pipeline.hpp"
#include "cli/progress.hpp"

namespace velrin::cli {

namespace {

// The text of a bad line kept in its record: enough to find the line.
constexpr size_t kKeptText = 200;

class BatchJob : public ChunkJob {
 public:
  BatchJob(int fd, Rules rules, int32_t rankHeight)
      : source_(fd), rules_(rules), rankHeight_(rankHeight), interactive_(isInteractive(fd)) {}

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

  void render(Chunk& chunk, RecordWriter& writer) override {
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
          const RankSearch rank = searchRank(analysis, rankHeight_);
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
        const RankSearch rank = searchRank(analysis, rankHeight_);
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
  Rules rules_;
  int32_t rankHeight_;
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

}  // namespace

int runBatch(const BatchOptions& options) {
  const bool fromStdin = options.input.empty() || options.input == "-";
  const std::string name = fromStdin ? "standard input" : printable(options.input);
  const int fd = fromStdin ? STDIN_FILENO : ::open(options.input.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    std::fprintf(stderr, "velrin: cannot open %s: %s\n", name.c_str(), std::strerror(errno));
    return 2;
  }
  BatchJob job(fd, options.run.rules, options.run.rankHeight);
  OutputSink sink(STDOUT_FILENO, false);
  const bool meter = progressWanted(options.run.quiet);
  // From a regular file the meter counts lines against the file's total.
  const uint64_t lines = meter ? countLines(fd) : 0;
  Progress progress(stderr, meter, lines);
  if (lines != 0) progress.setUnit("lines");
  uint64_t linesDone = 0;
  const bool recordsOnTerminal = ::isatty(STDOUT_FILENO) == 1;
  Tally total;
  bool writeFailed = false;
  // The CSV header goes with the first records, or at the end: an input
  // that cannot be read at all gets no output.
  bool headerDone = options.run.format != Format::kCsv;
  bool anyChunk = false;
  const auto writeHeader = [&] {
    if (!headerDone) writeFailed = !sink.write(csvHeader(options.run.rankHeight != 0));
    headerDone = true;
    return !writeFailed;
  };
  if (!writeFailed) {
    runPipeline(job, options.run.threads, options.run.format, [&](Chunk& chunk) {
      anyChunk = true;
      if (!writeHeader()) return false;
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
      // Records that go to the meter's terminal start on a line of their own.
      if (recordsOnTerminal) progress.clear();
      writeFailed = !sink.write(chunk.bytes.view());
      if (lines != 0 && !chunk.items.empty()) {
        progress.advance(chunk.items.back().line - linesDone);
        linesDone = chunk.items.back().line;
      } else if (lines == 0) {
        progress.advance(chunk.records);
      }
      return !writeFailed;
    });
  }
  progress.finish();
  if (!fromStdin) ::close(fd);
  if (job.readError() != 0 && !anyChunk) {
    std::fprintf(stderr, "velrin: cannot read %s: %s\n", name.c_str(),
                 std::strerror(job.readError()));
    return 2;
  }
  if (!writeFailed) writeHeader();
  if (writeFailed) {
    std::fprintf(stderr, "velrin: cannot write the records: %s\n", std::strerror(sink.error()));
    return 1;
  }
  if (job.readError() != 0) {
    std::fprintf(stderr, "velrin: cannot read %s: %s\n", name.c_str(),
                 std::strerror(job.readError()));
    return 1;
  }
  if (options.run.summary) total.print(stderr);
  if (!options.run.summaryJson.empty() && !writeSummaryJson(options.run.summaryJson, total)) {
    return 1;
  }
  return total.badLines() != 0 ? 1 : 0;
}

}  // namespace velrin::cli
