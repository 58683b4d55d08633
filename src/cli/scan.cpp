#include "cli/scan.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "arith/progression_sieve.hpp"
#include "cli/distinct_pairs.hpp"
#include "cli/output_file.hpp"
#include "cli/pipeline.hpp"
#include "cli/progress.hpp"
#include "render/message_text.hpp"

namespace velrin::cli {

namespace {

class ScanJob : public ChunkJob {
 public:
  ScanJob(const Box& box, IndexRange range, Rules rules, int32_t rankHeight, bool secondDescent,
          bool distinct)
      : box_(box),
        next_(range.begin),
        end_(range.end),
        rules_(rules),
        rankHeight_(rankHeight),
        secondDescent_(secondDescent),
        distinct_(distinct) {}

  bool take(Chunk& chunk, uint64_t pairs) override {
    if (next_ >= end_) return false;
    chunk.first = next_;
    chunk.count = std::min(pairs, end_ - next_);
    next_ += chunk.count;
    return true;
  }

  void render(Chunk& chunk, Worker& worker) override {
    worker.writer.setRankHeight(rankHeight_);
    // The chunk in pieces of one row each: fixed A, consecutive B.
    auto [a, b] = box_.pairAt(chunk.first);
    uint64_t done = 0;
    while (done < chunk.count) {
      const uint64_t rowLeft =
          static_cast<uint64_t>(static_cast<int64_t>(box_.b().max) - static_cast<int64_t>(b)) + 1;
      const auto count =
          static_cast<uint32_t>(std::min({rowLeft, chunk.count - done, uint64_t{kSievedTerms}}));
      renderPiece(a, b, count, chunk, worker.writer, worker.workspace);
      done += count;
      // B runs through its range, then A steps on; the step after the
      // chunk's last pair may leave the box, and is then not used.
      if (count == rowLeft) {
        b = box_.b().min;
        if (a != box_.a().max) ++a;
      } else {
        b = static_cast<int32_t>(static_cast<int64_t>(b) + count);
      }
    }
    // Every pair counts, written or (--distinct) passed over: a resumed
    // run goes on after the pairs its file covers.
    chunk.records = chunk.count;
  }

 private:
  // Terms a row sieve factors at once: 88 bytes each for F and again for
  // B, a segment that stays in the caches.
  static constexpr uint32_t kSievedTerms = 1024;

  // The pairs (a, b0), ..., (a, b0 + count - 1) of one row. Under the true
  // rules the row sieve factors F = A^3 - 27B and B for the whole piece and
  // hands each curve its primes; a piece too short for the primes its F
  // need, or with F beyond the sieve, is analysed curve by curve, with the
  // same records.
  void renderPiece(int32_t a, int32_t b0, uint32_t count, Chunk& chunk, RecordWriter& writer,
                   Workspace& workspace) {
    // |A| <= 2^20 keeps every F below 2^61; the sieve itself declines rows
    // whose F exceed its prime table. Both rules take their primes from it:
    // the classic ones read the primes of D = B F off the two lists.
    const int64_t a64 = a;
    bool sieved = a64 >= -(int64_t{1} << 20) && a64 <= int64_t{1} << 20;
    Workspace::RowSieves* sieves = nullptr;
    if (sieved) {
      sieves = &workspace.rowSieves(count);
      sieved = sieves->f.factor(a64 * a64 * a64 - 27 * int64_t{b0}, -27, count) &&
               sieves->b.factor(b0, 1, count);
    }
    // One record for the piece, refilled by each curve of a sieved row.
    CurveAnalysis analysis;
    // Records and the rank search read the basis of Sel(E^/Q); the summary
    // alone reads the dimensions.
    const bool withBasis = writer.format() != Format::kNone || rankHeight_ != 0;
    for (uint32_t k = 0; k < count; ++k) {
      const auto b = static_cast<int32_t>(static_cast<int64_t>(b0) + k);
      if (distinct_ && !firstOfClassInBox(box_, a, b)) continue;
      if (sieved) {
        analyzeCurve(a, b, sieves->factorsOf(k), analysis, rules_, withBasis);
      } else {
        analysis = analyzeCurve(a, b, rules_);
      }
      if (rankHeight_ != 0) {
        const RankSearch rank = searchRank(analysis, rankHeight_, secondDescent_);
        writer.curve(analysis, 0, chunk.bytes, &rank);
        chunk.tally.add(rank);
      } else {
        writer.curve(analysis, 0, chunk.bytes);
      }
      chunk.tally.add(analysis);
    }
  }

  Box box_;
  uint64_t next_;
  uint64_t end_;
  Rules rules_;
  int32_t rankHeight_;
  bool secondDescent_;
  bool distinct_;
};

}  // namespace

Outcome runScan(const ScanOptions& options) {
  const Box box(options.a, options.b);
  const std::optional<uint64_t> pairs = box.pairCount();
  if (!pairs) {
    return stopped(2, "the box holds 2^64 pairs, more than a run can number; split it");
  }
  const IndexRange range = shardRange(*pairs, options.shard);
  const bool headerHere = options.run.format == Format::kCsv && options.shard.index == 1;

  // The summary counts the records already in a resumed file, too.
  Tally total;
  int fd = STDOUT_FILENO;
  uint64_t start = range.begin;
  bool headerDone = false;
  bool durable = false;
  const bool compressed = isZstdName(options.output);
  if (!options.output.empty()) {
    const char* path = options.output.c_str();
    fd = openOutputFile(path);
    if (fd < 0) {
      return stopped(2, "cannot open " + printable(path) + ": " + std::strerror(errno));
    }
  }
  const FileCloser closer(options.output.empty() ? -1 : fd);
  if (!options.output.empty()) {
    const std::string path = printable(options.output);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
      return stopped(2, "cannot use " + path + ": " + std::strerror(errno));
    }
    // A device or a pipe (/dev/null for the summary alone) is written to
    // as it is: there is nothing to resume in it and nothing to sync.
    durable = S_ISREG(info.st_mode);
  }
  if (durable) {
    const std::string path = printable(options.output);
    // Two runs appending to one file would interleave their records.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      return stopped(2, path + " is in use by another run");
    }
    const int32_t rankHeight = options.run.rankHeight;
    const std::string_view header = headerHere ? csvHeader(rankHeight != 0) : std::string_view();
    const Box& scanBox = box;
    const Rules rules = options.run.rules;
    const bool distinct = options.distinct;
    std::string error;
    const std::optional<ResumePoint> point = prepareResume(
        fd, compressed, header, range,
        [&](IndexRange part) {
          return std::make_unique<ScanJob>(scanBox, part, rules, rankHeight,
                                           options.run.secondDescent, distinct);
        },
        options.run, total, error);
    if (!point) {
      return stopped(2, "cannot resume in " + path + ": " + error);
    }
    start = range.begin + point->records;
    headerDone = point->keep != 0;
  }

  OutputSink sink(fd, durable, compressed);
  bool writeFailed =
      headerHere && !headerDone && !sink.write(csvHeader(options.run.rankHeight != 0));
  if (!writeFailed) {
    Progress progress(stderr, progressWanted(options.run.quiet), range.end - start);
    // With --distinct the file holds fewer records than the pairs it covers.
    progress.setAlreadyThere(options.distinct
                                 ? total.singular() + total.tooLarge() + total.analysed()
                                 : start - range.begin);
    const bool recordsOnTerminal = options.output.empty() && ::isatty(STDOUT_FILENO) == 1;
    ScanJob job(box, {start, range.end}, options.run.rules, options.run.rankHeight,
                options.run.secondDescent, options.distinct);
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
    return stopped(1, std::string("cannot write the records: ") + std::strerror(sink.error()));
  }
  if (options.run.summary) total.print(stderr);
  if (!options.run.summaryJson.empty() && !writeSummaryJson(options.run.summaryJson, total)) {
    return stopped(1, "cannot write the summary to " + printable(options.run.summaryJson));
  }
  return finished(0);
}

}  // namespace velrin::cli
