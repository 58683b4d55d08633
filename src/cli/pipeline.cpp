#include "cli/pipeline.hpp"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "descent/workspace.hpp"

namespace velrin::cli {

namespace {

enum class SlotState : uint8_t { kFree, kRendering, kReady };

struct Slot {
  Chunk chunk;
  SlotState state = SlotState::kFree;
};

// The chunks in flight live in a ring of slots: the chunk with sequence s
// goes to slot s % size, which is free once chunk s - size was consumed.
// One worker at a time takes input, under takeMutex_ (so chunks are
// numbered in input order) but not under mutex_, since taking may wait for
// input (a batch read from a pipe): meanwhile the others render and the
// consumer writes. The consumer waits for each sequence in turn.
class Ring {
 public:
  Ring(ChunkJob& job, size_t size, uint64_t pairs) : job_(job), slots_(size), pairs_(pairs) {}

  void work(Format format) {
    Worker worker(format);
    for (;;) {
      Slot* slot = nullptr;
      std::unique_lock taking(takeMutex_);
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return ended_ || slotFor(next_).state == SlotState::kFree; });
        if (ended_) return;
        slot = &slotFor(next_);
        slot->chunk.sequence = next_;
        // Held by this taker alone until it is numbered: the consumer
        // waits for it to be ready, no other worker takes meanwhile.
        slot->state = SlotState::kRendering;
      }
      const bool taken = job_.take(slot->chunk, pairs_);
      {
        std::lock_guard lock(mutex_);
        if (!taken) {
          slot->state = SlotState::kFree;
          ended_ = true;
          if (end_ > next_) end_ = next_;
          changed_.notify_all();
          return;
        }
        ++next_;
      }
      taking.unlock();
      slot->chunk.bytes.clear();
      slot->chunk.tally.clear();
      slot->chunk.records = 0;
      job_.render(slot->chunk, worker);
      {
        std::lock_guard lock(mutex_);
        slot->state = SlotState::kReady;
      }
      changed_.notify_all();
    }
  }

  void consumeAll(const std::function<bool(Chunk&)>& consume) {
    for (uint64_t sequence = 0;; ++sequence) {
      Slot* slot = nullptr;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] {
          const Slot& s = slotFor(sequence);
          return (ended_ && sequence >= end_) ||
                 (s.state == SlotState::kReady && s.chunk.sequence == sequence);
        });
        if (ended_ && sequence >= end_) return;
        slot = &slotFor(sequence);
      }
      const bool goOn = consume(slot->chunk);
      {
        std::lock_guard lock(mutex_);
        slot->state = SlotState::kFree;
        if (!goOn && !ended_) {
          ended_ = true;
          end_ = sequence + 1;
        }
      }
      changed_.notify_all();
      if (!goOn) return;
    }
  }

  // After the consumer stopped early, workers may still be rendering;
  // they find the run ended when they come back for more.
  void stop() {
    std::lock_guard lock(mutex_);
    ended_ = true;
    if (end_ > next_) end_ = next_;
    changed_.notify_all();
  }

 private:
  Slot& slotFor(uint64_t sequence) { return slots_[sequence % slots_.size()]; }

  ChunkJob& job_;
  std::vector<Slot> slots_;
  uint64_t pairs_;        // records per chunk
  std::mutex takeMutex_;  // one taker at a time, in sequence order
  std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t next_ = 0;   // the sequence of the next chunk to take
  bool ended_ = false;  // no chunk beyond end_ will be taken
  uint64_t end_ = UINT64_MAX;
};

}  // namespace

bool writeSummaryJson(const std::string& path, const Tally& tally) {
  std::FILE* file = std::fopen(path.c_str(), "w");
  const std::string text = tally.json();
  bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (file != nullptr && std::fclose(file) != 0) written = false;
  return written;
}

uint64_t chunkPairs(int threads) {
  constexpr uint64_t kBudget = uint64_t{8} << 20;  // bytes of records in flight
  constexpr uint64_t kRecordBytes = 512;
  const uint64_t slots = 2 * static_cast<uint64_t>(threads < 1 ? 1 : threads);
  return std::clamp<uint64_t>(kBudget / (slots * kRecordBytes), 16, 1024);
}

void runPipeline(ChunkJob& job, int threads, Format format,
                 const std::function<bool(Chunk&)>& consume) {
  if (threads <= 1) {
    // One thread renders and writes in turn: no handing over at all.
    Worker worker(format);
    auto chunk = std::make_unique<Chunk>();
    for (uint64_t sequence = 0;; ++sequence) {
      chunk->sequence = sequence;
      if (!job.take(*chunk, chunkPairs(1))) return;
      chunk->bytes.clear();
      chunk->tally.clear();
      chunk->records = 0;
      job.render(*chunk, worker);
      if (!consume(*chunk)) return;
    }
  }
  // The process's state stays with the thread that set it up: this one,
  // which outlives the workers.
  startAnalysis();
  Ring ring(job, 2 * static_cast<size_t>(threads), chunkPairs(threads));
  std::vector<std::thread> workers;
  workers.reserve(static_cast<size_t>(threads));
  for (int i = 0; i < threads; ++i) workers.emplace_back([&ring, format] { ring.work(format); });
  ring.consumeAll(consume);
  ring.stop();
  for (std::thread& worker : workers) worker.join();
}

}  // namespace velrin::cli
