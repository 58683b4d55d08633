#include "dialogue/reporting_curve.hpp"

#include <array>
#include <cstddef>

#include "descent/selmer.hpp"
#include "render/output_buffer.hpp"
#include "render/text_report.hpp"

namespace velrin {

namespace {

void writeOut(const OutputBuffer& text, std::FILE* out) {
  std::fwrite(text.data(), 1, text.size(), out);
}

}  // namespace

int32_t ReportingCurve::setCoefficients(const int32_t& A, const int32_t& B) {
  const int32_t nonsingular = Curve::setCoefficients(A, B);
  if (out_ == nullptr) return nonsingular;
  OutputBuffer text;
  if (nonsingular == 0) {
    appendSingularLine(text);
  } else {
    appendEquationLine(a, b, text);
    // A refused curve was never factorised: it has no warnings.
    if (tooLarge) {
      appendTooLargeLine(text);
    } else {
      appendFactorizeWarnings(warnings, text);
    }
  }
  writeOut(text, out_);
  return nonsingular;
}

void printReport(ReportingCurve& curve) {
  std::FILE* const out = curve.out();
  if (curve.tooLarge || out == nullptr) return;  // refused after line [1]: nothing to report
  OutputBuffer text;
  appendLocalDataHeading(curve.head->prime == 0, text);
  for (const BadPrimeNode* node = curve.head; node->prime != 0; node = node->next) {
    appendLocalDatumLine(static_cast<__uint128_t>(node->prime), node->kodaira,
                         node->imageNames[static_cast<size_t>(node->imageKind)],
                         node->next->prime == 0, text);
  }
  const std::array<int32_t, 2>& dims = selmerDimensions(curve);
  appendSelmerLines(dims[0], dims[1], dims[0] + dims[1] - 1, text);
  writeOut(text, out);
}

}  // namespace velrin
