// The candidates for the distinct prime factors of F = A^3 - 27B (below
// 2^94) timed side by side on the hard cases and on random coefficients.
// Usage: velrin_factor_bench [--quick]
//
//   velrin     primeFactors as the program runs it: trial division below
//              1000, Pollard-Brent (64- or 128-bit Montgomery), and the PARI
//              library for a wide composite that rho does not split quickly
//   own only   the same without the library: rho runs until it splits
//   PARI       the library's Z_factor on the whole number
//   FLINT      fmpz_factor (when built with FLINT)
//
// Each workload runs for at least 0.3 s (--quick: once); shown are the mean
// wall time, the slowest single call in thread CPU time (so that another
// process's time slice is not counted), and numbers per second. FLINT, at
// about 11 ms a random F, is timed on the first 1,000 values only. Every
// candidate's primes are compared with velrin's; a difference fails the run.

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "arith/factor_search.hpp"
#include "arith/pari_factor.hpp"
#include "arith/prime_factors.hpp"
#include "arith/trial_division.hpp"
#include "factor_inputs.hpp"

#ifdef VELRIN_BENCH_FLINT
#include <flint/fmpz.h>
#include <flint/fmpz_factor.h>
#endif

namespace velrin {
namespace {

using Primes = std::vector<__uint128_t>;
using Candidate = Primes (*)(__uint128_t);

Primes velrinPrimes(__uint128_t n) {
  const PrimeFactors found = primeFactors(n);
  return {found.primes().begin(), found.primes().end()};
}

Primes ownOnly(__uint128_t n) {
  PrimeFactors found;
  n = removeSmallPrimes(n, found);
  std::vector<__uint128_t> pending;
  if (n > 1) pending.push_back(n);
  while (!pending.empty()) {
    const __uint128_t m = pending.back();
    pending.pop_back();
    if (m >> 64U == 0 ? isPrime(static_cast<uint64_t>(m)) : isPrimeWide(m)) {
      found.add(m);
    } else if (const __uint128_t root = perfectPowerRoot(m); root != 0) {
      pending.push_back(root);
    } else {
      const __uint128_t d =
          m >> 64U == 0 ? findDivisor(static_cast<uint64_t>(m)) : findDivisorWide(m, UINT64_MAX);
      pending.push_back(d);
      pending.push_back(m / d);
    }
  }
  return {found.primes().begin(), found.primes().end()};
}

Primes pariOnly(__uint128_t n) {
  std::array<__uint128_t, PrimeFactors::kMaxPrimes> primes{};
  const size_t count = n == 1 ? 0 : pariPrimeFactors(n, primes);
  Primes result(primes.begin(), primes.begin() + static_cast<std::ptrdiff_t>(count));
  std::sort(result.begin(), result.end());
  return result;
}

#ifdef VELRIN_BENCH_FLINT
Primes flintOnly(__uint128_t n) {
  fmpz_t value;
  fmpz_init(value);
  fmpz_set_ui(value, static_cast<ulong>(n >> 64U));
  fmpz_mul_2exp(value, value, 64);
  fmpz_add_ui(value, value, static_cast<ulong>(n));
  fmpz_factor_t factors;
  fmpz_factor_init(factors);
  fmpz_factor(factors, value);
  Primes result;
  fmpz_t part;
  fmpz_init(part);
  for (slong i = 0; i < factors->num; ++i) {
    fmpz_fdiv_q_2exp(part, factors->p + i, 64);
    const __uint128_t high = fmpz_get_ui(part);
    fmpz_fdiv_r_2exp(part, factors->p + i, 64);
    result.push_back(high << 64U | fmpz_get_ui(part));
  }
  fmpz_clear(part);
  fmpz_factor_clear(factors);
  fmpz_clear(value);
  std::sort(result.begin(), result.end());
  return result;
}
#endif

struct Timing {
  double meanMicros = 0;
  double maxMicros = 0;
  bool agrees = true;
};

double threadMicros() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

Timing timeWorkload(Candidate candidate, const std::vector<__uint128_t>& values, bool quick) {
  using Clock = std::chrono::steady_clock;
  Timing timing;
  double total = 0;
  size_t calls = 0;
  const auto start = Clock::now();
  do {
    for (const __uint128_t n : values) {
      const auto before = Clock::now();
      const double cpuBefore = threadMicros();
      const Primes primes = candidate(n);
      const double cpu = threadMicros() - cpuBefore;
      total += std::chrono::duration<double, std::micro>(Clock::now() - before).count();
      ++calls;
      timing.maxMicros = std::max(timing.maxMicros, cpu);
      if (calls <= values.size() && primes != velrinPrimes(n)) timing.agrees = false;
    }
  } while (!quick && Clock::now() - start < std::chrono::milliseconds(300));
  timing.meanMicros = total / static_cast<double>(calls);
  return timing;
}

}  // namespace
}  // namespace velrin

int main(int argc, char** argv) {
  using namespace velrin;
  const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
  struct Named {
    const char* name;
    Candidate candidate;
  };
  std::vector<Named> candidates = {{"velrin", &velrinPrimes}, {"PARI", &pariOnly}};
#ifdef VELRIN_BENCH_FLINT
  candidates.push_back({"FLINT", &flintOnly});
#endif
  candidates.push_back({"own only", &ownOnly});
  bool allAgree = true;
  std::printf("%-40s %-9s %12s %12s %12s\n", "workload", "candidate", "mean us", "max cpu us",
              "numbers/s");
  for (const FactorWorkload& workload : factorWorkloads()) {
    for (const Named& named : candidates) {
      // Rho alone on two primes near 2^47 takes a tenth of a second a call.
      const bool once = quick || (named.candidate == &ownOnly && workload.slowForRho);
      std::vector<__uint128_t> values = workload.values;
      if (std::strcmp(named.name, "FLINT") == 0 && values.size() > 1000) values.resize(1000);
      const Timing t = timeWorkload(named.candidate, values, once);
      allAgree = allAgree && t.agrees;
      std::printf("%-40s %-9s %12.1f %12.1f %12.0f%s\n", workload.name, named.name, t.meanMicros,
                  t.maxMicros, 1e6 / t.meanMicros, t.agrees ? "" : "  DIFFERS");
    }
  }
  return allAgree ? 0 : 1;
}
