#include "cli/batch.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

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
      : source_(fd), rules_(rules), rankHeight_(rankHeight) {}

  bool take(Chunk& chunk, uint64_t pairs) override {
    chunk.items.clear();
    chunk.errorText.clear();
    std::string_view text;
    bool tooLong = false;
    while (chunk.items.size() < pairs && source_.next(text, tooLong)) {
      ++line_;
      PairLine pair = tooLong ? PairLine{PairLineKind::kBad, 0, 0, "line longer than 4096 bytes"}
                              : parsePairLine(text);
      if (pair.kind == PairLineKind::kSkip) continue;
      BatchItem item{line_, pair.a, pair.b, pair.kind == PairLineKind::kBad, pair.reason, 0, 0};
      if (item.bad) {
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        const bool cut = text.size() > kKeptText;
        item.textOffset = static_cast<uint32_t>(chunk.errorText.size());
        chunk.errorText.append(text.substr(0, kKeptText));
        if (cut || tooLong) chunk.errorText.append("...");
        item.textLength = static_cast<uint32_t>(chunk.errorText.size() - item.textOffset);
      }
      chunk.items.push_back(item);
    }
    return !chunk.items.empty();
  }

  void render(Chunk& chunk, RecordWriter& writer) override {
    writer.setRankHeight(rankHeight_);
    for (const BatchItem& item : chunk.items) {
      if (item.bad) {
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

  static std::string_view textOf(const Chunk& chunk, const BatchItem& item) {
    return std::string_view(chunk.errorText).substr(item.textOffset, item.textLength);
  }

  int readError() const { return source_.error(); }

 private:
  LineSource source_;
  Rules rules_;
  int32_t rankHeight_;
  uint64_t line_ = 0;
};

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
  Progress progress(stderr, progressWanted(options.run.quiet), 0);
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
        if (!item.bad) continue;
        progress.clear();
        const std::string text = printable(BatchJob::textOf(chunk, item));
        std::fprintf(stderr, "velrin: %s:%" PRIu64 ": cannot read \"%s\": %.*s\n", name.c_str(),
                     item.line, text.c_str(), static_cast<int>(item.reason.size()),
                     item.reason.data());
      }
      total.merge(chunk.tally);
      // Records that go to the meter's terminal start on a line of their own.
      if (recordsOnTerminal) progress.clear();
      writeFailed = !sink.write(chunk.bytes.view());
      progress.advance(chunk.records);
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
  return total.badLines() != 0 ? 1 : 0;
}

}  // namespace velrin::cli
