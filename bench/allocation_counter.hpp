#pragma once

#include <benchmark/benchmark.h>

namespace velrin::bench {

/// The heap use of a stretch of a benchmark, shown as counters in the
/// console report (the memory manager's figures reach only the JSON one):
/// allocations per item and the peak of the live bytes above the start.
class HeapMeter {
 public:
  HeapMeter();

  /// Sets allocs_per_item and peak_heap_bytes on state for the stretch
  /// since construction, which handled `items` items in all.
  void report(benchmark::State& state, int64_t items) const;

 private:
  int64_t allocationsAtStart_;
  int64_t liveAtStart_;
};

/// Reports the heap use of a benchmark's body: the number of allocations,
/// the peak of the live bytes above what was live at the start, and the
/// bytes allocated in all. It reads counters that the replacement operator
/// new and delete of this program keep, so only C++ allocations count (the
/// program makes no others).
class AllocationCounter : public benchmark::MemoryManager {
 public:
  void Start() override;
  void Stop(Result& result) override;
  /// The form that Google Benchmark 1.7 still calls; later versions drop it.
  void Stop(Result* result);
};

}  // namespace velrin::bench
