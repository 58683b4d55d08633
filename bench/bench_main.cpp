#include <benchmark/benchmark.h>

#include "allocation_counter.hpp"

// Google Benchmark's own main, with the heap counter registered: each
// benchmark is run once more under it, and its allocations per iteration
// and peak bytes join the report.
int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  velrin::bench::AllocationCounter counter;
  benchmark::RegisterMemoryManager(&counter);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::RegisterMemoryManager(nullptr);
  benchmark::Shutdown();
  return 0;
}
