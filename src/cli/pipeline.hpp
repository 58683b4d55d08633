#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cli/tally.hpp"
#include "descent/workspace.hpp"
#include "render/output_buffer.hpp"
#include "render/records.hpp"

namespace velrin::cli {

/// What a batch and a scan share: the form of their records and how they
/// run.
struct RunOptions {
  Format format = Format::kText;
  Rules rules = Rules::kTrue;
  int threads = 1;
  bool summary = false;     ///< a table of the results on standard error at the end
  std::string summaryJson;  ///< a file for the same summary as JSON, empty for none
  bool quiet = false;       ///< no progress meter
  /// --rank: search each curve's covering curves to this height and add
  /// the rank to its record (0: no search).
  int32_t rankHeight = 0;
  /// --second-descent: with --rank, the 3-coverings of the covers too.
  bool secondDescent = false;
};

/// One line of a batch as a chunk carries it: a pair, or the text of a
/// line that held none (kept in the chunk's errorText).
struct BatchItem {
  uint64_t line = 0;
  int32_t a = 0;
  int32_t b = 0;
  bool bad = false;
  std::string_view reason;  ///< a constant message, for a bad line
  uint32_t textOffset = 0;  ///< the bad line's text in errorText
  uint32_t textLength = 0;
  /// A line that gives a curve as a model or a label instead of a pair:
  /// its text is kept in errorText too, and render sets failed (and
  /// reason) when the curve cannot be moved to (A, B).
  bool curve = false;
  bool failed = false;
};

/// A run of consecutive records: its input, then the bytes rendered for it
/// and its tally. Chunks are numbered in output order and reused.
struct Chunk {
  uint64_t sequence = 0;
  uint64_t first = 0;  ///< a scan: the first pair index
  uint64_t count = 0;  ///< a scan: the number of pairs
  std::vector<BatchItem> items;
  std::string errorText;
  OutputBuffer bytes;
  uint64_t records = 0;  ///< curves and bad lines rendered; a scan's pairs, passed over or not
  Tally tally;
};

/// What each thread that renders records holds: its record writer and its
/// workspace (descent/workspace.hpp: its PARI stack, a scan's row sieves),
/// made on that thread before its first chunk and released when it ends.
struct Worker {
  explicit Worker(Format format) : writer(format) {}
  RecordWriter writer;
  Workspace workspace;
};

/// The work of a run, split into chunks.
class ChunkJob {
 public:
  virtual ~ChunkJob() = default;
  /// Fills the next chunk's input with at most `pairs` records; false when
  /// there is none. Called for one chunk at a time, in sequence order.
  virtual bool take(Chunk& chunk, uint64_t pairs) = 0;
  /// Analyses a chunk's input and renders its records into chunk.bytes,
  /// cleared beforehand. Called on several threads at once, each with its
  /// own worker and chunk.
  virtual void render(Chunk& chunk, Worker& worker) = 0;
};

/// Writes tally.json() to path (--summary-json); false when it cannot be
/// written.
bool writeSummaryJson(const std::string& path, const Tally& tally);

/// Runs job on `threads` threads and hands every chunk, in sequence order,
/// to consume on the calling thread; the output is the same, byte for byte,
/// whatever the number of threads. consume returns false to stop the run
/// (a write failed). At most two chunks per thread are held at once, of
/// chunkPairs(threads) records, so the memory does not grow with the size
/// of the run.
void runPipeline(ChunkJob& job, int threads, Format format,
                 const std::function<bool(Chunk&)>& consume);

/// Pairs per chunk on `threads` threads: 1024, large enough that handing
/// chunks between threads costs nothing measurable; fewer when so many
/// threads would otherwise hold more than about 8 MiB of rendered records
/// between them (two chunks each, a few hundred bytes a record), so that
/// memory stays small whatever the number of threads.
uint64_t chunkPairs(int threads);

}  // namespace velrin::cli
