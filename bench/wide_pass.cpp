// The whole analysis of one curve (analyzeCurve under the true rules, as
// every command runs it) on the hardest pairs of 32-bit coefficients: each
// pair of standard input ("A B" a line) is analysed `repeats` times and its
// median and slowest thread CPU times are kept; the slowest pairs are
// printed, and the count of pairs at or over the target. Usage:
//
//   velrin_wide_pass [REPEATS] < pairs
//
// Exit status 1 when a pair took 20 ms or more.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "descent/curve_analysis.hpp"

namespace velrin {
namespace {

constexpr double kTargetMs = 20.0;

double threadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
}

struct Timing {
  long a = 0;
  long b = 0;
  double medianMs = 0;
  double maxMs = 0;
  std::string primes;
};

Timing timePair(long a, long b, int repeats) {
  Timing timing{a, b, 0, 0, ""};
  std::vector<double> runs;
  CurveAnalysis analysis;
  for (int i = 0; i < repeats; ++i) {
    const double start = threadCpuMs();
    analysis = analyzeCurve(static_cast<int32_t>(a), static_cast<int32_t>(b));
    runs.push_back(threadCpuMs() - start);
  }
  std::sort(runs.begin(), runs.end());
  timing.medianMs = runs[runs.size() / 2];
  timing.maxMs = runs.back();
  for (const LocalDatum& local : analysis.badPrimes()) {
    timing.primes.append(timing.primes.empty() ? "" : " ").append(decimalText(local.prime));
  }
  return timing;
}

int run(int repeats) {
  std::vector<Timing> timings;
  long a = 0;
  long b = 0;
  while (std::scanf("%ld %ld", &a, &b) == 2) timings.push_back(timePair(a, b, repeats));
  std::sort(timings.begin(), timings.end(),
            [](const Timing& x, const Timing& y) { return x.maxMs > y.maxMs; });
  std::printf("%zu pairs, each analysed %d times (thread CPU time)\n", timings.size(), repeats);
  std::printf("%-12s %-12s %9s %9s  bad primes\n", "A", "B", "median", "slowest");
  for (size_t i = 0; i < timings.size() && i < 8; ++i) {
    const Timing& t = timings[i];
    std::printf("%-12ld %-12ld %7.3f ms %7.3f ms  %s\n", t.a, t.b, t.medianMs, t.maxMs,
                t.primes.c_str());
  }
  const auto over = std::count_if(timings.begin(), timings.end(),
                                  [](const Timing& t) { return t.maxMs >= kTargetMs; });
  const bool met = over == 0 && !timings.empty();
  std::printf("every pair under %.0f ms: %s (slowest %.3f ms, A=%ld, B=%ld)\n", kTargetMs,
              met ? "met" : "MISSED", timings.empty() ? 0.0 : timings[0].maxMs,
              timings.empty() ? 0L : timings[0].a, timings.empty() ? 0L : timings[0].b);
  return met ? 0 : 1;
}

}  // namespace
}  // namespace velrin

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  return velrin::run(repeats);
}
