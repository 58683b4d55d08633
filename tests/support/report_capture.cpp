#include "support/report_capture.hpp"

#include "dialogue/dialogue.hpp"
#include "dialogue/line_reader.hpp"
#include "dialogue/reporting_curve.hpp"
#include "support/captured_output.hpp"

namespace velrin {

std::string reportOf(int32_t A, int32_t B, Paths paths) {
  CapturedOutput out;
  {
    ReportingCurve curve(out.stream(), paths);
    if (curve.setCoefficients(A, B) != 0) printReport(curve);
  }
  return out.text();
}

std::string dialogueOf(std::string_view input, Paths paths) {
  CapturedOutput out;
  LineReader in(input);
  runDialogue(in, out.stream(), Rules::kClassic, paths);
  return out.text();
}

}  // namespace velrin
