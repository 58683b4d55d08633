#include "render/text_report.hpp"

#include <span>

#include "arith/prime_table.hpp"
#include "render/report_text.hpp"

namespace velrin {

static_assert(PrimeTable::kSlots == 50000,
              "report_text::kEndOfTableWarning names the table's size");

namespace {

void appendLine(std::string_view text, OutputBuffer& out) {
  out.append('\n');
  out.append(text);
  out.append('\n');
}

// The sign of a coefficient of +-1, which stands for the coefficient.
void appendSign(int64_t value, OutputBuffer& out) { out.append(value > 0 ? '+' : '-'); }

// A coefficient with its sign always written, as printf's %+ writes it.
void appendSigned(int64_t value, OutputBuffer& out) {
  if (value >= 0) out.append('+');
  out.appendInt(value);
}

void appendWarning(Warning warning, OutputBuffer& out) {
  appendLine(warning == Warning::kRangeOfInt64 ? report_text::kRangeWarning
                                               : report_text::kEndOfTableWarning,
             out);
}

}  // namespace

void appendSingularLine(OutputBuffer& out) {
  appendLine(report_text::kSingular, out);
  out.append('\n');
}

// A coefficient of +-1 is written as its sign alone (+xy, -y), except that B
// keeps its digits whenever A is +-1.
void appendEquationLine(int64_t a, int64_t b, OutputBuffer& out) {
  const bool aUnit = a == 1 || a == -1;
  const bool bUnit = b == 1 || b == -1;
  out.append('\n');
  out.append(report_text::kEquationStart);
  if (a != 0) {
    if (aUnit) {
      appendSign(a, out);
    } else {
      appendSigned(a, out);
    }
    out.append("xy");
  }
  if (bUnit && !aUnit) {
    appendSign(b, out);
  } else {
    appendSigned(b, out);
  }
  out.append('y');
  out.append(report_text::kEquationEnd);
  out.append('\n');
}

void appendFactorizeWarnings(FactorizeWarnings warnings, OutputBuffer& out) {
  if (warnings.range) appendWarning(Warning::kRangeOfInt64, out);
  if (warnings.endOfTable) appendWarning(Warning::kBeyondPrimeTable, out);
}

void appendTooLargeLine(OutputBuffer& out) {
  appendLine(report_text::kTooLarge, out);
  out.append('\n');
}

void appendLocalDataHeading(bool none, OutputBuffer& out) {
  appendLine(report_text::kLocalDataHeading, out);
  if (none) {
    // Every curve over Q has a bad prime; all of them can lie beyond the
    // prime table, as the end-of-table warning above has said.
    out.append(report_text::kNoPrimeInTable);
    out.append('\n');
  }
}

void appendLocalDatumLine(__uint128_t prime, std::string_view kodaira, std::string_view image,
                          bool last, OutputBuffer& out) {
  out.append('{');
  out.appendUnsigned(prime);
  out.append(", ");
  out.append(kodaira);
  out.append(", ");
  out.append(image);
  out.append(last ? "}.\n" : "},\n");
}

void appendSelmerLines(int32_t dualDim, int32_t dim, int32_t bound, OutputBuffer& out) {
  out.append('\n');
  out.append(report_text::kSelmerStart);
  out.appendInt(dualDim);
  out.append(report_text::kSelmerMiddle);
  out.appendInt(dim);
  out.append('\n');
  // The bound is inclusive: "rankE(Q) < N" states that the rank is at most N.
  out.append('\n');
  if (bound == 0) {
    out.append(report_text::kRankZero);
  } else {
    out.append(report_text::kRankBelow);
    out.appendInt(bound);
  }
  out.append("\n\n");
}

void writeRankLine(const RankSearch& rank, OutputBuffer& out) {
  if (rank.proven()) {
    out.append(report_text::kProvenStart);
    out.appendInt(rank.lower);
    out.append(report_text::kProven);
  } else {
    out.append(report_text::kBoundsStart);
    out.appendInt(rank.lower);
    out.append(report_text::kBoundsMiddle);
    out.appendInt(rank.upper);
  }
  std::string_view separator = report_text::kPoints;
  for (const RationalPoint& point : rank.points) {
    out.append(separator);
    out.append('(');
    out.append(point.x);
    out.append(',');
    out.append(point.y);
    out.append(')');
    separator = report_text::kPointSeparator;
  }
  if (!rank.proven()) {
    out.append(report_text::kSearchedTo);
    out.appendInt(rank.height);
  }
  out.append("\n\n");
}

namespace {

// Lines [1] to [4], or as far as the curve goes.
void writeDescentReport(const CurveAnalysis& analysis, OutputBuffer& out) {
  if (analysis.status == CurveStatus::kSingular) {
    appendSingularLine(out);
    return;
  }
  appendEquationLine(analysis.a, analysis.b, out);
  for (const Warning warning : analysis.warnings()) appendWarning(warning, out);
  if (analysis.status == CurveStatus::kTooLarge) {
    appendTooLargeLine(out);
    return;
  }
  const std::span<const LocalDatum> primes = analysis.badPrimes();
  appendLocalDataHeading(primes.empty(), out);
  char kodaira[16];
  for (size_t i = 0; i < primes.size(); ++i) {
    const char* end = writeKodaira(kodaira, primes[i].kodaira);
    appendLocalDatumLine(primes[i].prime,
                         std::string_view(kodaira, static_cast<size_t>(end - kodaira)),
                         imageText(primes[i].image), i + 1 == primes.size(), out);
  }
  appendSelmerLines(analysis.dimSelmerEHat, analysis.dimSelmerE, analysis.rankBound(), out);
}

}  // namespace

void writeTextReport(const CurveAnalysis& analysis, OutputBuffer& out, const RankSearch* rank) {
  writeDescentReport(analysis, out);
  if (rank != nullptr && rank->searched) writeRankLine(*rank, out);
}

}  // namespace velrin
