// The Selmer dimension and the whole report, on the plain path (every
// candidate enumerated and tested by least-root searches, 3^k of them at k
// bad primes) and on the fast one (the local conditions as linear forms
// over F_3, one elimination), for curves with 2 to 13 bad primes.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdio>

#include "allocation_counter.hpp"
#include "curve/curve.hpp"
#include "descent/f3_matrix.hpp"
#include "descent/local_images.hpp"
#include "descent/selmer.hpp"
#include "dialogue/reporting_curve.hpp"
#include "reference/plain_paths.hpp"

namespace velrin {
namespace {

struct NamedCurve {
  const char* name;
  int32_t a;
  int32_t b;
};

// A = 0 and B the product of the first k primes give exactly k bad primes,
// all small. Past 9 primes B has no room left, so A is chosen among those
// for which A^3 - 27B has only prime factors below 1000.
constexpr std::array<NamedCurve, 12> kCurves = {{
    {"2 bad primes", 0, 6},
    {"3 bad primes", 0, 30},
    {"4 bad primes", 0, 210},
    {"5 bad primes", 0, 2310},
    {"6 bad primes", 0, 30030},
    {"7 bad primes", 0, 510510},
    {"8 bad primes", 0, 9699690},
    {"9 bad primes", 0, 223092870},
    {"10 bad primes", -2982, 510510},
    {"11 bad primes", -2925, 9699690},
    {"12 bad primes", -2835, 9699690},
    {"13 bad primes", -2966, 9699690},
}};

// Counts the bad primes and the candidates that the plain path enumerates.
void countCandidates(benchmark::State& state, const Curve& curve) {
  int64_t badPrimes = 0;
  int64_t candidates = curve.threeIsBad == 0 ? 3 : 1;
  for (const BadPrimeNode* node = curve.head; node->prime != 0; node = node->next) {
    ++badPrimes;
    candidates *= 3;
  }
  state.counters["bad_primes"] = static_cast<double>(badPrimes);
  state.counters["candidates"] = static_cast<double>(candidates);
}

// The dimension alone, on a curve whose list of bad primes is already built.
template <Paths kPaths>
void BM_SelmerDimensions(benchmark::State& state) {
  const NamedCurve& input = kCurves[static_cast<size_t>(state.range(0))];
  std::FILE* sink = std::fopen("/dev/null", "w");
  {
    ReportingCurve curve(sink);
    curve.setCoefficients(input.a, input.b);
    for (auto _ : state) {
      curve.selmerDims = {0, 0};
      benchmark::DoNotOptimize(selmerDimensions(curve, kPaths));
    }
    countCandidates(state, curve);
  }
  std::fclose(sink);
  state.SetLabel(input.name);
}

// One whole pass as the dialogue runs it: line [1], factorisation, the
// classification of each bad prime, and lines [2] to [4], printed to
// /dev/null through one Curve that serves every pass. (The plain path's
// whole pass is bench/full_pass.cpp's.)
void BM_ReportFast(benchmark::State& state) {
  const NamedCurve& input = kCurves[static_cast<size_t>(state.range(0))];
  std::FILE* sink = std::fopen("/dev/null", "w");
  {
    ReportingCurve curve(sink);
    const bench::HeapMeter heap;
    for (auto _ : state) {
      if (curve.setCoefficients(input.a, input.b) != 0) printReport(curve);
    }
    heap.report(state, state.iterations());
    countCandidates(state, curve);
  }
  std::fclose(sink);
  state.SetLabel(input.name);
}

BENCHMARK(BM_SelmerDimensions<Paths::kPlain>)
    ->DenseRange(0, kCurves.size() - 1)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SelmerDimensions<Paths::kFast>)
    ->DenseRange(0, kCurves.size() - 1)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReportFast)->DenseRange(0, kCurves.size() - 1)->Unit(benchmark::kMicrosecond);

// The elimination alone, on a full 16 by 16 matrix of pseudo-random
// entries: the most columns that a descent can have (15 bad primes and 3).
void BM_F3MatrixRank(benchmark::State& state) {
  F3Matrix matrix;
  uint64_t x = 0x2545f4914f6cdd1dULL;
  for (int32_t i = 0; i < F3Matrix::kMaxColumns; ++i) {
    F3Matrix::Row row{};
    for (int32_t& entry : row) {
      x ^= x << 13U;
      x ^= x >> 7U;
      x ^= x << 17U;
      entry = static_cast<int32_t>(x % 3);
    }
    matrix.addRow(row);
  }
  for (auto _ : state) benchmark::DoNotOptimize(matrix.rank());
}
BENCHMARK(BM_F3MatrixRank);

}  // namespace
}  // namespace velrin
