#include "allocation_counter.hpp"

#include <malloc.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

// The benchmarks run on one thread; the library's own threads, if any, do
// not allocate while a body is measured.
size_t gLiveBytes = 0;
size_t gPeakBytes = 0;
size_t gAllocatedBytes = 0;
int64_t gAllocations = 0;

}  // namespace

// Every C++ allocation of the benchmark program passes here; the array
// forms call these by default. malloc_usable_size gives the same size at
// the release as at the allocation, so the live count stays exact.
void* operator new(size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  const size_t usable = malloc_usable_size(p);
  gLiveBytes += usable;
  gAllocatedBytes += usable;
  if (gLiveBytes > gPeakBytes) gPeakBytes = gLiveBytes;
  ++gAllocations;
  return p;
}

void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  gLiveBytes -= malloc_usable_size(p);
  std::free(p);
}

void operator delete(void* p, size_t) noexcept { operator delete(p); }

namespace velrin::bench {

namespace {
size_t gLiveAtStart = 0;
size_t gAllocatedAtStart = 0;
int64_t gAllocationsAtStart = 0;
}  // namespace

void AllocationCounter::Start() {
  gLiveAtStart = gLiveBytes;
  gPeakBytes = gLiveBytes;
  gAllocatedAtStart = gAllocatedBytes;
  gAllocationsAtStart = gAllocations;
}

void AllocationCounter::Stop(Result& result) {
  result.num_allocs = gAllocations - gAllocationsAtStart;
  result.max_bytes_used = static_cast<int64_t>(gPeakBytes - gLiveAtStart);
  result.total_allocated_bytes = static_cast<int64_t>(gAllocatedBytes - gAllocatedAtStart);
  result.net_heap_growth = static_cast<int64_t>(gLiveBytes) - static_cast<int64_t>(gLiveAtStart);
}

void AllocationCounter::Stop(Result* result) { Stop(*result); }

HeapMeter::HeapMeter()
    : allocationsAtStart_(gAllocations), liveAtStart_(static_cast<int64_t>(gLiveBytes)) {
  gPeakBytes = gLiveBytes;
}

void HeapMeter::report(benchmark::State& state, int64_t items) const {
  const int64_t allocations = gAllocations - allocationsAtStart_;
  state.counters["allocs_per_item"] =
      static_cast<double>(allocations) / static_cast<double>(items > 0 ? items : 1);
  state.counters["peak_heap_bytes"] =
      static_cast<double>(static_cast<int64_t>(gPeakBytes) - liveAtStart_);
}

}  // namespace velrin::bench
