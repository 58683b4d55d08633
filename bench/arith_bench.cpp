// Factorisation and cube tests, each on the plain path and on the fast one.
// The plain factorisation walks the whole table of 49,999 primes whenever a
// value has a prime factor beyond it; the fast one stops trial division at
// 1000 and splits the rest by Pollard's rho. The plain cube test searches
// for the least root, up to p steps; the fast one is one modular power.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <span>

#include "arith/factorize.hpp"
#include "arith/integer_primitives.hpp"
#include "arith/modular.hpp"
#include "reference/plain_paths.hpp"

namespace velrin {
namespace {

struct NamedValue {
  const char* name;
  int64_t value;
};

// Values of the sizes that B(A^3 - 27B) takes, each with the case it puts
// the factorisation in.
constexpr std::array<NamedValue, 6> kValues = {{
    {"15 primes below 50", 614889782588491410LL},
    {"2^63-1, last factor beyond the table", std::numeric_limits<int64_t>::max()},
    {"prime 2^62-57", 4611686018427387847LL},
    {"two primes near 2^31", 2147483647LL * 2147483629LL},
    {"611951 * 611953, the table's edge", 611951LL * 611953LL},
    {"D of A=1000, B=223092870", 223092870LL * (1000000000LL - 27 * 223092870LL)},
}};

using Factorizer = FactorizeWarnings (*)(int64_t, std::span<int32_t>);

void runFactorizer(benchmark::State& state, Factorizer factorizer) {
  const NamedValue& input = kValues[static_cast<size_t>(state.range(0))];
  std::array<int32_t, 17> primes{};
  for (auto _ : state) {
    benchmark::DoNotOptimize(factorizer(input.value, primes));
    benchmark::DoNotOptimize(primes.data());
  }
  state.SetLabel(input.name);
}

void BM_FactorizePlain(benchmark::State& state) {
  runFactorizer(state, static_cast<Factorizer>(&factorizeByTable));
}
void BM_FactorizeFast(benchmark::State& state) { runFactorizer(state, &factorize); }
BENCHMARK(BM_FactorizePlain)->DenseRange(0, kValues.size() - 1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FactorizeFast)->DenseRange(0, kValues.size() - 1)->Unit(benchmark::kMicrosecond);

// The cube test at a prime p = 1 (mod 3) on a non-cube: the search runs
// through all p residues before it answers -1. 611887 is the largest prime
// of the table that is 1 modulo 3.
int64_t nonCubeModulo(int32_t p) {
  int64_t n = 2;
  while (cubeRootSign(n, p) > 0) ++n;
  return n;
}

void BM_CubeRootModPlain(benchmark::State& state) {
  const auto p = static_cast<int32_t>(state.range(0));
  const int64_t n = nonCubeModulo(p);
  for (auto _ : state) benchmark::DoNotOptimize(cubeRootMod(n, p));
}

void BM_CubeRootSignFast(benchmark::State& state) {
  const auto p = static_cast<int32_t>(state.range(0));
  const int64_t n = nonCubeModulo(p);
  for (auto _ : state) benchmark::DoNotOptimize(cubeRootSign(n, p));
}
BENCHMARK(BM_CubeRootModPlain)->Arg(7)->Arg(9)->Arg(1009)->Arg(100003)->Arg(611887);
BENCHMARK(BM_CubeRootSignFast)->Arg(7)->Arg(9)->Arg(1009)->Arg(100003)->Arg(611887);

}  // namespace
}  // namespace velrin
