#include "cli/curve_input.hpp"

#include "cli/curve_line.hpp"
#include "curve/cremona_label.hpp"

namespace velrin::cli {

CurveInput resolveCurve(CurveInputKind kind, const WeierstrassModel& model, std::string_view label,
                        CremonaTables& tables) {
  CurveInput input;
  input.origin.model = model;
  input.origin.modelKnown = kind == CurveInputKind::kModel;
  if (kind == CurveInputKind::kLabel) {
    input.origin.label = std::string(label);
    const LabelLookup found = tables.find(label);
    switch (found.status) {
      case LabelStatus::kFound:
        input.origin.model = found.model;
        input.origin.modelKnown = true;
        break;
      case LabelStatus::kMalformed:
        input.status = "unknown_label";
        input.reason = "not a label of one curve (conductor, class, number: 14a1)";
        return input;
      case LabelStatus::kNotInTable:
        input.status = "unknown_label";
        input.reason = "no curve of Cremona's tables has this label";
        return input;
      case LabelStatus::kNoTables:
        input.status = "unknown_label";
        input.reason = "Cremona's tables are not installed (Debian: pari-elldata)";
        return input;
    }
  }
  const ThreeTorsionForm form = toThreeTorsionForm(input.origin.model);
  switch (form.status) {
    case FormStatus::kConverted:
      input.converted = true;
      input.a = form.a;
      input.b = form.b;
      input.origin.change = form.change;
      return input;
    case FormStatus::kSingular:
      input.status = "singular_model";
      input.reason = "the model is singular (discriminant 0)";
      return input;
    case FormStatus::kNoThreeTorsion:
      input.status = "no_3_torsion";
      input.reason = "the curve has no rational point of order 3";
      return input;
    case FormStatus::kBeyond32Bits:
      input.status = "beyond_32_bits";
      input.reason = "A or B lies outside the signed 32-bit range";
      return input;
    case FormStatus::kNotFactored:
      input.status = "error";
      input.reason = "the smallest scale needs a factorisation of more than 200 bits";
      return input;
    case FormStatus::kFailed:
      break;
  }
  input.status = "error";
  input.reason = "the PARI library failed on this model";
  return input;
}

bool parseCurveArgument(std::string_view text, CurveInputKind& kind, WeierstrassModel& model,
                        std::string_view& reason) {
  const CurveLine line = parseCurveLine(text);
  switch (line.kind) {
    case CurveLineKind::kModel:
      kind = CurveInputKind::kModel;
      model = line.model;
      return true;
    case CurveLineKind::kLabel:
      kind = CurveInputKind::kLabel;
      return true;
    case CurveLineKind::kBad:
      reason = line.reason;
      return false;
    case CurveLineKind::kNone:
      break;
  }
  reason = "expected [a1,a2,a3,a4,a6] or a label of Cremona's tables such as 14a1";
  return false;
}

}  // namespace velrin::cli
