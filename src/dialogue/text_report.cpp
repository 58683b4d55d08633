#include "dialogue/text_report.hpp"

#include "arith/prime_table.hpp"
#include "curve/equation_line.hpp"

namespace velrin {

namespace {

void writeWarning(Warning warning, std::FILE* out) {
  if (warning == Warning::kRangeOfInt64) {
    std::fputs("\nexceed the range of the type'__int64'!\n", out);
  } else {
    std::fprintf(out, "\nexceed %dth prime !\n", PrimeTable::kSlots);
  }
}

// Lines [2] to [4].
void writeDescent(const CurveAnalysis& analysis, std::FILE* out) {
  std::fputs("\n[2] {bad prime, Kodaira symbol, Image[E(Qp) -> Qp^{*}/Qp^{*3}]}\n", out);
  const std::span<const LocalDatum> primes = analysis.badPrimes();
  if (primes.empty()) {
    // Every curve over Q has a bad prime; under the classic rules all of
    // them can lie beyond the prime table, as the warning above has said.
    std::fputs("none among the primes up to 611951.\n", out);
  }
  for (size_t i = 0; i < primes.size(); ++i) {
    char prime[40];
    *writeDecimal(prime, primes[i].prime) = '\0';
    char kodaira[16];
    *writeKodaira(kodaira, primes[i].kodaira) = '\0';
    const std::string_view image = imageText(primes[i].image);
    std::fprintf(out, "{%s, %s, %.*s}%s", prime, kodaira, static_cast<int>(image.size()),
                 image.data(), i + 1 == primes.size() ? ".\n" : ",\n");
  }
  const int32_t d1 = analysis.selmerDims[0];
  const int32_t d2 = analysis.selmerDims[1];
  std::fprintf(out, "\n[3] dim(Sel(E^/Q))=%d, dim(Sel(E/Q))=%d\n", d1, d2);
  // The bound is inclusive: "rankE(Q) < N" states that the rank is at most N.
  if (analysis.rankBound() == 0) {
    std::fputs("\n[4] rankE(Q)=0\n\n", out);
  } else {
    std::fprintf(out, "\n[4] rankE(Q) < %d\n\n", analysis.rankBound());
  }
}

}  // namespace

void writeRankLine(const RankSearch& rank, std::FILE* out) {
  if (rank.proven()) {
    std::fprintf(out, "[5] rankE(Q)=%d, proven", rank.lower);
  } else {
    std::fprintf(out, "[5] %d <= rankE(Q) <= %d", rank.lower, rank.upper);
  }
  const char* separator = "; independent points ";
  for (const RationalPoint& point : rank.points) {
    std::fprintf(out, "%s(%s,%s)", separator, point.x.c_str(), point.y.c_str());
    separator = ", ";
  }
  if (!rank.proven()) std::fprintf(out, "; searched to height %d", rank.height);
  std::fputs("\n\n", out);
}

void writeTextReport(const CurveAnalysis& analysis, std::FILE* out, const RankSearch* rank) {
  writeTextReport(analysis, out);
  if (rank != nullptr && rank->searched) writeRankLine(*rank, out);
}

void writeTextReport(const CurveAnalysis& analysis, std::FILE* out) {
  if (analysis.status == CurveStatus::kSingular) {
    writeSingularLine(out);
    return;
  }
  writeEquationLine(out, analysis.a, analysis.b);
  for (const Warning warning : analysis.warnings()) writeWarning(warning, out);
  if (analysis.status == CurveStatus::kTooLarge) {
    std::fputs("\n[2] The curve is too large: B(A^3-27B) does not fit in 64 bits.\n\n", out);
    return;
  }
  writeDescent(analysis, out);
}

}  // namespace velrin
