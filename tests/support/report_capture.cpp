#include "support/report_capture.hpp"

#include <array>
#include <cstddef>
#include <optional>

#include "curve/classic_scan.hpp"
#include "dialogue/dialogue.hpp"
#include "dialogue/line_reader.hpp"
#include "dialogue/reporting_curve.hpp"
#include "support/captured_output.hpp"

namespace velrin {

namespace {

// The record's list and warnings against the table walk's primes of D,
// each classified by classifyPrime; empty when they agree.
std::string listDifference(const Curve& curve) {
  const std::optional<int64_t> d = classicDiscriminant(curve.a, curve.b);
  if (!d) return "";
  std::array<int32_t, 17> primes{};
  const FactorizeWarnings warnings = factorizeByTable(*d, primes);
  std::string difference;
  if (warnings.range != curve.warnings.range || warnings.endOfTable != curve.warnings.endOfTable) {
    difference += " warnings";
  }
  Curve scratch;
  scratch.a = curve.a;
  scratch.b = curve.b;
  const BadPrimeNode* node = curve.head;
  for (size_t i = 1; primes[i] != 0; ++i) {
    BadPrimeNode local;
    scratch.classifyPrime(primes[i], local);
    if (local.prime == 0) continue;
    if (node->prime != local.prime || node->kodaira != local.kodaira ||
        node->imageKind != local.imageKind || node->dimDelta != local.dimDelta) {
      difference += " prime " + std::to_string(local.prime);
    }
    if (node->prime != 0) node = node->next;
  }
  if (node->prime != 0) difference += " extra prime " + std::to_string(node->prime);
  return difference;
}

}  // namespace

std::string reportOf(int32_t A, int32_t B, Paths paths) {
  CapturedOutput out;
  std::string difference;
  {
    ReportingCurve curve(out.stream());
    if (curve.setCoefficients(A, B) != 0) {
      const bool checked = paths == Paths::kPlain && !curve.tooLarge;
      std::array<int32_t, 2> plainDims{};
      if (checked) {
        difference = listDifference(curve);
        Curve plain;
        plain.setCoefficients(A, B);
        plainDims = selmerDimensionsByEnumeration(plain);
      }
      printReport(curve);
      if (checked && curve.selmerDims != plainDims) {
        difference += " dims " + std::to_string(plainDims[0]) + " " + std::to_string(plainDims[1]);
      }
    }
  }
  std::string text = out.text();
  if (!difference.empty()) text += "[the plain references differ:" + difference + "]\n";
  return text;
}

std::string dialogueOf(std::string_view input) {
  CapturedOutput out;
  LineReader in(input);
  runDialogue(in, out.stream(), Rules::kClassic);
  return out.text();
}

}  // namespace velrin
