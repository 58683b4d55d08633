#pragma once

// The plain reference algorithms, for the tests and benchmarks alone: the
// original factorisation by the whole prime table, the cube tests by the
// least-root search, and the Selmer dimensions by enumerating every
// candidate. Each gives what the program's algorithm gives; the tests
// check that they agree and the benchmarks measure the difference.

#include <array>
#include <cstdint>
#include <cstdio>
#include <span>

#include "arith/factored_integer.hpp"
#include "arith/factorize.hpp"
#include "curve/curve.hpp"
#include "curve/local_data.hpp"
#include "descent/curve_analysis.hpp"

namespace velrin {

/// Which algorithms a test or benchmark runs: the program's (kFast) or the
/// plain references of this library.
enum class Paths { kFast, kPlain };

/// The original factorisation: trial division by every prime of the table
/// in turn, with the contract and warnings of factorize.
FactorizeWarnings factorizeByTable(int64_t n, std::span<int32_t> primes);

/// Classic rules: inLocalImages with the cube tests by the least-root
/// search (cubeRootMod) instead of Euler's criterion.
int32_t inLocalImagesPlain(const Curve& curve, const FactoredInteger& m);

/// inLocalImages (kFast) or inLocalImagesPlain (kPlain).
int32_t inLocalImages(const Curve& curve, const FactoredInteger& m, Paths paths);

/// Classic rules: selmerDimensions by enumerating every candidate s * p1^e1
/// * ... * pk^ek, exact, with the seeds s = 3 and 9 standing for the prime
/// 3 when no node holds it, each tested by inLocalImagesPlain; adds into
/// curve.selmerDims as selmerDimensions does.
const std::array<int32_t, 2>& selmerDimensionsByEnumeration(Curve& curve);

/// selmerDimensions (kFast) or selmerDimensionsByEnumeration (kPlain).
const std::array<int32_t, 2>& selmerDimensions(Curve& curve, Paths paths);

/// dim Sel(E^/Q) under the true rules by enumerating every candidate m =
/// product of the bad primes to exponents 0, 1, 2 and testing it at each
/// bad prime with the plain root searches: m lies in <B> when one of m,
/// m B0, m B0^2 is a cube in Q_p^*, its valuation a multiple of 3 and its
/// unit part a cube modulo p (modulo 9 at 3). The bad primes are below
/// 2^31 and at most 16.
int32_t minimalSelmerDimensionByEnumeration(std::span<const LocalDatum> badPrimes, int64_t b0);

/// analyzeCurve(a, b) under the true rules with the dimensions found by
/// minimalSelmerDimensionByEnumeration where that is feasible (at most 12
/// bad primes, all below 2^31); otherwise analyzeCurve's own.
CurveAnalysis analyzeByEnumeration(int32_t a, int32_t b);

}  // namespace velrin
