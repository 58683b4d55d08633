#include "descent/curve_analysis.hpp"

#include <cstddef>
#include <optional>

#include "curve/classic_scan.hpp"
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

void addBadPrime(CurveAnalysis& analysis, const LocalDatum& local) {
  analysis.badPrimeSlots[static_cast<size_t>(analysis.badPrimeCount++)] = local;
}

// The local stage of the true rules, from the model and the primes of B
// and of F0 (or of F): the bad primes are the primes of B0 F0, each
// classified on the minimal model.
void minimalLocalData(CurveAnalysis& analysis, const MinimalModel& model,
                      const CurveFactors& factors) {
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
}

// The Selmer stage of the true rules: a basis of Sel(E^/Q) from the kernel
// of the local conditions, then dim Sel(E/Q).
// Without `withBasis`, the rank alone, without the reduction to the basis.
void minimalSelmerGroups(CurveAnalysis& analysis, int64_t b0, bool withBasis) {
  static_assert(CurveAnalysis::kMaxBadPrimes == F3Matrix::kMaxColumns);
  int32_t d1 = 0;
  if (withBasis) {
    analysis.selmerBasisCount =
        minimalSelmerBasis(analysis.badPrimes(), b0, analysis.selmerBasisSlots);
    d1 = analysis.selmerBasisCount;
  } else {
    d1 = minimalSelmerDimension(analysis.badPrimes(), b0);
  }
  analysis.dimSelmerEHat = d1;
  analysis.dimSelmerE = isogenySelmerDimension(d1, analysis.badPrimes());
}

void addWarnings(CurveAnalysis& analysis, FactorizeWarnings warnings) {
  if (warnings.range) {
    analysis.warningSlots[static_cast<size_t>(analysis.warningCount++)] = Warning::kRangeOfInt64;
  }
  if (warnings.endOfTable) {
    analysis.warningSlots[static_cast<size_t>(analysis.warningCount++)] =
        Warning::kBeyondPrimeTable;
  }
}

// The local and Selmer stages of the classic rules, on the model as typed;
// d is D = B(A^3 - 27B), which fits in 64 bits.
void analyzeClassic(CurveAnalysis& analysis, int64_t d, const CurveFactors& factors) {
  static_assert(ClassicScan::kMaxBadPrimes <= CurveAnalysis::kMaxBadPrimes);
  const ClassicScan scan =
      scanClassic(analysis.a, analysis.b, d, factors,
                  std::span<LocalDatum>(analysis.badPrimeSlots.data(), ClassicScan::kMaxBadPrimes));
  addWarnings(analysis, scan.warnings);
  analysis.badPrimeCount = scan.badPrimeCount;
  analysis.status = CurveStatus::kAnalysed;
  const int32_t d1 = classicSelmerDimension(analysis.badPrimes(), analysis.b, !scan.threeDividesD);
  analysis.dimSelmerEHat = d1;
  analysis.dimSelmerE = isogenySelmerDimension(d1, analysis.badPrimes());
}

// Clears what an analysis defines, for a record that is reused.
void reset(CurveAnalysis& analysis, int32_t a, int32_t b, Rules rules) {
  analysis.a = a;
  analysis.b = b;
  analysis.rules = rules;
  analysis.status = CurveStatus::kSingular;
  analysis.scale = 1;
  analysis.badPrimeCount = 0;
  analysis.warningCount = 0;
  analysis.dimSelmerEHat = 0;
  analysis.dimSelmerE = 0;
  analysis.selmerBasisCount = 0;
}

}  // namespace

CurveAnalysis analyzeCurve(int32_t a, int32_t b, Rules rules) {
  CurveAnalysis analysis;
  reset(analysis, a, b, rules);
  if (isSingular(a, b)) return analysis;
  if (rules == Rules::kClassic) {
    // A D beyond 64 bits is refused before anything is factored.
    const std::optional<int64_t> d = classicDiscriminant(a, b);
    if (!d) {
      analysis.status = CurveStatus::kTooLarge;
      return analysis;
    }
    const FactoredCurve factored = factorCurve(a, b);
    analyzeClassic(analysis, *d, factored.factors());
    return analysis;
  }
  const FactoredCurve factored = factorCurve(a, b);
  analysis.scale = factored.model.scale;
  if (!factored.complete()) {
    analysis.status = CurveStatus::kTooLarge;
    return analysis;
  }
  minimalLocalData(analysis, factored.model, {factored.ofB.primes(), factored.ofF.primes()});
  analysis.status = CurveStatus::kAnalysed;
  minimalSelmerGroups(analysis, factored.model.b0, true);
  return analysis;
}

CurveAnalysis analyzeCurve(int32_t a, int32_t b, const CurveFactors& factors, Rules rules) {
  CurveAnalysis analysis;
  analyzeCurve(a, b, factors, analysis, rules);
  return analysis;
}

void analyzeCurve(int32_t a, int32_t b, const CurveFactors& factors, CurveAnalysis& analysis,
                  Rules rules, bool withBasis) {
  reset(analysis, a, b, rules);
  if (isSingular(a, b)) return;
  if (rules == Rules::kClassic) {
    const std::optional<int64_t> d = classicDiscriminant(a, b);
    if (!d) {
      analysis.status = CurveStatus::kTooLarge;
      return;
    }
    analyzeClassic(analysis, *d, factors);
    return;
  }
  const MinimalModel model = minimalModel(a, b, factors.primesOfB);
  minimalLocalData(analysis, model, factors);
  analysis.status = CurveStatus::kAnalysed;
  minimalSelmerGroups(analysis, model.b0, withBasis);
}

}  // namespace velrin
