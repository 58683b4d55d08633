// Whole sessions of the dialogue, read from memory and written to
// /dev/null: the time per curve, and a heap peak that must not grow with
// the number of passes, since one Curve serves them all and its list of
// bad primes is released and rebuilt for each.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "allocation_counter.hpp"
#include "curve/curve.hpp"
#include "dialogue/dialogue.hpp"
#include "dialogue/line_reader.hpp"
#include "xorshift.hpp"

namespace velrin {
namespace {

// The typed input of a session of `passes` curves, answered n until the
// last. Coefficients of every size up to the point where B(A^3 - 27B)
// leaves 64 bits, from a fixed xorshift sequence; `smallOnly` keeps
// |A|, |B| <= 30, the curves that the plain paths finish quickly.
std::string sessionInput(int64_t passes, bool smallOnly) {
  XorShift next(0x9e3779b97f4a7c15ULL);
  std::string input;
  for (int64_t i = 0; i < passes; ++i) {
    const uint64_t bitsA = smallOnly ? 5 : 1 + next() % 20;
    // Up to 20 bits of A leave at least 3 bits of room for B.
    const uint64_t roomForB = 63 - 3 * bitsA;
    const uint64_t bitsB = smallOnly ? 5 : 1 + next() % (roomForB < 31 ? roomForB : 31);
    auto a = static_cast<int64_t>(next() % (uint64_t{1} << bitsA));
    auto b = static_cast<int64_t>(next() % (uint64_t{1} << bitsB)) + 1;
    if (smallOnly) {
      a = a % 61 - 30;
      b = b % 61 - 30;
    }
    if ((next() & 1U) != 0) a = -a;
    if ((next() & 1U) != 0) b = -b;
    input.append(std::to_string(a)).append("\n").append(std::to_string(b)).append("\n");
    input.append(i + 1 == passes ? "y\n" : "n\n");
  }
  return input;
}

void runSession(benchmark::State& state, bool smallOnly) {
  const std::string input = sessionInput(state.range(0), smallOnly);
  std::FILE* sink = std::fopen("/dev/null", "w");
  const bench::HeapMeter heap;
  for (auto _ : state) {
    LineReader reader(input);
    benchmark::DoNotOptimize(runDialogue(reader, sink, Rules::kClassic));
  }
  heap.report(state, state.iterations() * state.range(0));
  std::fclose(sink);
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["per_curve"] = benchmark::Counter(
      static_cast<double>(state.range(0)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Curves of every size, on the program's own paths.
void BM_SessionFast(benchmark::State& state) { runSession(state, false); }
BENCHMARK(BM_SessionFast)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// Small curves. (The plain references run on the record, not the dialogue:
// descent_bench.cpp and full_pass.cpp measure them.)
void BM_SessionSmallCurvesFast(benchmark::State& state) { runSession(state, true); }
BENCHMARK(BM_SessionSmallCurvesFast)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velrin
