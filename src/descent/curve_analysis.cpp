#include "descent/curve_analysis.hpp"

#include <cstddef>

#include "arith/prime_factors.hpp"
#include "curve/curve.hpp"
#include "curve/equation_line.hpp"
#include "curve/local_classification.hpp"
#include "curve/minimal_model.hpp"
#include "descent/selmer.hpp"

namespace velrin {

namespace {

// Whether p divides n; n below 2^127 in magnitude, p >= 2. Word-sized
// operands, as nearly all are, take a word's division.
bool divides(__uint128_t p, __int128_t n) {
  if (p >> 63U == 0 && n >= INT64_MIN && n <= INT64_MAX) {
    return static_cast<int64_t>(n) % static_cast<int64_t>(p) == 0;
  }
  return n % static_cast<__int128_t>(p) == 0;
}

__uint128_t magnitudeOf(__int128_t n) {
  return n < 0 ? 0 - static_cast<__uint128_t>(n) : static_cast<__uint128_t>(n);
}

void addBadPrime(CurveAnalysis& analysis, const LocalDatum& local) {
  analysis.badPrimeSlots[static_cast<size_t>(analysis.badPrimeCount++)] = local;
}

// The true rules from the model and the primes of B and of F0 (or of F):
// the bad primes are the primes of B0 F0, each classified on the minimal
// model, and the first dimension comes from the local conditions by
// elimination over F_3. Every entry point runs this.
void analyzeFactored(CurveAnalysis& analysis, const MinimalModel& model,
                     const CurveFactors& factors, Paths paths, bool withBasis = true) {
  const std::span<const __uint128_t> fromB = factors.primesOfB;
  const std::span<const __uint128_t> fromF = factors.primesOfF;
  // The sieve's exponents, read with u = 1 alone (then B0 = B, F0 = F).
  const bool exponents =
      factors.exponentsOfB.size() == fromB.size() && factors.exponentsOfF.size() == fromF.size();
  analysis.scale = model.scale;
  // With u = 1, B0 = B and F0 = F: every listed prime divides one of them.
  const bool scaled = model.scale != 1;
  // Merge the primes of B that still divide B0 with those of F0, in order.
  size_t i = 0;
  size_t j = 0;
  while (i < fromB.size() || j < fromF.size()) {
    __uint128_t p = 0;
    bool inB = true;
    bool inF = true;
    int32_t vB = 0;
    int32_t vF = 0;
    if (j == fromF.size() || (i < fromB.size() && fromB[i] < fromF[j])) {
      if (exponents) vB = factors.exponentsOfB[i];
      p = fromB[i++];
      inF = false;
      if (scaled && !divides(p, model.b0)) continue;
    } else {
      inB = i < fromB.size() && fromB[i] == fromF[j];
      if (exponents) {
        vB = inB ? factors.exponentsOfB[i] : 0;
        vF = factors.exponentsOfF[j];
      }
      if (inB) ++i;
      p = fromF[j++];
      // A prime of F that u^6 takes away, and that B0 lacks, is good.
      if (scaled && !divides(p, model.f0) && !divides(p, model.b0)) continue;
    }
    // With u = 1 the lists say which of B0 and F0 the prime divides, and
    // the sieve's exponents give the valuations.
    LocalDatum local;
    if (scaled || p == 3) {
      local = classifyMinimal(model, p);
    } else if (exponents) {
      local = classifyMinimalFromValuations(model, p, vB, vF);
    } else {
      local = classifyMinimal(model, p, inB, inF);
    }
    if (local.prime != 0) addBadPrime(analysis, local);
  }
  analysis.status = CurveStatus::kAnalysed;
  // The plain path enumerates where that is feasible: at most 12 bad
  // primes, all below 2^31.
  bool enumerable = paths == Paths::kPlain && analysis.badPrimeCount <= 12;
  for (size_t k = 0; enumerable && k < analysis.badPrimes().size(); ++k) {
    enumerable = analysis.badPrimes()[k].prime >> 31U == 0;
  }
  static_assert(CurveAnalysis::kMaxBadPrimes == F3Matrix::kMaxColumns);
  // The rank alone, without the reduction to the basis, when no one reads
  // the basis.
  int32_t d1 = 0;
  if (withBasis) {
    analysis.selmerBasisCount =
        minimalSelmerBasis(analysis.badPrimes(), model.b0, analysis.selmerBasisSlots);
    d1 = analysis.selmerBasisCount;
  } else {
    d1 = minimalSelmerDimension(analysis.badPrimes(), model.b0);
  }
  if (enumerable) {
    d1 = minimalSelmerDimensionByEnumeration(analysis.badPrimes(), model.b0);
  }
  int32_t d2 = d1;
  for (const LocalDatum& local : analysis.badPrimes()) d2 += local.term;
  analysis.selmerDims = {d1, d2};
}

// The true rules, factoring B and then F0 = A0^3 - 27B0 of the minimal
// model.
void analyzeMinimal(CurveAnalysis& analysis, Paths paths) {
  const PrimeFactors primesOfB = primeFactors(magnitudeOf(analysis.b));
  const MinimalModel model = minimalModel(analysis.a, analysis.b, primesOfB.primes());
  analysis.scale = model.scale;
  const PrimeFactors primesOfF = primeFactors(magnitudeOf(model.f0));
  if (!primesOfF.complete()) {
    analysis.status = CurveStatus::kTooLarge;
    return;
  }
  analyzeFactored(analysis, model, {primesOfB.primes(), primesOfF.primes()}, paths);
}

// The classic rules, computed by the original program's record without
// printing; one record per thread and choice of algorithms serves every
// curve.
void analyzeClassic(CurveAnalysis& analysis, Paths paths) {
  thread_local Curve fast(Paths::kFast);
  thread_local Curve plain(Paths::kPlain);
  Curve& curve = paths == Paths::kFast ? fast : plain;
  curve.setCoefficients(analysis.a, analysis.b);
  if (curve.warnings.range) {
    analysis.warningSlots[static_cast<size_t>(analysis.warningCount++)] = Warning::kRangeOfInt64;
  }
  if (curve.warnings.endOfTable) {
    analysis.warningSlots[static_cast<size_t>(analysis.warningCount++)] =
        Warning::kBeyondPrimeTable;
  }
  if (curve.tooLarge) {
    analysis.status = CurveStatus::kTooLarge;
    return;
  }
  analysis.status = CurveStatus::kAnalysed;
  for (const BadPrimeNode* node = curve.head; node->prime != 0; node = node->next) {
    const LocalDatum local = classifyClassic(curve.a, curve.b, node->prime);
    addBadPrime(analysis, local);
  }
  analysis.selmerDims = selmerDimensions(curve);
}

}  // namespace

CurveAnalysis analyzeCurve(int32_t a, int32_t b, Rules rules, Paths paths) {
  CurveAnalysis analysis;
  analysis.a = a;
  analysis.b = b;
  analysis.rules = rules;
  if (isSingular(a, b)) {
    analysis.status = CurveStatus::kSingular;
    return analysis;
  }
  if (rules == Rules::kClassic) {
    analyzeClassic(analysis, paths);
  } else {
    analyzeMinimal(analysis, paths);
  }
  return analysis;
}

CurveAnalysis analyzeCurve(int32_t a, int32_t b, const CurveFactors& factors) {
  CurveAnalysis analysis;
  analyzeCurve(a, b, factors, analysis);
  return analysis;
}

void analyzeCurve(int32_t a, int32_t b, const CurveFactors& factors, CurveAnalysis& analysis,
                  bool withBasis) {
  analysis.a = a;
  analysis.b = b;
  analysis.rules = Rules::kTrue;
  analysis.scale = 1;
  analysis.badPrimeCount = 0;
  analysis.warningCount = 0;  // the true rules raise none
  analysis.selmerDims = {};
  analysis.selmerBasisCount = 0;
  if (isSingular(a, b)) {
    analysis.status = CurveStatus::kSingular;
    return;
  }
  const MinimalModel model = minimalModel(a, b, factors.primesOfB);
  analyzeFactored(analysis, model, factors, Paths::kFast, withBasis);
}

CurveAnalysis analyzeCurve(int32_t a, int32_t b, Rules rules) {
  return analyzeCurve(a, b, rules, Paths::kFast);
}

}  // namespace velrin
