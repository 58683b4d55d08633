// The full pass (setCoefficients to the end of line [4]) on the slowest
// curves that slow_input_search.cpp found, fast paths against plain ones,
// side by side with the ratio. Usage:
//
//   velrin_full_pass [--plain-cap SECONDS] [--plain-budget SECONDS] [--fast-only]
//
// The fast pass is repeated and its median and worst times are shown; the
// plain pass runs once. Before it runs, its time is predicted from a sample
// of the Selmer candidates that it would enumerate (the enumeration is
// nearly all of its time): a run predicted above the cap, or beyond what is
// left of the budget, is skipped and its prediction shown in brackets. Every
// plain run's report is compared byte for byte with the fast one.
//
// Exit status 1 when a fast pass took 5 ms or more, or a report differed.

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "arith/factored_integer.hpp"
#include "arith/prime_table.hpp"
#include "curve/classic_scan.hpp"
#include "curve/curve.hpp"
#include "descent/local_images.hpp"
#include "descent/selmer.hpp"
#include "dialogue/reporting_curve.hpp"
#include "null_sink.hpp"
#include "reference/plain_paths.hpp"

namespace velrin {
namespace {

struct SlowCurve {
  int32_t a;
  int32_t b;
  const char* why;
};

// What makes each slow; slow_input_search.cpp finds more of each kind.
constexpr SlowCurve kCurves[] = {
    // The most distinct bad primes that D can have in 64 bits, 15, all below
    // 100: the plain path enumerates 3^15 candidates, each paying a residue
    // of up to 15 factors at every node it reaches.
    {-4931, 73277490, "15 bad primes up to 89: 3^15 candidates"},
    {-2725, -382771290, "15 bad primes up to 53, IV at 5: 3^15 candidates"},
    // A table prime near 611951, p = 1 (mod 3), in A^3 - 27B behind 11 small
    // primes: every unit candidate that reaches its node pays a least-root
    // search over up to p residues.
    {3431, 1542250710, "11 bad primes < 100 and 611557 (I1): searches to 611557"},
    {-839, 554213660, "11 bad primes < 60 and 595291 (I1): searches to 595291"},
    // Two such primes behind 8 small ones of type I3 whose image is the whole
    // group, so that every candidate reaches the first long search.
    {-6679, -29099070, "8 bad primes < 20 (I3) and 516679 * 575131 (I1)"},
    // A prime just beyond the table: the plain factorisation walks all
    // 49,999 primes, then 12 bad primes are left to enumerate.
    {1697, 606996390, "12 bad primes < 42 and 711353 beyond the table"},
    {1, 611953, "B = 611953, the first prime beyond the table"},
    // D a product of two primes above 2^29 (and a power of 2): the fast path
    // has no prime below 1000 to divide out, and Pollard's rho walks about
    // the square root of the smaller; these two took longest of 32,019.
    {-1656316, -2, "D = 4 * 820401091 * 2769321431: rho's longest walk"},
    {1491695, 2, "D = 2 * 1711399013 * 1939495717: two primes near 2^31"},
    // The slowest fast passes of 3,000,000 random curves of every size.
    {1602641, 2, "random: D = 2 * 901451381 * 4566321007"},
    {1662, 73718371, "random: D = 27 * 73718371 * 96313093"},
};

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The report of one pass as text, and the seconds it took.
double reportInto(int32_t a, int32_t b, Paths paths, std::string& text) {
  char* buffer = nullptr;
  size_t size = 0;
  std::FILE* memory = open_memstream(&buffer, &size);
  double seconds = 0.0;
  bool differs = false;
  {
    ReportingCurve curve(memory);
    const Clock::time_point start = Clock::now();
    if (curve.setCoefficients(a, b) != 0) {
      // The plain pass: the whole table walk over D and the enumeration of
      // every candidate; the report prints the record's own dimensions,
      // which must equal the enumeration's.
      std::array<int32_t, 2> plainDims{};
      const std::optional<int64_t> d = classicDiscriminant(a, b);
      const bool plain = paths == Paths::kPlain && d;
      if (plain) {
        std::array<int32_t, 17> primes{};
        differs = factorizeByTable(*d, primes).endOfTable != curve.warnings.endOfTable;
        plainDims = selmerDimensionsByEnumeration(curve);
        curve.selmerDims = {0, 0};
      }
      printReport(curve);
      differs = differs || (plain && plainDims != curve.selmerDims);
    }
    seconds = secondsSince(start);
  }
  std::fclose(memory);
  text.assign(buffer, size);
  std::free(buffer);
  if (differs) text.append("[the enumeration differs]\n");
  return seconds;
}

// The thread's own CPU time: unlike the wall clock it does not count the
// time that the scheduler gives to other processes in the middle of a pass,
// which on a shared machine would otherwise set the worst figure.
double threadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct FastTimes {
  double median;     // wall clock
  double worst;      // slowest run, each run taken as the lesser of its CPU and wall time
  double worstWall;  // wall clock of the slowest run, preemptions included
  int32_t runs;
};

// Repeats the fast pass for about a quarter of a second (at least 20 runs)
// through one Curve, as a session would.
FastTimes timeFast(int32_t a, int32_t b) {
  Sink sink;
  ReportingCurve curve(sink.get());
  std::vector<double> wall;
  double worst = 0.0;
  const Clock::time_point begin = Clock::now();
  while (wall.size() < 20 || (secondsSince(begin) < 0.25 && wall.size() < 100000)) {
    const double cpuStart = threadSeconds();
    const Clock::time_point start = Clock::now();
    if (curve.setCoefficients(a, b) != 0) printReport(curve);
    wall.push_back(secondsSince(start));
    const double cpu = threadSeconds() - cpuStart;
    worst = std::max(worst, std::min(cpu, wall.back()));
  }
  std::sort(wall.begin(), wall.end());
  return {wall[wall.size() / 2], worst, wall.back(), static_cast<int32_t>(wall.size())};
}

struct PlainShape {
  int32_t badPrimes = 0;
  double candidates = 0.0;
  double predicted = 0.0;  // seconds
};

// Predicts the plain pass: the time of its factorisation and classification,
// plus the number of candidates times the mean cost of the local test on a
// random sample of them (for about a second, at most 20,000 of them).
PlainShape predictPlain(int32_t a, int32_t b) {
  Sink sink;
  ReportingCurve curve(sink.get());
  const Clock::time_point start = Clock::now();
  PlainShape shape;
  if (curve.setCoefficients(a, b) == 0 || curve.tooLarge) return shape;
  const double scan = secondsSince(start);
  std::vector<int32_t> generators;
  if (curve.threeIsBad == 0) generators.push_back(3);
  for (const BadPrimeNode* node = curve.head; node->prime != 0; node = node->next) {
    generators.push_back(node->prime);
    ++shape.badPrimes;
  }
  shape.candidates = 1.0;
  for (size_t i = 0; i < generators.size(); ++i) shape.candidates *= 3.0;
  uint64_t x = 0x853c49e6748fea9bULL ^ (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32U) ^
               static_cast<uint32_t>(b);
  // The sample is drawn before the clock starts: the enumeration builds its
  // candidates a factor at a time from shared prefixes, almost for free.
  constexpr size_t kMaxSamples = 20000;
  std::vector<FactoredInteger> sample(kMaxSamples);
  for (FactoredInteger& m : sample) {
    for (const int32_t p : generators) {
      x ^= x << 13U;
      x ^= x >> 7U;
      x ^= x << 17U;
      m = m.times(p, static_cast<int32_t>(x % 3));
    }
  }
  size_t samples = 0;
  int64_t accepted = 0;
  const Clock::time_point sampling = Clock::now();
  while (samples < kMaxSamples && (samples % 16 != 0 || secondsSince(sampling) < 1.0)) {
    accepted += inLocalImagesPlain(curve, sample[samples++]);
  }
  const double spent = secondsSince(sampling);
  shape.predicted = scan + shape.candidates * spent / static_cast<double>(samples);
  if (accepted < 0) std::puts("");  // keeps the tests from being optimised away
  return shape;
}

std::string formatSeconds(double seconds) {
  char text[32];
  if (seconds < 1e-3) {
    std::snprintf(text, sizeof text, "%.1f us", seconds * 1e6);
  } else if (seconds < 1.0) {
    std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
  } else {
    std::snprintf(text, sizeof text, "%.1f s", seconds);
  }
  return text;
}

struct Options {
  double plainCap = 180.0;
  double plainBudget = 900.0;
  bool fastOnly = false;
};

Options parseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--fast-only") == 0) {
      options.fastOnly = true;
    } else if (std::strcmp(argv[i], "--plain-cap") == 0 && i + 1 < argc) {
      options.plainCap = std::atof(argv[++i]);
    } else if (std::strcmp(argv[i], "--plain-budget") == 0 && i + 1 < argc) {
      options.plainBudget = std::atof(argv[++i]);
    }
  }
  return options;
}

}  // namespace
}  // namespace velrin

int main(int argc, char** argv) {
  using namespace velrin;
  const Options options = parseOptions(argc, argv);
  // The table of primes is sieved once a process, by its first pass; it is
  // timed apart, and every pass below finds it built.
  const Clock::time_point sieveStart = Clock::now();
  const int32_t largest = PrimeTable::instance()[PrimeTable::kSlots - 1];
  std::printf("Prime table (49,999 primes up to %d), sieved once a process: %s.\n\n", largest,
              formatSeconds(secondsSince(sieveStart)).c_str());
  std::printf("%-20s %3s %8s %9s %9s %9s %11s %11s %11s  %s\n", "curve (A, B)", "bad", "candid.",
              "fast med", "fast max", "max wall", "plain once", "predicted", "plain/fast",
              "what makes it slow");
  double budget = options.plainBudget;
  double worstFast = 0.0;
  const SlowCurve* worstCurve = nullptr;
  bool reportsAgree = true;
  for (const SlowCurve& input : kCurves) {
    const FastTimes fast = timeFast(input.a, input.b);
    if (fast.worst > worstFast) {
      worstFast = fast.worst;
      worstCurve = &input;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%d, %d", input.a, input.b);
    const PlainShape shape = predictPlain(input.a, input.b);
    std::string plainColumn;
    std::string ratioColumn = "-";
    if (options.fastOnly || shape.predicted > options.plainCap || shape.predicted > budget) {
      plainColumn = "not run";
      char ratio[32];
      std::snprintf(ratio, sizeof ratio, "[%.3g]", shape.predicted / fast.median);
      ratioColumn = ratio;
    } else {
      std::string fastText;
      std::string plainText;
      reportInto(input.a, input.b, Paths::kFast, fastText);
      const double plain = reportInto(input.a, input.b, Paths::kPlain, plainText);
      budget -= plain;
      plainColumn = formatSeconds(plain);
      if (plainText != fastText) {
        plainColumn.append(" DIFFERS");
        reportsAgree = false;
      }
      char ratio[32];
      std::snprintf(ratio, sizeof ratio, "%.3g", plain / fast.median);
      ratioColumn = ratio;
    }
    std::printf("%-20s %3d %8.3g %9s %9s %9s %11s %11s %11s  %s\n", name, shape.badPrimes,
                shape.candidates, formatSeconds(fast.median).c_str(),
                formatSeconds(fast.worst).c_str(), formatSeconds(fast.worstWall).c_str(),
                plainColumn.c_str(), formatSeconds(shape.predicted).c_str(), ratioColumn.c_str(),
                input.why);
    std::fflush(stdout);
  }
  std::printf(
      "\npredicted: the plain pass's time from a sample of its candidates; a pass predicted "
      "above %.0f s, or beyond what is left of %.0f s in all, is not run and its ratio [in "
      "brackets] is the predicted one.\n",
      options.plainCap, options.plainBudget);
  const bool fastMet = worstFast < 5e-3;
  std::printf(
      "fast med: median wall time of the fast pass; fast max: its slowest run, each run "
      "timed as the lesser of its thread CPU time and its wall time; max wall: the slowest "
      "wall time, preemptions by other processes included.\n");
  std::printf("Fast full pass under 5 ms on every curve: %s (slowest run %s, on A=%d, B=%d).\n",
              fastMet ? "met" : "MISSED", formatSeconds(worstFast).c_str(),
              worstCurve != nullptr ? worstCurve->a : 0, worstCurve != nullptr ? worstCurve->b : 0);
  if (!reportsAgree) std::printf("A plain report DIFFERS from the fast one (see above).\n");
  return fastMet && reportsAgree ? 0 : 1;
}
